// Headless benchmark of the real scene along a fixed camera path with a
// fixed seed: start-up in phases, then every frame of the path through the
// layer (the program's frame with culling on and off, the same frame taken
// apart) and at once written in plain OpenGL on the same driver, with the
// well-known ways of hiding the occlusion queries' latency and a CPU
// rasteriser beside the program's own pass, each checked against its flags
// and every one scored against the truth: the trees that show a pixel when
// every tree is drawn.
//
// usage: occlusion-bench [FRAMES] [--csv FILE]   (run where Materials/ is)
//        occlusion-bench --sweep FRAMES [--csv FILE]   the forest at 30 .. 10 000 trees (sweep.h)
// Exits non-zero when the pass taken apart or the batched queries set flags
// unlike the program's pass, when a method that must be conservative (the
// depth pyramid, the CPU rasteriser) culls a tree that pass finds visible,
// when the truth does not explain the first frame's picture, when more than
// 1 % of the plain OpenGL frame's pixels differ from the layer's, or on an
// OpenGL error (with OC_GL_DEBUG=1).
#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/frame.h"
#include "methods/common.h"
#include "d3d9/gl_context.h"
#include "device/device.h"
#include "frame_breakdown.h"
#include "frame_images.h"
#include "frame_row.h"
#include "method_frame.h"
#include "methods/forest.h"
#include "methods/ground_truth.h"
#include "methods/hiz_pyramid.h"
#include "methods/methods.h"
#include "occlusion/occlusion.h"
#include "methods/plain_gl_scene.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "startup_phases.h"
#include "sweep.h"
#include "methods/strategies.h"

