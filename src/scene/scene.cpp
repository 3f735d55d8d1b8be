#include "scene/scene.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "device/device.h"
#include "overlay/bitmap_font.h"
#include "random.h"
#include "scene/camera.h"

MeshModel *TerrainMesh;
MeshModel *SkyboxMesh;
MeshModel *TreeMesh;
MeshModel *TreeBoundingMesh;
BitmapFont *Font;
std::vector<SceneObject> SceneObjects;
int (*RandomSource)() = RandomInteger;

const SceneMeshFile SceneMeshFiles[4] = {{&TerrainMesh, "Materials\\terrain.x"},
                                         {&SkyboxMesh, "Materials\\skybox.x"},
                                         {&TreeMesh, "Materials\\tree.x"},
                                         {&TreeBoundingMesh, "Materials\\tree_bounding.x"}};

HRESULT LoadScene() {
    for (const SceneMeshFile &file : SceneMeshFiles)
        if (FAILED(LoadSceneMesh(file))) return E_FAIL;
    PopulateScene(PlaceTrees(TreeCount, (unsigned)time(NULL)));
    return CreateSceneFont();
}

HRESULT LoadSceneMesh(const SceneMeshFile &file) {
    *file.mesh = new MeshModel;
    return (*file.mesh)->Load(file.path);
}

std::vector<D3DXVECTOR3> PlaceTrees(unsigned count, unsigned seed) {
    SeedRandomInteger(seed);
    std::vector<D3DXVECTOR3> positions;
    for (unsigned i = 0; i < count; ++i) {
        float x = RandomSigned() * TreeSpread;  // x is drawn first, z second
        float z = RandomSigned() * TreeSpread;
        positions.push_back(D3DXVECTOR3(x, TreeY, z));
    }
    return positions;
}

void PopulateScene(const std::vector<D3DXVECTOR3> &positions) {
    for (const D3DXVECTOR3 &position : positions) {
        SceneObject object;
        object.mesh = TreeMesh;
        object.boundingMesh = TreeBoundingMesh;
        object.position = position;
        object.visible = false;
        AddSceneObject(object);
    }
    Camera.position = CameraStart;
}

HRESULT CreateSceneFont() {
    Font = new BitmapFont("Verdana", 8, 0);
    if (FAILED(Font->BuildAtlas(Device))) return E_FAIL;
    return S_OK;
}

// Folds 0..32767 onto -1..+1 like a tent: 0 and 32767 both give 0.
float FoldSigned(int r) {
    float t = (float)(r / 32767.0);
    return t < 0.5f ? -2.0f * t : 2.0f * (1.0f - t);
}

float RandomSigned() { return FoldSigned(RandomSource()); }

void AddSceneObject(const SceneObject &object) { SceneObjects.push_back(object); }

SceneObject &SceneObjectAt(unsigned index) {
    if (index >= SceneObjects.size()) {
        fprintf(stderr, "SceneObjectAt: index %u is beyond the %zu objects\n", index, SceneObjects.size());
        abort();
    }
    return SceneObjects[index];
}
