#include "lab/lab.h"

#include <algorithm>
#include <cstdio>

#include "methods/forest.h"

namespace {

void Announce(const char *what, long value) {
    printf("%s: %ld\n", what, value);
    fflush(stdout);
}

uint32_t RingFor(ChcMark mark) {
    switch (mark) {
    case ChcMark::Queried: return QueriedColour;
    case ChcMark::InCell: return InCellColour;
    case ChcMark::Skipped: return SkippedColour;
    case ChcMark::InFlight: return InFlightColour;
    case ChcMark::None: break;
    }
    return NoRing;
}

// Chc's marks are those of its last run, which is the frame shown (a
// freeze stops the runs); the other methods leave no rings.
void Ring(Lab &lab) {
    lab.rings.clear();
    if (lab.culling.method != Method::Chc) return;
    for (ChcMark mark : lab.methods.chc.marks) lab.rings.push_back(RingFor(mark));
}

void Score(Lab &lab) {
    if (!lab.scoreTruth) {
        lab.truthPixels.clear();
        lab.truthRuns = -1;
    } else if (lab.truthRuns != lab.culling.runs) {
        Clock::time_point start = Clock::now();
        lab.truthPixels = GroundTruthPixels(lab.scene, lab.truth, lab.culling.viewProjection);
        lab.truthMilliseconds = Milliseconds(start, Clock::now());
        lab.truthRuns = lab.culling.runs;
    }
    lab.score = ScoreFrame(lab.culling.flags, lab.truthPixels, {});
    lab.states = ClassifyTrees(lab.culling.flags, lab.truthPixels);
    MarkOutOfView(lab.states, lab.scene.tree.bounds, lab.scene.worlds, lab.culling.viewProjection);
}

}  // namespace

bool CreateLab(Lab &lab, int trees, std::string &error) {
    return LoadGlScene(lab.scene, ForestWorlds(trees, DefaultForestSeed, ConstantDensitySpread(trees)), error) &&
           CreateLabOnScene(lab, error);
}

bool CreateLabOnScene(Lab &lab, std::string &error) {
    if (!CreateMethod(lab.methods, lab.culling.method, lab.scene, error) ||
        !CreateGroundTruth(lab.truth, MainTargetWidth, MainTargetHeight, error) || !CreateSceneMarks(lab.marks, error) ||
        !CreateDepthViews(lab.depth, error))
        return false;
    CreateLabCulling(lab.culling);
    return true;
}

void DestroyLab(Lab &lab) {
    DestroyLabCulling(lab.culling);
    DestroyDepthViews(lab.depth);
    DestroySceneMarks(lab.marks);
    DestroyGroundTruth(lab.truth);
    DestroyMethods(lab.methods);
}

void SelectMethod(Lab &lab, Method method) {
    if (method == lab.culling.method) return;
    std::string error;
    if (!CreateMethod(lab.methods, method, lab.scene, error)) {
        fprintf(stderr, "occlusion-lab: %s: %s\n", MethodName(method), error.c_str());
        return;
    }
    lab.culling.method = method;
    RestartMethods(lab.methods);
    if (lab.culling.frozen) SettleMethod(lab.culling, lab.methods, lab.scene);
    printf("method: %s\n", MethodName(method));
    fflush(stdout);
}

void SetFreeze(Lab &lab, bool frozen) {
    if (frozen == lab.culling.frozen) return;
    lab.culling.frozen = frozen;
    Announce("frozen", frozen);
}

bool SetTreeCount(Lab &lab, int trees, std::string &error) {
    trees = std::clamp(trees, MinTrees, MaxTrees);
    if (trees == (int)lab.scene.worlds.size()) return true;
    if (!RebuildForest(lab.scene, lab.methods, trees, DefaultForestSeed, ConstantDensitySpread(trees), error))
        return false;
    lab.culling.flags.clear();  // a frozen frame of the old forest means nothing now
    lab.truthRuns = -1;
    Announce("trees", trees);
    return true;
}

void SetQueryLag(Lab &lab, int frames) {
    frames = std::clamp(frames, 1, MaxQueryLag);
    if (frames == lab.methods.temporal.lag) return;
    lab.methods.temporal.lag = frames;
    RestartTemporalQueries(lab.methods.temporal);  // the results in flight were issued for another lag
    Announce("lag", frames);
}

void SetConditionalWait(Lab &lab, bool wait) {
    if (wait == lab.methods.conditional.wait) return;
    lab.methods.conditional.wait = wait;
    RestartConditionalRendering(lab.methods.conditional);  // its counts belong to the other mode
    Announce("wait", wait);
}

const CpuOcclusion *CpuRasteriserOf(const Methods &methods, Method method) {
    if (method == Method::Cpu) return &methods.cpu;
    if (method == Method::CpuInner) return &methods.cpuInner;
    return nullptr;
}

void RunLabFrame(Lab &lab, const D3DXMATRIX &viewerViewProjection) {
    if (!CullFrame(lab.culling, lab.methods, lab.scene, viewerViewProjection))
        MainSceneGl(lab.scene, viewerViewProjection, lab.culling.flags);
    Score(lab);
    Ring(lab);

    AddTreeMarks(lab.marks, lab.scene, lab.states, lab.culling.frozen);
    if (lab.culling.frozen) AddFrustum(lab.marks, lab.culling.viewProjection, FrustumColour);
    DrawSceneMarks(lab.marks, lab.scene, viewerViewProjection);

    // The insets show what the current method saw; the others keep their last picture.
    Method method = lab.culling.method;
    if (DescribeMethod(method).fillsOcclusionBuffer)
        ShowDepth(lab.depth, lab.depth.occlusion, lab.scene.occlusionDepth, 0, OcclusionBufferWidth, OcclusionBufferHeight);
    if (const DepthPyramid *pyramid = MethodPyramid(lab.methods, method))
        ShowDepth(lab.depth, lab.depth.pyramid, pyramid->texture, std::min(lab.pyramidLevel, pyramid->levels - 1),
                  pyramid->sourceWidth, pyramid->sourceHeight);
    if (const CpuOcclusion *cpu = CpuRasteriserOf(lab.methods, method)) ShowCpuDepth(lab.depth, CpuDepth(*cpu));
}