namespace {

// With OC_GL_DEBUG=1 the run is also a check: an OpenGL error fails it.
int GLErrors = 0;
void CountGLError(const char *message) {
    fprintf(stderr, "OpenGL error: %s\n", message);
    GLErrors++;
}

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

// The plain OpenGL ground, the methods that run on it, the same temporal
// method with its results used two and three frames late, and the truth.
struct GlMethods {
    GlScene scene;
    Methods methods;
    TemporalQueries lagged[2];
    GroundTruth truth;
    CpuOcclusion cpuOtherThreads;  // the CPU method's pass on the other thread count (1 or 2), beside it
};

// A method's frame against the program's exact flags and against the truth.
MethodScore Score(const MethodFrame &method, const std::vector<bool> &exact, const std::vector<int> &truth) {
    FlagComparison flags = CompareFlags(method.flags, exact);
    TruthScore score = ScoreAgainstTruth(method.flags, truth);
    return {method.pass,   method.frame,  flags.drawn, flags.wronglyCulled, flags.wronglyDrawn, flags.Differing(),
            score.missed, (int)score.missedPixels, score.wasted};
}

// The layer's figures that are not per-frame columns.
struct LayerTotals {
    std::vector<double> passOn, mainOn, passOff, mainOff, treesOn, passAlone;
    int breakdownDiffering = 0;
};

// Frame i of the path through the layer: the program's frame with culling on
// (whose flags are the reference) and off, the frame taken apart, the whole
// frame without text and the occlusion pass alone.
RecordedFrame MeasureLayerFrame(int i, int frames, FrameRow &row, LayerTotals &totals) {
    PlaceCamera(i, frames);
    FrameTimes on = RunFrame(true);
    RecordedFrame record;
    D3DXMATRIX view, projection;
    Device->GetTransform(D3DTS_VIEW, &view);
    Device->GetTransform(D3DTS_PROJECTION, &projection);
    record.viewProjection = view * projection;
    record.exact = VisibleFlags();
    FrameTimes off = RunFrame(false);
    totals.passOn.push_back(on.occlusion);
    totals.mainOn.push_back(on.main);
    totals.treesOn.push_back(on.trees);
    totals.passOff.push_back(off.occlusion);
    totals.mainOff.push_back(off.main);
    printf("%6d %12.2f %12.2f %6d %12.2f %6d\n", i, on.occlusion, on.main, on.trees, off.main, off.trees);

    UpdateCamera();
    FrameBreakdown parts = RunFrameInParts();
    totals.breakdownDiffering += CompareFlags(VisibleFlags(), record.exact).Differing();
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

    UpdateCamera();
    FinishGpu();
    Clock::time_point start = Clock::now();
    RunOcclusionPass();
    FinishGpu();
    totals.passAlone.push_back(Milliseconds(start, Clock::now()));
    return record;
}

// The same frame in plain OpenGL with each method, culling off included.
int MeasureGlFrame(GlMethods &gl, const RecordedFrame &frame, FrameRow &row) {
    GlScene &scene = gl.scene;
    const D3DXMATRIX &vp = frame.viewProjection;
    const std::vector<bool> everyTree(scene.worlds.size(), true);
    auto method = [&](Method m) { return RunMethod(gl.methods, m, scene, vp); };
    MethodFrame program = RunMethodFrame(scene, frame, [&] { return method(Method::Specified); });
    MethodFrame off = RunMethodFrame(scene, frame, [&] { return everyTree; });
    MethodFrame batch = RunMethodFrame(scene, frame, [&] { return method(Method::Batched); });
    MethodFrame reuse = RunMethodFrame(scene, frame, [&] { return method(Method::Temporal); });
    MethodFrame pyramid = RunMethodFrame(scene, frame, [&] { return method(Method::Hiz); });
    MethodFrame software = RunMethodFrame(scene, frame, [&] { return method(Method::Cpu); });
    MethodFrame lag2 = RunMethodFrame(scene, frame, [&] { return TemporalPassGl(scene, gl.lagged[0], vp); });
    MethodFrame lag3 = RunMethodFrame(scene, frame, [&] { return TemporalPassGl(scene, gl.lagged[1], vp); });
    FinishGpu();
    Clock::time_point start = Clock::now();
    CpuPass(gl.cpuOtherThreads, scene, vp);
    row.cpuPassOtherThreads = Milliseconds(start, Clock::now());

    // The truth is drawn after the timed frames, so it costs them nothing.
    std::vector<int> truth = GroundTruthPixels(scene, gl.truth, vp);
    for (int pixels : truth) row.truthVisible += pixels > 0;
    row.specified = Score(program, frame.exact, truth);
    row.batched = Score(batch, frame.exact, truth);
    row.temporal = Score(reuse, frame.exact, truth);
    row.hiz = Score(pyramid, frame.exact, truth);
    row.cpu = Score(software, frame.exact, truth);
    row.lag2 = Score(lag2, frame.exact, truth);
    row.lag3 = Score(lag3, frame.exact, truth);
    row.glFrame = program.frame;
    row.offFrame = off.frame;
    return row.specified.differing;
}

// The truth shown on the picture itself: every pixel where the frame drawn
// with the program's flags differs from the frame with every tree must lie
// on a tree the truth finds there and the pass culled.
struct PictureCheck {
    int differing = 0, unexplained = 0;
};

PictureCheck CheckTruthPicture(GlMethods &gl, const RecordedFrame &frame) {
    std::vector<bool> flags = ProgramPassGl(gl.scene, frame.viewProjection);
    GroundTruthPixels(gl.scene, gl.truth, frame.viewProjection);
    MainSceneGl(gl.scene, frame, std::vector<bool>(gl.scene.worlds.size(), true));
    FinishGpu();
    std::vector<uint32_t> full = ReadGlMainTarget(gl.scene);
    MainSceneGl(gl.scene, frame, flags);
    FinishGpu();
    std::vector<uint32_t> culled = ReadGlMainTarget(gl.scene);
    PictureCheck check;
    for (size_t i = 0; i < full.size() && i < gl.truth.pixels.size(); ++i) {
        if (full[i] == culled[i]) continue;
        ++check.differing;
        uint32_t id = gl.truth.pixels[i];
        check.unexplained += id == 0 || flags[id - 1];
    }
    return check;
}

// A column of the rows: a field of the row, or of one method's score.
template <typename T> std::vector<double> ValuesOf(const std::vector<FrameRow> &rows, T FrameRow::*field) {
    std::vector<double> values;
    for (const FrameRow &row : rows) values.push_back(row.*field);
    return values;
}

template <typename T>
std::vector<double> ValuesOf(const std::vector<FrameRow> &rows, MethodScore FrameRow::*method, T MethodScore::*field) {
    std::vector<double> values;
    for (const FrameRow &row : rows) values.push_back(row.*method.*field);
    return values;
}

template <typename... Field> double MeanOf(const std::vector<FrameRow> &rows, Field... field) {
    return Mean(ValuesOf(rows, field...));
}

template <typename... Field> double MedianOf(const std::vector<FrameRow> &rows, Field... field) {
    std::vector<double> values = ValuesOf(rows, field...);
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char **argv) {
    int frames = 40;
    std::string csvPath;
    bool sweep = false;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--csv") == 0 && i + 1 < argc)
            csvPath = argv[++i];
        else if (strcmp(argv[i], "--sweep") == 0)
            sweep = true;
        else if (char *end; (frames = (int)strtol(argv[i], &end, 10)) < 1 || *end) {
            fprintf(stderr, "occlusion-bench: '%s' is not a frame count\n"
                            "usage: occlusion-bench [FRAMES] [--csv FILE]\n"
                            "       occlusion-bench --sweep FRAMES [--csv FILE]\n", argv[i]);
            return 2;
        }
    }

