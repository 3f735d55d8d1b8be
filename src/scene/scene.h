// The scene: its four meshes, the placed trees and their random placement.
#pragma once

#include <vector>

#include "scene/mesh_model.h"

struct BitmapFont;

extern MeshModel *TerrainMesh;
extern MeshModel *SkyboxMesh;
extern MeshModel *TreeMesh;
extern MeshModel *TreeBoundingMesh;
extern BitmapFont *Font;

struct SceneObject {
    MeshModel *mesh;
    MeshModel *boundingMesh;
    D3DXVECTOR3 position;
    D3DXMATRIX world;
    bool visible;
};

extern std::vector<SceneObject> SceneObjects;

constexpr unsigned TreeCount = 300;
constexpr float TreeSpread = 150.0f;
constexpr float TreeY = 12.0f;
const D3DXVECTOR3 CameraStart(0.0f, 10.0f, 0.0f);

// The generator behind RandomSigned: integers from 0 to 32767. Tests may
// replace it with a scripted one.
extern int (*RandomSource)();

// A mesh file of the scene and the global it is loaded into; the four in
// the order they are loaded: terrain, skybox, tree, bounding mesh.
struct SceneMeshFile {
    MeshModel **mesh;
    const char *path;
};
extern const SceneMeshFile SceneMeshFiles[4];

// The scene built in these steps, in this order (each a step of its own, so
// that a caller can time or repeat one): the four meshes, the trees placed
// from the clock's seed, the camera at its start, the font and its atlas.
HRESULT LoadScene();
HRESULT LoadSceneMesh(const SceneMeshFile &file);
// Where `count` trees stand when the random generator starts from `seed`:
// two draws a tree, x first and z second, over the open square of TreeSpread
// at height TreeY.
std::vector<D3DXVECTOR3> PlaceTrees(unsigned count, unsigned seed);
// A tree at each position appended to SceneObjects; the camera at its start.
void PopulateScene(const std::vector<D3DXVECTOR3> &positions);
HRESULT CreateSceneFont();
float RandomSigned();
// The fold RandomSigned applies to one integer of 0..32767.
float FoldSigned(int r);
void AddSceneObject(const SceneObject &object);
SceneObject &SceneObjectAt(unsigned index);
