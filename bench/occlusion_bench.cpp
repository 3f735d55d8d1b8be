// Headless benchmark of the real scene along a fixed camera path with a
// fixed seed. Through the layer: start-up in phases, the program's frame
// with culling on and off, and the same frame taken apart. Then, once the
// device is gone, the same frames written in plain OpenGL on the same
// driver, and beside the specified occlusion pass the well-known ways of
// hiding its latency, each checked against the specified pass's flags.
//
// usage: occlusion-bench [FRAMES] [--csv FILE]   (run where Materials/ is)
// Exits non-zero when a method that must agree with the specified pass
// does not, or when a method that must be conservative loses a tree.
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/frame.h"
#include "bench_common.h"
#include "device/device.h"
#include "frame_breakdown.h"
#include "frame_images.h"
#include "frame_row.h"
#include "hiz_pyramid.h"
#include "occlusion/occlusion.h"
#include "plain_gl_scene.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "startup_phases.h"
#include "strategies.h"

namespace {

struct FrameTimes {
    double occlusion = 0, main = 0;
    int trees = 0;
};

// The program's own frame (its pass and its main scene), culling on or off.
FrameTimes RunFrame(bool culling) {
    FrameTimes times;
    FrameCounters.verticesRendered = 0;
    FrameCounters.objectsRendered = 0;
    UpdateCamera();
    FinishGpu();
    Clock::time_point start = Clock::now();
    if (culling) {
        RunOcclusionPass();
    } else {
        for (SceneObject &object : SceneObjects) object.visible = true;
    }
    FinishGpu();
    Clock::time_point afterPass = Clock::now();
    DrawMainScene();
    Device->Present(NULL, NULL, NULL, NULL);
    FinishGpu();
    Clock::time_point end = Clock::now();
    times.occlusion = Milliseconds(start, afterPass);
    times.main = Milliseconds(afterPass, end);
    times.trees = FrameCounters.objectsRendered;
    return times;
}

std::vector<bool> VisibleFlags() {
    std::vector<bool> flags;
    for (SceneObject &object : SceneObjects) flags.push_back(object.visible);
    return flags;
}

// One method's frame in plain OpenGL: the time until its flags are known
// (when the main scene can start) and the whole frame.
struct MethodFrame {
    double pass = 0, frame = 0;
    std::vector<bool> flags;
};

MethodFrame RunMethodFrame(GlScene &scene, const RecordedFrame &recorded,
                           const std::function<std::vector<bool>()> &pass) {
    MethodFrame result;
    FinishGpu();
    Clock::time_point start = Clock::now();
    result.flags = pass();
    Clock::time_point flagsKnown = Clock::now();
    MainSceneGl(scene, recorded, result.flags);
    FinishGpu();
    result.pass = Milliseconds(start, flagsKnown);
    result.frame = Milliseconds(start, Clock::now());
    return result;
}

template <typename T>
double MeanOf(const std::vector<FrameRow> &rows, T FrameRow::*field) {
    std::vector<double> values;
    for (const FrameRow &row : rows) values.push_back(row.*field);
    return Mean(values);
}

}  // namespace

