// Headless benchmark of the real scene along a camera path: start-up step
// by step, then every frame of the path through the layer (the program's
// frame with culling on and off, the same frame taken apart) and at once in
// plain OpenGL on the same driver, where every culling method of
// src/methods takes its turn, each timed by one model (submit, wait, GPU,
// frame: methods/timing.h), checked against plain OpenGL's stop-and-wait
// flags of the same frame and scored against the truth: the trees that
// show a pixel when every tree is drawn.
//
// usage: occlusion-bench [FRAMES | --path FILE] [--seed N] [--csv FILE]   (run where Materials/ is)
//        occlusion-bench [FRAMES | --path FILE] --trees N ...   the methods alone, on N trees
//        occlusion-bench --sweep [FRAMES | --path FILE] [--seed N] [--csv FILE]   (sweep.h)
//        occlusion-bench --keys   the summary's keys, units and meanings, and the CSV's columns
// Exits 2 on a bad argument or path file, 1 when start-up fails or a check
// of the run fails (Verdict below), or on an OpenGL error (with OC_GL_DEBUG set).
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench_run.h"
#include "gl_errors.h"
#include "machine.h"
#include "methods/forest.h"
#include "methods/ground_truth.h"
#include "methods/plain_context.h"
#include "options.h"
#include "pictures.h"
#include "scene/scene.h"
#include "summary.h"
#include "sweep.h"