    const char *debug = getenv("OC_GL_DEBUG");
    if (debug && *debug && strcmp(debug, "0") != 0) SetGLErrorHandler(CountGLError);
    std::vector<StartupPhase> startup;
    if (!StartUpTimed(startup)) return 1;
    const GLubyte *renderer = glGetString(GL_RENDERER);
    printf("renderer: %s\nback buffer: %ux%u, trees: %zu, frames: %d\n", renderer ? (const char *)renderer : "?",
           PresentParameters.BackBufferWidth, PresentParameters.BackBufferHeight, SceneObjects.size(), frames);
    if (sweep) return RunSweep(frames, csvPath);

    // Warm up shader variants and textures through the layer, and keep the
    // first frame's picture without the statistics text.
    PlaceCamera(0, frames);
    RunFrame(true);
    RunFrame(false);
    RunFrameInParts();
    UpdateCamera();
    RunLayerFrame();
    std::vector<uint32_t> layerPicture = ReadLayerBackBuffer();
    RecordedFrame first;
    {
        D3DXMATRIX view, projection;
        Device->GetTransform(D3DTS_VIEW, &view);
        Device->GetTransform(D3DTS_PROJECTION, &projection);
        first.viewProjection = view * projection;
        first.exact = VisibleFlags();
    }

    std::vector<D3DXMATRIX> objectWorlds;
    for (SceneObject &object : SceneObjects) objectWorlds.push_back(object.world);
    std::string error;
    ContextPair contexts;
    GlMethods gl;
    if (!MakePlainContext(contexts, error) || !LoadGlScene(gl.scene, objectWorlds, error) ||
        !CreateMethods(gl.methods, gl.scene, error) || !CreateGroundTruth(gl.truth, 1024, 768, error) ||
        !CreateCpuOcclusion(gl.cpuOtherThreads, gl.scene, CpuOcclusionThreads == 1 ? 2 : 1, error)) {
        fprintf(stderr, "occlusion-bench: plain OpenGL: %s\n", error.c_str());
        return 1;
    }
    for (int k = 0; k < 2; ++k) {
        CreateTemporalQueries(gl.lagged[k], objectWorlds.size());
        gl.lagged[k].lag = k + 2;
    }
    // The forest any tree count is built from is the program's at 300.
    bool forestMatches = ForestWorlds((int)objectWorlds.size()) == objectWorlds;
    printf("plain OpenGL: %s, %s\n", (const char *)glGetString(GL_VERSION), (const char *)glGetString(GL_RENDERER));
    // The same picture in plain OpenGL; then every method warmed up once and
    // the temporal one started afresh.
    MainSceneGl(gl.scene, first, first.exact);
    FinishGpu();
    std::vector<uint32_t> glPicture = ReadGlMainTarget(gl.scene);
    FrameRow ignored;
    MeasureGlFrame(gl, first, ignored);
    PictureCheck picture = CheckTruthPicture(gl, first);
    gl.methods.temporal.frame = gl.methods.temporal.unavailable = 0;
    for (TemporalQueries &lagged : gl.lagged) lagged.frame = lagged.unavailable = 0;
    UseLayerContext(contexts);

