#include "startup_phases.h"

#include "app/frame.h"
#include "app/main_window.h"
#include "methods/common.h"
#include "device/device.h"
#include "overlay/bitmap_font.h"
#include "report.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "win32/headless.h"

namespace {

struct MeshFile {
    MeshModel *&global;
    const char *path;
    const char *phase;
};

}  // namespace

// The steps of the program's start-up in its order. The scene is loaded
// step by step here (the same meshes, the same placement) because the
// program loads it in one call and each file is timed on its own.
bool StartUpTimed(std::vector<StartupPhase> &phases) {
    Clock::time_point start = Clock::now();
    auto phaseDone = [&](const std::string &name) {
        Clock::time_point now = Clock::now();
        phases.push_back({name, Milliseconds(start, now)});
        start = now;
    };

    SetHeadlessWindows(true);
    WNDCLASSEXA windowClass = {sizeof(WNDCLASSEXA), CS_CLASSDC, MainWindowProc, 0, 0, GetModuleHandleA(NULL),
                               NULL, NULL, NULL, NULL, "Occlusion Culling", NULL};
    RegisterClassExA(&windowClass);
    MainWindow = CreateWindowExA(0, "Occlusion Culling", "Occlusion Culling", WS_OVERLAPPEDWINDOW, 0, 0, 1024, 768,
                                 NULL, NULL, GetModuleHandleA(NULL), NULL);
    if (!MainWindow) {
        ReportStartupFailure("creating the window");
        return false;
    }
    phaseDone("window");
    if (FAILED(InitDevice())) {
        ReportStartupFailure("creating the device");
        return false;
    }
    phaseDone("device");

    MeshFile files[] = {{TerrainMesh, "Materials\\terrain.x", "mesh_terrain"},
                        {SkyboxMesh, "Materials\\skybox.x", "mesh_skybox"},
                        {TreeMesh, "Materials\\tree.x", "mesh_tree"},
                        {TreeBoundingMesh, "Materials\\tree_bounding.x", "mesh_tree_bounding"}};
    for (MeshFile &file : files) {
        file.global = new MeshModel;
        if (FAILED(file.global->Load(file.path))) {
            ReportStartupFailure(file.path);
            return false;
        }
        phaseDone(file.phase);
    }
    RandomSource = FixedRandom;
    for (unsigned i = 0; i < TreeCount; ++i) {
        float x = RandomSigned() * TreeSpread;  // x is drawn first, z second
        float z = RandomSigned() * TreeSpread;
        AddSceneObject({TreeMesh, TreeBoundingMesh, D3DXVECTOR3(x, TreeY, z), D3DXMATRIX(), false});
    }
    Camera.position = CameraStart;
    phaseDone("trees_placed");

    Font = new BitmapFont("Verdana", 8, 0);
    if (FAILED(Font->BuildAtlas(Device))) {
        ReportStartupFailure("building the glyph atlas");
        return false;
    }
    phaseDone("atlas");

    RenderFrame();
    FinishGpu();
    phaseDone("first_frame");
    return true;
}
