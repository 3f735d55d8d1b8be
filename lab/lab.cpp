#include "lab/lab.h"

#include <algorithm>
#include <cstdio>

#include "methods/forest.h"

namespace {

constexpr int TruthWidth = 1024, TruthHeight = 768;  // the main target's size

void Announce(const char *what, long value) {
    printf("%s: %ld\n", what, value);
    fflush(stdout);
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
    lab.score = lab.truthPixels.empty() ? TruthScore() : ScoreAgainstTruth(lab.culling.flags, lab.truthPixels);
    if (lab.truthPixels.empty())
        lab.score.drawn = (int)std::count(lab.culling.flags.begin(), lab.culling.flags.end(), true);
    lab.states = ClassifyTrees(lab.culling.flags, lab.truthPixels);
    MarkOutOfView(lab.states, lab.scene, lab.culling.viewProjection);
}

}  // namespace

bool MethodFillsOcclusionBuffer(Method method) {
    return method == Method::Specified || method == Method::Batched || method == Method::Temporal ||
           method == Method::Hiz;
}

bool CreateLab(Lab &lab, int trees, std::string &error) {
    if (!LoadGlScene(lab.scene, ForestWorlds(trees), error) || !CreateMethods(lab.methods, lab.scene, error) ||
        !CreateGroundTruth(lab.truth, TruthWidth, TruthHeight, error) || !CreateSceneMarks(lab.marks, error) ||
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
    ChooseMethod(lab.culling, lab.methods, lab.scene, method);
    printf("method: %s\n", MethodName(method));
    fflush(stdout);
}

void SetFreeze(Lab &lab, bool frozen) {
    if (frozen == lab.culling.frozen) return;
    SetFrozen(lab.culling, frozen);
    Announce("frozen", frozen);
}

bool SetTreeCount(Lab &lab, int trees, std::string &error) {
    trees = std::clamp(trees, MinTrees, MaxTrees);
    if (trees == (int)lab.scene.worlds.size()) return true;
    if (!RebuildForest(lab.scene, lab.methods, trees, error)) return false;
    lab.culling.flags.clear();  // a frozen frame of the old forest means nothing now
    lab.truthRuns = -1;
    Announce("trees", trees);
    return true;
}

void SetQueryLag(Lab &lab, int frames) {
    frames = std::clamp(frames, 1, MaxQueryLag);
    if (frames == lab.methods.temporal.lag) return;
    lab.methods.temporal.lag = frames;
    lab.methods.temporal.frame = 0;  // the results in flight were issued for another lag
    Announce("lag", frames);
}

void RunLabFrame(Lab &lab, const D3DXMATRIX &viewerViewProjection) {
    CullFrame(lab.culling, lab.methods, lab.scene, viewerViewProjection);
    Score(lab);

    RecordedFrame frame{viewerViewProjection, {}};
    MainSceneGl(lab.scene, frame, lab.culling.flags);
    AddTreeMarks(lab.marks, lab.scene, lab.states, lab.culling.frozen);
    if (lab.culling.frozen) AddFrustum(lab.marks, lab.culling.viewProjection, FrustumColour);
    DrawSceneMarks(lab.marks, lab.scene, viewerViewProjection);

    // The insets show what the current method saw; the others keep their last picture.
    Method method = lab.culling.method;
    if (MethodFillsOcclusionBuffer(method)) ShowDepth(lab.depth, lab.depth.occlusion, lab.scene.occlusionDepth, 0);
    if (method == Method::Hiz) ShowDepth(lab.depth, lab.depth.pyramid, lab.methods.hiz.pyramid, lab.pyramidLevel);
    if (method == Method::Cpu) ShowCpuDepth(lab.depth, CpuDepth(lab.methods.cpu));
}
