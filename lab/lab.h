// The lab's state and its frame, apart from the window: what the culling
// did, what the truth says of it, and the pictures that show both.
#pragma once

#include <string>
#include <vector>

#include "lab/culling.h"
#include "lab/depth_views.h"
#include "lab/frame_graph.h"
#include "lab/scene_marks.h"
#include "methods/forest.h"
#include "methods/ground_truth.h"
#include "methods/score.h"

// The forest keeps the program's density whatever its count: a larger
// forest covers a larger square.
constexpr int MinTrees = 30, MaxTrees = MaxForestTrees, DefaultTrees = 300;

struct Lab {
    GlScene scene;
    Methods methods;
    GroundTruth truth;
    LabCulling culling;
    SceneMarks marks;
    DepthViews depth;
    FrameGraph graph;
    bool scoreTruth = true;  // the truth costs a full frame of every tree: it can be turned off
    int pyramidLevel = 3;
    std::vector<int> truthPixels;  // for the culling camera; empty when not scored
    long truthRuns = -1;           // the culling run the truth was taken for
    double truthMilliseconds = 0;  // the last truth pass, CPU clock to its counts
    FrameScore score;
    std::vector<TreeState> states;
    // The map's ring around each tree (NoRing for none): what chc did with
    // it in the culling frame shown; empty for the other methods.
    std::vector<uint32_t> rings;
};

// With an OpenGL 4.3 context current and Materials\ reachable: the forest
// of `trees` trees and everything the lab shows of it.
bool CreateLab(Lab &lab, int trees, std::string &error);
// The same for a scene already made in lab.scene.
bool CreateLabOnScene(Lab &lab, std::string &error);
void DestroyLab(Lab &lab);

// The changes a key or the panel asks for. Each prints one line on
// standard output ("method: hiz", "frozen: 1", "trees: 1000") that scripts
// can wait for. A method chosen while frozen is run at once for the frozen
// camera, as it would answer for a camera holding still; its results left
// from an earlier turn belong to another camera and are forgotten.
// A method's state is made when it is first chosen; one that cannot be made
// is reported on standard error and the method in use stays.
void SelectMethod(Lab &lab, Method method);
void SetFreeze(Lab &lab, bool frozen);
bool SetTreeCount(Lab &lab, int trees, std::string &error);
void SetQueryLag(Lab &lab, int frames);
// Conditional rendering's mode: GL_QUERY_WAIT, or GL_QUERY_NO_WAIT ("wait: 0").
void SetConditionalWait(Lab &lab, bool wait);

// The CPU rasteriser `method` runs, whose depth the CPU inset shows; null
// for a method that runs none.
const CpuOcclusion *CpuRasteriserOf(const Methods &methods, Method method);

// Culls for the viewer's camera (unless frozen), scores against the truth,
// draws the scene with its marks into the main target and fills the insets.
void RunLabFrame(Lab &lab, const D3DXMATRIX &viewerViewProjection);
