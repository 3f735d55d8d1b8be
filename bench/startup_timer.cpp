#include "startup_timer.h"

#include "app/frame.h"
#include "app/main_window.h"
#include "device/device.h"
#include "headless_windows.h"
#include "methods/timing.h"
#include "report.h"
#include "scene/scene.h"

const char *const StartupPhaseNames[StartupPhaseCount] = {
    "window", "device", "mesh_terrain", "mesh_skybox", "mesh_tree", "mesh_tree_bounding", "trees_placed", "atlas",
    "first_frame"};

bool StartUpTimed(unsigned seed, std::vector<StartupPhase> &phases) {
    Clock::time_point start = Clock::now();
    auto phaseDone = [&] {
        Clock::time_point now = Clock::now();
        phases.push_back({StartupPhaseNames[phases.size()], Milliseconds(start, now)});
        start = now;
    };
    auto failed = [](const char *step) {
        ReportStartupFailure(step);
        return false;
    };

    SetHeadlessWindows(true);
    if (!CreateMainWindow(GetModuleHandleA(NULL))) return failed("creating the window");
    phaseDone();
    if (FAILED(InitDevice())) return failed("creating the device");
    phaseDone();
    for (const SceneMeshFile &file : SceneMeshFiles) {
        if (FAILED(LoadSceneMesh(file))) return failed(file.path);
        phaseDone();
    }
    PopulateScene(PlaceTrees(TreeCount, seed));
    phaseDone();
    if (FAILED(CreateSceneFont())) return failed("building the glyph atlas");
    phaseDone();
    RenderFrame();
    FinishGpu();
    phaseDone();
    return true;
}