namespace {

int GLErrors = 0;
void CountGLError(const char *message) {
    fprintf(stderr, "OpenGL error: %s\n", message);
    GLErrors++;
}


// The plain OpenGL side of the run: its context, the scene, each
// contender's state, the program's pass timed as the layer's is, the truth.
struct GlSide {
    ContextPair contexts;
    GlScene scene;
    ContenderStates contenders;
    TreeQueries programQueries;
    GroundTruth truth;
};

// Made with the layer's context current, which it leaves current. The
// forest is the program's, or with --trees one of that many trees at the
// program's density.
bool OpenGlSide(GlSide &gl, const BenchOptions &options, BenchRun &run) {
    std::vector<D3DXMATRIX> worlds;
    if (options.trees)
        worlds = ForestWorlds(options.trees, options.seed, ConstantDensitySpread(options.trees));
    else
        for (SceneObject &object : SceneObjects) worlds.push_back(object.world);
    std::string error;
    if (!MakePlainContext(gl.contexts, error, GlDebugWanted() ? CountGLError : nullptr) ||
        !LoadGlScene(gl.scene, worlds, error) ||
        !CreateContenders(gl.contenders, gl.scene, error) ||
        !CreateGroundTruth(gl.truth, MainTargetWidth, MainTargetHeight, error)) {
        fprintf(stderr, "occlusion-bench: plain OpenGL: %s\n", error.c_str());
        return false;
    }
    CreateTreeQueries(gl.programQueries, worlds.size());
    run.header = DescribeMachine();
    run.header.push_back("seed: " + std::to_string(options.seed));
    run.header.push_back("path: " + PathName(options));
    run.header.push_back("trees: " + std::to_string(worlds.size()));
    if (!run.withLayer) run.header.push_back("layer: not run (the methods alone, on --trees)");
    for (const std::string &line : run.header) printf("%s\n", line.c_str());
    UseLayerContext(gl.contexts);
    return true;
}

// The truth shown on the picture itself: every pixel where the frame drawn
// with stop-and-wait's flags differs from the frame with every tree must
// lie on a tree the truth finds there and stop-and-wait culled.
void CheckTruthPicture(GlSide &gl, const D3DXMATRIX &viewProjection, BenchRun &run) {
    CullTimer timer;
    timer.gpuSpans = false;
    std::vector<bool> flags = StopAndWaitPass(gl.scene, gl.programQueries, viewProjection, timer);
    GroundTruthPixels(gl.scene, gl.truth, viewProjection);
    MainSceneGl(gl.scene, viewProjection, std::vector<bool>(gl.scene.worlds.size(), true));
    FinishGpu();
    std::vector<uint32_t> full = ReadGlMainTarget(gl.scene);
    MainSceneGl(gl.scene, viewProjection, flags);
    FinishGpu();
    std::vector<uint32_t> culled = ReadGlMainTarget(gl.scene);
    for (size_t i = 0; i < full.size() && i < gl.truth.pixels.size(); ++i) {
        if (full[i] == culled[i]) continue;
        ++run.truthPictureDiffering;
        uint32_t id = gl.truth.pixels[i];
        run.truthPictureUnexplained += id == 0 || flags[id - 1];
    }
}

// The program's frame in plain OpenGL, timed as the layer's frame is:
// between boundaries, without timer queries, one draw call a tree as the
// program makes them. Returns its flags.
std::vector<bool> MeasureProgramFrameGl(GlSide &gl, const D3DXMATRIX &viewProjection, FrameRow &row) {
    CullTimer timer;
    timer.gpuSpans = false;
    gl.scene.oneDrawATree = true;
    FinishGpu();
    Clock::time_point start = Clock::now();
    std::vector<bool> flags = StopAndWaitPass(gl.scene, gl.programQueries, viewProjection, timer);
    row.glPass = Milliseconds(start, Clock::now());
    MainSceneGl(gl.scene, viewProjection, flags);
    FinishGpu();
    row.glFrame = Milliseconds(start, Clock::now());
    gl.scene.oneDrawATree = false;
    return flags;
}

// The same frame in plain OpenGL: the program's frame (where the layer ran
// it: `layerFlags`), then each contender, then the truth (drawn after the
// timed frames, so it costs them nothing) and the scores against it and
// against stop-and-wait's flags.
void MeasureGlFrame(GlSide &gl, const D3DXMATRIX &viewProjection, const std::vector<bool> *layerFlags,
                    const FrameRow *previous, std::vector<int> &truth, FrameRow &row) {
    if (layerFlags) {
        std::vector<bool> programFlags = MeasureProgramFrameGl(gl, viewProjection, row);
        row.layerDifferingFromGl = ScoreFrame(*layerFlags, {}, programFlags).DifferingFromReference();
    }
    row.methods.clear();
    for (size_t k = 0; k < Contenders.size(); ++k)
        row.methods.push_back(RunContenderFrame(gl.contenders, (int)k, gl.scene, viewProjection));
    std::vector<int> truthBefore = truth;
    truth = GroundTruthPixels(gl.scene, gl.truth, viewProjection);
    row.truthVisible = 0;
    for (int pixels : truth) row.truthVisible += pixels > 0;
    const std::vector<bool> &reference = row.methods[ContenderIndex("stop_and_wait")].drawn;
    for (size_t k = 0; k < row.methods.size(); ++k) {
        MethodFigures &figures = row.methods[k];
        figures.score = ScoreFrame(figures.drawn, truth, reference);
        if (previous) figures.pops = CountPops(previous->methods[k].drawn, truthBefore, figures.drawn, truth);
    }
}

// Frame i of the path through the layer: the program's frame with culling on
// and off, the frame taken apart, the whole frame without text and the
// occlusion pass alone; then the same frame in plain OpenGL, so that both
// meet the same load on a shared machine.
void MeasureFrame(int i, const CameraPose &pose, GlSide &gl, const FrameRow *previous, std::vector<int> &truth,
                  FrameRow &row) {
    PlaceProgramCamera(pose);
    row.frame = i;
    row.pose = pose;
    row.on = RunProgramFrame(true);
    D3DXMATRIX viewProjection = ProgramViewProjection();
    std::vector<bool> layerFlags = ProgramFlags();
    row.off = RunProgramFrame(false);
    printf("%6d %12.2f %12.2f %6d %12.2f %6d\n", i, row.on.occlusion, row.on.main, row.on.trees, row.off.main,
           row.off.trees);
    row.parts = RunFrameInParts();
    row.breakdownDiffering = ScoreFrame(ProgramFlags(), {}, layerFlags).DifferingFromReference();
    row.layerFrame = RunLayerFrame();
    row.passAlone = RunPassAlone();

    UsePlainContext(gl.contexts);
    MeasureGlFrame(gl, viewProjection, &layerFlags, previous, truth, row);
    UseLayerContext(gl.contexts);
}

// Frame i of the path with the methods alone (--trees).
void MeasureMethodsFrame(int i, const CameraPose &pose, GlSide &gl, const FrameRow *previous, std::vector<int> &truth,
                         FrameRow &row) {
    row.frame = i;
    row.pose = pose;
    printf("%6d\n", i);
    UsePlainContext(gl.contexts);
    MeasureGlFrame(gl, PoseViewProjection(pose, MainTargetWidth, MainTargetHeight), nullptr, previous, truth, row);
    UseLayerContext(gl.contexts);
}

// The truth checked on the first picture, then every contender warmed on
// the first camera until its lag is filled.
void WarmPlainOpenGl(GlSide &gl, const D3DXMATRIX &viewProjection, BenchRun &run) {
    CheckTruthPicture(gl, viewProjection, run);
    WarmContenders(gl.contenders, gl.scene, viewProjection);
    gl.contenders.methods[ContenderIndex("temporal")].temporal.unavailable = 0;
}

// Shader variants and textures warmed up through the layer and in plain
// OpenGL, the first frame's pictures kept (without the statistics text),
// the truth checked on the picture; every contender then warmed on the
// first camera until its lag is filled.
void WarmUp(const CameraPose &first, GlSide &gl, BenchRun &run) {
    if (!run.withLayer) {
        UsePlainContext(gl.contexts);
        WarmPlainOpenGl(gl, PoseViewProjection(first, MainTargetWidth, MainTargetHeight), run);
        UseLayerContext(gl.contexts);
        return;
    }
    PlaceProgramCamera(first);
    RunProgramFrame(true);
    RunProgramFrame(false);
    RunFrameInParts();
    RunLayerFrame();
    run.layerPicture = ReadLayerBackBuffer();
    D3DXMATRIX viewProjection = ProgramViewProjection();
    std::vector<bool> layerFlags = ProgramFlags();

    UsePlainContext(gl.contexts);
    gl.scene.oneDrawATree = true;  // the program's calls, for the same picture
    MainSceneGl(gl.scene, viewProjection, layerFlags);
    FinishGpu();
    gl.scene.oneDrawATree = false;
    run.glPicture = ReadGlMainTarget(gl.scene);
    WarmPlainOpenGl(gl, viewProjection, run);
    UseLayerContext(gl.contexts);
    run.picturesDiffering = CountDifferingPixels(run.layerPicture, run.glPicture, 2);
    if (getenv("OC_BENCH_PICTURES")) {
        SavePpm(run.layerPicture, MainTargetWidth, MainTargetHeight, "bench-layer.ppm");
        SavePpm(run.glPicture, MainTargetWidth, MainTargetHeight, "bench-gl.ppm");
    }
}

bool Fail(const char *format, int count) {
    fprintf(stderr, "occlusion-bench: ");
    fprintf(stderr, format, count);
    fputc('\n', stderr);
    return false;
}

int Total(const BenchRun &run, const char *contender, int FrameScore::*field) {
    int k = ContenderIndex(contender), total = 0;
    for (const FrameRow &row : run.rows) total += row.methods[k].score.*field;
    return total;
}

// The checks a run must pass; each failure is one line on standard error.
bool Verdict(const BenchRun &run) {
    bool passed = true;
    int parted = 0;
    for (const FrameRow &row : run.rows) parted += row.breakdownDiffering;
    if (parted) passed = Fail("the pass taken apart set %d flags unlike the program's pass", parted);
    // The same queries, read all at once, or waited for by the GPU itself.
    for (const char *same : {"batched", "conditional"})
        if (int differing = Total(run, same, &FrameScore::culledAgainstReference) +
                            Total(run, same, &FrameScore::drawnAgainstReference)) {
            fprintf(stderr, "occlusion-bench: %s drew %d trees unlike stop-and-wait\n", same, differing);
            passed = false;
        }
    // The plain OpenGL frame stands for the layer's only if it is the same
    // picture. Where the layer's tie-rule probe finds a driver breaking ties
    // the other way, the layer moves geometry 1/256 pixel less on that axis
    // and the plain OpenGL frame does not, so pixels on edges may fall
    // otherwise: up to 1 % of the picture may differ (on llvmpipe none does).
    if (run.picturesDiffering > (int)run.layerPicture.size() / 100)
        passed = Fail("the plain OpenGL frame differs from the layer's in %d pixels", run.picturesDiffering);
    // Without waiting, conditional rendering may draw more, never less. The
    // inner occluders lie inside the bounding meshes; a tree whose box the
    // near plane cuts (whose bounding mesh the GPU may lose) is none.
    for (const char *conservative : {"conditional_no_wait", "hiz", "cpu", "cpu_other_threads", "cpu_inner"})
        if (int missed = Total(run, conservative, &FrameScore::culledAgainstReference)) {
            fprintf(stderr, "occlusion-bench: %s culled %d trees stop-and-wait draws\n", conservative, missed);
            passed = false;
        }
    // Frustum culling keeps every tree with a pixel in view (a tree's own box
    // holds all of it); against stop-and-wait, whose boxes are the bounding
    // meshes', it is not comparable.
    if (int missed = Total(run, "frustum", &FrameScore::missed))
        passed = Fail("frustum culling culled %d trees the truth sees", missed);
    // The two phases test every tree against this frame's own depth: a tree
    // with a pixel in the finished frame is drawn in one phase or the other.
    for (const char *twoPhases : {"twophase", "gpudriven"})
        if (int missed = Total(run, twoPhases, &FrameScore::missed)) {
            fprintf(stderr, "occlusion-bench: %s culled %d trees the truth sees\n", twoPhases, missed);
            passed = false;
        }
    // Chc's occluders are the real trees and the terrain, so it may cull
    // what stop-and-wait draws; but its queries' meshes hold the trees and
    // the answers of hidden trees are awaited, so it culls almost nothing
    // the truth sees (a tree's pixel can still fall outside its bounding
    // mesh's on the pixel grid).
    int seen = 0;
    for (const FrameRow &row : run.rows) seen += row.truthVisible;
    if (int missed = Total(run, "chc", &FrameScore::missed); missed > seen / 100)
        passed = Fail("chc culled %d trees the truth sees, over 1 %% of those it sees", missed);
    if (run.truthPictureUnexplained)
        passed = Fail("the truth does not explain %d pixels of the first frame", run.truthPictureUnexplained);
    if (run.glErrors) passed = Fail("%d OpenGL errors", run.glErrors);
    return passed;
}

}  // namespace

