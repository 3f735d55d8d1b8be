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

HRESULT LoadScene();
float RandomSigned();
// The fold RandomSigned applies to one integer of 0..32767.
float FoldSigned(int r);
void AddSceneObject(const SceneObject &object);
SceneObject &SceneObjectAt(unsigned index);