    // Each frame of the path through the layer, then at once the same frame
    // in plain OpenGL, so both meet the same load on a shared machine.
    LayerTotals totals;
    std::vector<FrameRow> rows(frames);
    int mismatched = 0;
    printf("%6s %12s %12s %6s %12s %6s\n", "frame", "pass_on_ms", "main_on_ms", "trees", "main_off_ms", "trees");
    for (int i = 0; i < frames; ++i) {
        RecordedFrame frame = MeasureLayerFrame(i, frames, rows[i], totals);
        UsePlainContext(contexts);
        mismatched += MeasureGlFrame(gl, frame, rows[i]);
        UseLayerContext(contexts);
    }

    if (getenv("OC_BENCH_PICTURES")) {
        SavePpm(layerPicture, 1024, 768, "bench-layer.ppm");
        SavePpm(glPicture, 1024, 768, "bench-gl.ppm");
    }
    int picturesDiffering = CountDifferingPixels(layerPicture, glPicture, 2);

    double frameOn = Mean(totals.passOn) + Mean(totals.mainOn), frameOff = Mean(totals.passOff) + Mean(totals.mainOff);
    double passParts = MeanOf(rows, &FrameRow::depthFill) + MeanOf(rows, &FrameRow::queryDraws) +
                       MeanOf(rows, &FrameRow::queryWait) + MeanOf(rows, &FrameRow::passEnd);
    int batchedDiffering = 0, hizMissed = 0;
    std::vector<double> temporalDiffering;
    for (const FrameRow &row : rows) {
        batchedDiffering += row.batched.differing;
        hizMissed += row.hiz.wronglyCulled;
        temporalDiffering.push_back(row.temporal.differing);
    }
    double startupMs = 0;
    for (const StartupPhase &phase : startup) startupMs += phase.ms;