int main(int argc, char **argv) {
    int frames = 40;
    std::string csvPath;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--csv") == 0 && i + 1 < argc)
            csvPath = argv[++i];
        else
            frames = atoi(argv[i]);
    }
    if (frames < 1) frames = 1;

    std::vector<StartupPhase> startup;
    if (!StartUpTimed(startup)) return 1;
    const GLubyte *renderer = glGetString(GL_RENDERER);
    printf("renderer: %s\nback buffer: %ux%u, trees: %zu, frames: %d\n", renderer ? (const char *)renderer : "?",
           PresentParameters.BackBufferWidth, PresentParameters.BackBufferHeight, SceneObjects.size(), frames);

    // Warm up shader variants and textures.
    PlaceCamera(0, frames);
    RunFrame(true);
    RunFrame(false);
    RunFrameInParts();

    std::vector<double> passOn, mainOn, passOff, mainOff, treesOn;
    std::vector<RecordedFrame> recorded;
    std::vector<FrameRow> rows(frames);
    int breakdownDiffering = 0;
    printf("%6s %12s %12s %6s %12s %6s\n", "frame", "pass_on_ms", "main_on_ms", "trees", "main_off_ms", "trees");
    for (int i = 0; i < frames; ++i) {
        PlaceCamera(i, frames);
        FrameTimes on = RunFrame(true);
        RecordedFrame record;
        D3DXMATRIX view, projection;
        Device->GetTransform(D3DTS_VIEW, &view);
        Device->GetTransform(D3DTS_PROJECTION, &projection);
        record.viewProjection = view * projection;
        record.exact = VisibleFlags();
        recorded.push_back(record);
        FrameTimes off = RunFrame(false);
        passOn.push_back(on.occlusion);
        mainOn.push_back(on.main);
        treesOn.push_back(on.trees);
        passOff.push_back(off.occlusion);
        mainOff.push_back(off.main);
        printf("%6d %12.2f %12.2f %6d %12.2f %6d\n", i, on.occlusion, on.main, on.trees, off.main, off.trees);

        UpdateCamera();
        FrameBreakdown parts = RunFrameInParts();
        breakdownDiffering += CompareFlags(VisibleFlags(), record.exact).Differing();
        FrameRow &row = rows[i];
        row.frame = i;
        row.treesExact = on.trees;
        row.depthFill = parts.depthFill;
        row.queryDraws = parts.queryDraws;
        row.queryWait = parts.queryWait;
        row.passEnd = parts.passEnd;
        row.skyTerrain = parts.skyTerrain;
        row.trees = parts.trees;
        row.overlay = parts.overlay;
        row.present = parts.present;
        UpdateCamera();
        row.layerFrame = RunLayerFrame();
    }

    // The occlusion pass alone along the same path, as the plain OpenGL
    // version runs below: nothing else in between.
    std::vector<double> passLayer;
    for (int i = 0; i < frames; ++i) {
        PlaceCamera(i, frames);
        UpdateCamera();
        FinishGpu();
        Clock::time_point start = Clock::now();
        RunOcclusionPass();
        FinishGpu();
        passLayer.push_back(Milliseconds(start, Clock::now()));
    }

    // The first frame's picture through the layer, without the statistics
    // text, to hold the plain OpenGL one against.
    PlaceCamera(0, frames);
    UpdateCamera();
    RunLayerFrame();
    std::vector<uint32_t> layerPicture = ReadLayerBackBuffer();

    // The same frames in plain OpenGL, in a context of its own, once the
    // device is gone.
    std::vector<D3DXMATRIX> objectWorlds;
    for (SceneObject &object : SceneObjects) objectWorlds.push_back(object.world);
    ReleaseAll();
    std::string error;
    GlScene scene;
    BatchedQueries batched;
    TemporalQueries temporal;
    HizPyramid hiz;
    if (!MakePlainContext(error) || !LoadGlScene(scene, objectWorlds, error) ||
        !CreateHizPyramid(hiz, objectWorlds.size(), error)) {
        fprintf(stderr, "occlusion-bench: plain OpenGL: %s\n", error.c_str());
        return 1;
    }
    CreateBatchedQueries(batched, objectWorlds.size());
    CreateTemporalQueries(temporal, objectWorlds.size());
    const GLubyte *plainRenderer = glGetString(GL_RENDERER);
    printf("plain OpenGL: %s, %s\n", (const char *)glGetString(GL_VERSION),
           plainRenderer ? (const char *)plainRenderer : "?");

    const std::vector<bool> everyTree(objectWorlds.size(), true);
    int mismatched = 0;
    // Warm up every method's shaders once, then start the temporal method afresh.
    const D3DXMATRIX &firstView = recorded[0].viewProjection;
    RunMethodFrame(scene, recorded[0], [&] { return SpecifiedPassGl(scene, firstView); });
    RunMethodFrame(scene, recorded[0], [&] { return BatchedPassGl(scene, batched, firstView); });
    RunMethodFrame(scene, recorded[0], [&] { return TemporalPassGl(scene, temporal, firstView); });
    RunMethodFrame(scene, recorded[0], [&] { return HizPassGl(scene, hiz, firstView); });
    temporal.frame = temporal.unavailable = 0;
    for (int i = 0; i < frames; ++i) {
        const RecordedFrame &frame = recorded[i];
        const D3DXMATRIX &vp = frame.viewProjection;
        MethodFrame specified = RunMethodFrame(scene, frame, [&] { return SpecifiedPassGl(scene, vp); });
        MethodFrame off = RunMethodFrame(scene, frame, [&] { return everyTree; });
        MethodFrame batch = RunMethodFrame(scene, frame, [&] { return BatchedPassGl(scene, batched, vp); });
        MethodFrame reuse = RunMethodFrame(scene, frame, [&] { return TemporalPassGl(scene, temporal, vp); });
        MethodFrame pyramid = RunMethodFrame(scene, frame, [&] { return HizPassGl(scene, hiz, vp); });
        FrameRow &row = rows[i];
        mismatched += CompareFlags(specified.flags, frame.exact).Differing();
        row.glFrame = specified.frame;
        row.specifiedPass = specified.pass;
        row.specifiedFrame = specified.frame;
        row.offFrame = off.frame;
        row.batchedPass = batch.pass;
        row.batchedFrame = batch.frame;
        row.batchedDiffering = CompareFlags(batch.flags, frame.exact).Differing();
        FlagComparison t = CompareFlags(reuse.flags, frame.exact);
        row.temporalPass = reuse.pass;
        row.temporalFrame = reuse.frame;
        row.temporalDrawn = t.drawn;
        row.temporalWronglyCulled = t.wronglyCulled;
        row.temporalWronglyDrawn = t.wronglyDrawn;
        FlagComparison h = CompareFlags(pyramid.flags, frame.exact);
        row.hizPass = pyramid.pass;
        row.hizFrame = pyramid.frame;
        row.hizDrawn = h.drawn;
        row.hizMissed = h.wronglyCulled;
        row.hizExtra = h.wronglyDrawn;
    }

    MainSceneGl(scene, recorded[0], recorded[0].exact);
    FinishGpu();
    std::vector<uint32_t> glPicture = ReadGlMainTarget(scene);
    if (getenv("OC_BENCH_PICTURES")) {
        SavePpm(layerPicture, 1024, 768, "bench-layer.ppm");
        SavePpm(glPicture, 1024, 768, "bench-gl.ppm");
    }
    int picturesDiffering = CountDifferingPixels(layerPicture, glPicture, 2);

    double frameOn = Mean(passOn) + Mean(mainOn), frameOff = Mean(passOff) + Mean(mainOff);
    double passParts = MeanOf(rows, &FrameRow::depthFill) + MeanOf(rows, &FrameRow::queryDraws) +
                       MeanOf(rows, &FrameRow::queryWait) + MeanOf(rows, &FrameRow::passEnd);
    int batchedDiffering = 0, hizMissed = 0;
    std::vector<double> temporalDiffering;
    for (const FrameRow &row : rows) {
        batchedDiffering += row.batchedDiffering;
        hizMissed += row.hizMissed;
        temporalDiffering.push_back(row.temporalWronglyCulled + row.temporalWronglyDrawn);
    }
    double startupMs = 0;
    for (const StartupPhase &phase : startup) startupMs += phase.ms;

    printf("\n");
    printf("occlusion_pass_ms_layer: %.3f\n", Mean(passLayer));
    printf("occlusion_pass_ms_gl: %.3f\n", MeanOf(rows, &FrameRow::specifiedPass));
    printf("layer_vs_gl: %.3f\n", Mean(passLayer) / MeanOf(rows, &FrameRow::specifiedPass));
    printf("flags_differing_from_gl: %d\n", mismatched);
    printf("main_pass_ms_cull_on: %.3f\n", Mean(mainOn));
    printf("main_pass_ms_cull_off: %.3f\n", Mean(mainOff));
    printf("frame_ms_cull_on: %.3f\n", frameOn);
    printf("frame_ms_cull_off: %.3f\n", frameOff);
    printf("cull_on_vs_off: %.3f\n", frameOn / frameOff);
    printf("trees_drawn_mean: %.1f\n", Mean(treesOn));
    printf("fps_cull_on: %.1f\n", 1000.0 / frameOn);
    printf("fps_cull_off: %.1f\n", 1000.0 / frameOff);

    printf("depth_fill_ms: %.3f\n", MeanOf(rows, &FrameRow::depthFill));
    printf("query_draws_ms: %.3f\n", MeanOf(rows, &FrameRow::queryDraws));
    printf("query_wait_ms: %.3f\n", MeanOf(rows, &FrameRow::queryWait));
    printf("query_wait_share: %.3f\n", MeanOf(rows, &FrameRow::queryWait) / passParts);
    printf("sky_terrain_ms: %.3f\n", MeanOf(rows, &FrameRow::skyTerrain));
    printf("trees_ms: %.3f\n", MeanOf(rows, &FrameRow::trees));
    printf("overlay_ms: %.3f\n", MeanOf(rows, &FrameRow::overlay));
    printf("present_ms: %.3f\n", MeanOf(rows, &FrameRow::present));
    printf("breakdown_flags_differing: %d\n", breakdownDiffering);
    printf("frame_ms_layer: %.3f\n", MeanOf(rows, &FrameRow::layerFrame));
    printf("frame_ms_gl: %.3f\n", MeanOf(rows, &FrameRow::glFrame));
    printf("frame_pixels_differing_from_gl: %d\n", picturesDiffering);
    printf("frame_layer_vs_gl: %.3f\n", MeanOf(rows, &FrameRow::layerFrame) / MeanOf(rows, &FrameRow::glFrame));
    printf("pass_ms_specified: %.3f\n", MeanOf(rows, &FrameRow::specifiedPass));
    printf("frame_ms_specified: %.3f\n", MeanOf(rows, &FrameRow::specifiedFrame));
    printf("pass_ms_batched: %.3f\n", MeanOf(rows, &FrameRow::batchedPass));
    printf("frame_ms_batched: %.3f\n", MeanOf(rows, &FrameRow::batchedFrame));
    printf("batched_flags_differing: %d\n", batchedDiffering);
    printf("pass_ms_temporal: %.3f\n", MeanOf(rows, &FrameRow::temporalPass));
    printf("frame_ms_temporal: %.3f\n", MeanOf(rows, &FrameRow::temporalFrame));
    printf("temporal_flags_differing_mean: %.2f\n", Mean(temporalDiffering));
    printf("temporal_wrongly_culled_mean: %.2f\n", MeanOf(rows, &FrameRow::temporalWronglyCulled));
    printf("temporal_wrongly_drawn_mean: %.2f\n", MeanOf(rows, &FrameRow::temporalWronglyDrawn));
    printf("temporal_results_not_ready: %d\n", temporal.unavailable);
    printf("pass_ms_hiz: %.3f\n", MeanOf(rows, &FrameRow::hizPass));
    printf("frame_ms_hiz: %.3f\n", MeanOf(rows, &FrameRow::hizFrame));
    printf("hiz_visible_missed: %d\n", hizMissed);
    printf("hiz_extra_drawn_mean: %.2f\n", MeanOf(rows, &FrameRow::hizExtra));
    printf("frame_ms_gl_cull_off: %.3f\n", MeanOf(rows, &FrameRow::offFrame));
    for (const StartupPhase &phase : startup) printf("startup_%s_ms: %.3f\n", phase.name.c_str(), phase.ms);
    printf("startup_ms: %.3f\n", startupMs);

    bool agreed = true;
    if (!csvPath.empty() && !WriteFrameCsv(csvPath, rows)) agreed = false;
    if (breakdownDiffering != 0) {
        fprintf(stderr, "occlusion-bench: the pass taken apart set %d flags unlike the program's pass\n",
                breakdownDiffering);
        agreed = false;
    }
    if (batchedDiffering != 0) {
        fprintf(stderr, "occlusion-bench: the batched queries gave %d flags unlike the specified pass\n",
                batchedDiffering);
        agreed = false;
    }
    // The plain OpenGL frame stands for the layer's only if it is the same
    // picture; a few edge pixels may fall otherwise on another driver.
    if (picturesDiffering > (int)layerPicture.size() / 100) {
        fprintf(stderr, "occlusion-bench: the plain OpenGL frame differs from the layer's in %d pixels\n",
                picturesDiffering);
        agreed = false;
    }
    if (hizMissed != 0) {
        fprintf(stderr, "occlusion-bench: the depth pyramid culled %d trees the specified pass finds visible\n",
                hizMissed);
        agreed = false;
    }
    return agreed ? 0 : 1;
}