int main(int argc, char **argv) {
    BenchOptions options;
    if (!ParseOptions(argc, argv, options)) return 2;
    if (options.listKeys) {
        PrintSummaryKeys();
        return 0;
    }
    std::vector<CameraPose> path;
    if (!LoadPath(options, path)) return 2;
    if (GlDebugWanted()) SetGLErrorHandler(CountGLError);
    BenchRun run;
    if (!StartUpTimed(options.seed, run.startup)) return 1;
    if (options.sweep) {
        int status = RunSweep(path, PathName(options), options.seed, options.csvPath,
                              GlDebugWanted() ? CountGLError : nullptr);
        return status ? status : GLErrors ? 1 : 0;
    }

    GlSide gl;
    run.withLayer = options.trees == 0;
    if (!OpenGlSide(gl, options, run)) return 1;
    run.frames = (int)path.size();
    WarmUp(path[0], gl, run);
    if (run.withLayer)
        printf("%6s %12s %12s %6s %12s %6s\n", "frame", "pass_on_ms", "main_on_ms", "trees", "main_off_ms", "trees");
    else
        printf("%6s\n", "frame");
    run.rows.resize(path.size());
    std::vector<int> truth;
    for (size_t i = 0; i < path.size(); ++i) {
        const FrameRow *previous = i ? &run.rows[i - 1] : nullptr;
        if (run.withLayer)
            MeasureFrame((int)i, path[i], gl, previous, truth, run.rows[i]);
        else
            MeasureMethodsFrame((int)i, path[i], gl, previous, truth, run.rows[i]);
        fflush(stdout);
    }
    run.temporalResultsNotReady = gl.contenders.methods[ContenderIndex("temporal")].temporal.unavailable;
    const ConditionalRendering &noWait = gl.contenders.methods[ContenderIndex("conditional_no_wait")].conditional;
    run.noWaitQueriesCulled = noWait.queriesCulled;
    run.noWaitDrawnThoughCulled = noWait.drawnThoughCulled;
    run.glErrors = GLErrors;

    printf("\n");
    PrintSummary(run);
    bool written = options.csvPath.empty() || WriteFrameCsv(options.csvPath, run.header, run.rows, run.withLayer);
    return Verdict(run) && written ? 0 : 1;
}