    printf("\n");
    printf("occlusion_pass_ms_layer: %.3f\n", Mean(totals.passAlone));
    printf("occlusion_pass_ms_gl: %.3f\n", MeanOf(rows, &FrameRow::specified, &MethodScore::pass));
    printf("layer_vs_gl: %.3f\n", Mean(totals.passAlone) / MeanOf(rows, &FrameRow::specified, &MethodScore::pass));
    printf("flags_differing_from_gl: %d\n", mismatched);
    printf("main_pass_ms_cull_on: %.3f\n", Mean(totals.mainOn));
    printf("main_pass_ms_cull_off: %.3f\n", Mean(totals.mainOff));
    printf("frame_ms_cull_on: %.3f\n", frameOn);
    printf("frame_ms_cull_off: %.3f\n", frameOff);
    printf("cull_on_vs_off: %.3f\n", frameOn / frameOff);
    printf("trees_drawn_mean: %.1f\n", Mean(totals.treesOn));
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
    printf("breakdown_flags_differing: %d\n", totals.breakdownDiffering);
    printf("frame_ms_layer: %.3f\n", MeanOf(rows, &FrameRow::layerFrame));
    printf("frame_ms_gl: %.3f\n", MeanOf(rows, &FrameRow::glFrame));
    printf("frame_pixels_differing_from_gl: %d\n", picturesDiffering);
    printf("frame_layer_vs_gl: %.3f\n", MeanOf(rows, &FrameRow::layerFrame) / MeanOf(rows, &FrameRow::glFrame));
    printf("pass_ms_specified: %.3f\n", MeanOf(rows, &FrameRow::specified, &MethodScore::pass));
    printf("frame_ms_specified: %.3f\n", MeanOf(rows, &FrameRow::specified, &MethodScore::frame));
    printf("pass_ms_batched: %.3f\n", MeanOf(rows, &FrameRow::batched, &MethodScore::pass));
    printf("frame_ms_batched: %.3f\n", MeanOf(rows, &FrameRow::batched, &MethodScore::frame));
    printf("batched_flags_differing: %d\n", batchedDiffering);
    printf("pass_ms_temporal: %.3f\n", MeanOf(rows, &FrameRow::temporal, &MethodScore::pass));
    printf("frame_ms_temporal: %.3f\n", MeanOf(rows, &FrameRow::temporal, &MethodScore::frame));
    printf("temporal_flags_differing_mean: %.2f\n", Mean(temporalDiffering));
    printf("temporal_wrongly_culled_mean: %.2f\n", MeanOf(rows, &FrameRow::temporal, &MethodScore::wronglyCulled));
    printf("temporal_wrongly_drawn_mean: %.2f\n", MeanOf(rows, &FrameRow::temporal, &MethodScore::wronglyDrawn));
    printf("temporal_results_not_ready: %d\n", gl.methods.temporal.unavailable);
    printf("pass_ms_hiz: %.3f\n", MeanOf(rows, &FrameRow::hiz, &MethodScore::pass));
    printf("frame_ms_hiz: %.3f\n", MeanOf(rows, &FrameRow::hiz, &MethodScore::frame));
    printf("hiz_visible_missed: %d\n", hizMissed);
    printf("hiz_extra_drawn_mean: %.2f\n", MeanOf(rows, &FrameRow::hiz, &MethodScore::wronglyDrawn));
    printf("frame_ms_gl_cull_off: %.3f\n", MeanOf(rows, &FrameRow::offFrame));
    int cpuMissed = 0, framesHidingVisible = 0;
    for (const FrameRow &row : rows) {
        cpuMissed += row.cpu.wronglyCulled;
        framesHidingVisible += row.specified.missedTruth > 0;
    }
    printf("pass_ms_cpu: %.3f\n", MeanOf(rows, &FrameRow::cpu, &MethodScore::pass));
    printf("frame_ms_cpu: %.3f\n", MeanOf(rows, &FrameRow::cpu, &MethodScore::frame));
    printf("cpu_threads: %d\n", gl.methods.cpu.threads);
    printf("cpu_other_threads: %d\n", gl.cpuOtherThreads.threads);
    printf("pass_ms_cpu_other_threads: %.3f\n", MeanOf(rows, &FrameRow::cpuPassOtherThreads));
    printf("cpu_visible_missed: %d\n", cpuMissed);
    printf("cpu_extra_drawn_mean: %.2f\n", MeanOf(rows, &FrameRow::cpu, &MethodScore::wronglyDrawn));
    printf("cpu_drawn_mean: %.1f\n", MeanOf(rows, &FrameRow::cpu, &MethodScore::drawn));
    printf("forest_matches_program: %d\n", forestMatches ? 1 : 0);
    printf("truth_visible_mean: %.1f\n", MeanOf(rows, &FrameRow::truthVisible));
    printf("truth_picture_pixels_differing: %d\n", picture.differing);
    printf("truth_picture_pixels_unexplained: %d\n", picture.unexplained);
    printf("specified_frames_hiding_visible: %d of %d\n", framesHidingVisible, frames);
    const std::pair<const char *, MethodScore FrameRow::*> scored[] = {
        {"specified", &FrameRow::specified}, {"batched", &FrameRow::batched},     {"temporal", &FrameRow::temporal},
        {"hiz", &FrameRow::hiz},             {"cpu", &FrameRow::cpu},             {"temporal_lag2", &FrameRow::lag2},
        {"temporal_lag3", &FrameRow::lag3}};
    for (const auto &[name, method] : scored) {
        printf("%s_missed_truth_mean: %.2f\n", name, MeanOf(rows, method, &MethodScore::missedTruth));
        printf("%s_missed_pixels_mean: %.1f\n", name, MeanOf(rows, method, &MethodScore::missedPixels));
        printf("%s_wasted_mean: %.2f\n", name, MeanOf(rows, method, &MethodScore::wasted));
    }
    // Medians, which a shared machine's stalls move less than the means.
    for (const auto &[name, method] : scored)
        printf("pass_ms_median_%s: %.3f\n", name, MedianOf(rows, method, &MethodScore::pass));
    printf("pass_ms_median_cpu_other_threads: %.3f\n", MedianOf(rows, &FrameRow::cpuPassOtherThreads));
    for (const auto &[name, method] : scored)
        printf("frame_ms_median_%s: %.3f\n", name, MedianOf(rows, method, &MethodScore::frame));
    printf("frame_ms_median_off: %.3f\n", MedianOf(rows, &FrameRow::offFrame));
    printf("frame_ms_temporal_lag2: %.3f\n", MeanOf(rows, &FrameRow::lag2, &MethodScore::frame));
    printf("frame_ms_temporal_lag3: %.3f\n", MeanOf(rows, &FrameRow::lag3, &MethodScore::frame));
    for (const StartupPhase &phase : startup) printf("startup_%s_ms: %.3f\n", phase.name.c_str(), phase.ms);
    printf("startup_ms: %.3f\n", startupMs);

