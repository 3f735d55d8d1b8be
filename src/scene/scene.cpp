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

namespace {

HRESULT LoadMesh(MeshModel *&global, const char *path) {
    global = new MeshModel;
    return global->Load(path);
}

}  // namespace

HRESULT LoadScene() {
    if (FAILED(LoadMesh(TerrainMesh, "Materials\\terrain.x"))) return E_FAIL;
    if (FAILED(LoadMesh(SkyboxMesh, "Materials\\skybox.x"))) return E_FAIL;
    if (FAILED(LoadMesh(TreeMesh, "Materials\\tree.x"))) return E_FAIL;
    if (FAILED(LoadMesh(TreeBoundingMesh, "Materials\\tree_bounding.x"))) return E_FAIL;

    SeedRandomInteger((unsigned)time(NULL));
    for (unsigned i = 0; i < TreeCount; ++i) {
        float x = RandomSigned() * TreeSpread;  // x is drawn first, z second
        float z = RandomSigned() * TreeSpread;
        SceneObject object;
        object.mesh = TreeMesh;
        object.boundingMesh = TreeBoundingMesh;
        object.position = D3DXVECTOR3(x, TreeY, z);
        object.visible = false;
        AddSceneObject(object);
    }
    Camera.position = CameraStart;

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