    bool agreed = true;
    if (!csvPath.empty() && !WriteFrameCsv(csvPath, rows)) agreed = false;
    if (totals.breakdownDiffering != 0) {
        fprintf(stderr, "occlusion-bench: the pass taken apart set %d flags unlike the program's pass\n",
                totals.breakdownDiffering);
        agreed = false;
    }
    if (batchedDiffering != 0) {
        fprintf(stderr, "occlusion-bench: the batched queries gave %d flags unlike the program's pass\n",
                batchedDiffering);
        agreed = false;
    }
    // The plain OpenGL frame stands for the layer's only if it is the same
    // picture. Where the layer's tie-rule probe finds a driver breaking ties
    // the other way, the layer moves geometry 1/256 pixel less on that axis
    // and the plain OpenGL frame does not, so pixels on edges may fall
    // otherwise: up to 1 % of the picture may differ (on llvmpipe none does).
    if (picturesDiffering > (int)layerPicture.size() / 100) {
        fprintf(stderr, "occlusion-bench: the plain OpenGL frame differs from the layer's in %d pixels\n",
                picturesDiffering);
        agreed = false;
    }
    if (hizMissed != 0) {
        fprintf(stderr, "occlusion-bench: the depth pyramid culled %d trees the program's pass finds visible\n",
                hizMissed);
        agreed = false;
    }
    if (cpuMissed != 0) {
        fprintf(stderr, "occlusion-bench: the CPU method culled %d trees the program's pass finds visible\n", cpuMissed);
        agreed = false;
    }
    if (picture.unexplained != 0 || !forestMatches) {
        fprintf(stderr, "occlusion-bench: the truth does not explain %d pixels of the first frame%s\n",
                picture.unexplained, forestMatches ? "" : ", and the rebuilt forest is not the program's");
        agreed = false;
    }
    if (GLErrors > 0) {
        fprintf(stderr, "occlusion-bench: %d OpenGL errors\n", GLErrors);
        agreed = false;
    }
    return agreed ? 0 : 1;
}
