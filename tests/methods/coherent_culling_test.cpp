// Coherent hierarchical culling on the hand-made scene, whose answers are
// known, and on the real forest against the truth. Each frame is finished
// before the next, as the benchmark's are, so every answer is in when the
// next frame reads it.
#include <gtest/gtest.h>

#include "hand_made_scene.h"
#include "methods/camera_path.h"
#include "methods/forest.h"
#include "methods/ground_truth.h"
#include "methods/methods.h"
#include "methods/score.h"

namespace {

class Chc : public PlainGl {
protected:
    void TearDown() override {
        DestroyMethods(methods);
        DestroyGroundTruth(truth);
        DestroyCullTimer(timer);
    }
    void Create() {
        std::string error;
        ASSERT_TRUE(CreateMethods(methods, scene, error)) << error;
        ASSERT_TRUE(CreateGroundTruth(truth, MainTargetWidth, MainTargetHeight, error)) << error;
    }
    std::vector<bool> Frame(const D3DXMATRIX &viewProjection) {
        std::vector<bool> flags = DrawFrame(methods, Method::Chc, scene, viewProjection, timer);
        FinishGpu();
        return flags;
    }
    GlScene scene;
    Methods methods;
    GroundTruth truth;
    CullTimer timer;
};

class ChcOnHandMadeScene : public Chc {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(MakeHandMadeScene(scene, error)) << error;
        Create();
    }
};

// What shows: Front, the tree through its gap, Open and AtEdge.
const std::vector<bool> Showing = {true, true, false, false, false, true, true};

// The real crowns occlude, gaps and all, and so does the terrain.
// Stop-and-wait's bounding panels hide the gap; chc draws the tree behind it.
TEST_F(ChcOnHandMadeScene, SeesThroughTheGapAndCullsWhatTheTerrainHides) {
    CullTimer stopTimer;
    std::vector<bool> stopAndWait = CullTrees(methods, Method::StopAndWait, scene, PixelSpace(), stopTimer);
    DestroyCullTimer(stopTimer);
    EXPECT_FALSE(stopAndWait[ThroughGap]);
    EXPECT_TRUE(stopAndWait[BehindTerrain]);

    // The first frame knows nothing yet: its trees are queried together
    // against the sky and the terrain alone, so the hidden tree is drawn.
    std::vector<bool> first = Frame(PixelSpace());
    EXPECT_TRUE(first[ThroughGap]);
    EXPECT_TRUE(first[Hidden]);
    EXPECT_FALSE(first[BehindTerrain]);
    EXPECT_FALSE(first[Offscreen]);
    // A visible tree is asked again within ChcRequeryInterval frames and its
    // answer used in the frame after: from then on chc draws what shows.
    for (int frame = 2; frame <= 3 * ChcRequeryInterval; ++frame) {
        std::vector<bool> flags = Frame(PixelSpace());
        EXPECT_TRUE(flags[ThroughGap]) << "frame " << frame;
        EXPECT_FALSE(flags[BehindTerrain]) << "frame " << frame;
        if (frame >= ChcRequeryInterval + 2) {
            EXPECT_EQ(flags, Showing) << "frame " << frame;
        }
    }
    EXPECT_EQ(methods.chc.marks[Offscreen], ChcMark::None);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// A tree that comes into view is queried as a hidden one, and those
// answers are awaited: it is drawn in the first frame it shows.
TEST_F(ChcOnHandMadeScene, ATreeComingIntoViewIsDrawnInTheFirstFrameItShows) {
    for (int frame = 0; frame < ChcRequeryInterval + 2; ++frame) Frame(PixelSpace());
    // Everything 1500 pixels further left: Offscreen stands at 500 .. 600.
    D3DXMATRIX moved = PixelSpace();
    moved._41 -= 1500.0f * 2 / 1024;
    std::vector<bool> flags = Frame(moved);
    EXPECT_TRUE(flags[Offscreen]);
    EXPECT_EQ(ScoreFrame(flags, GroundTruthPixels(scene, truth, moved), {}).missed, 0);
    EXPECT_EQ(methods.chc.marks[Offscreen], ChcMark::Queried);
}

class ChcOnRealForest : public Chc {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(LoadGlScene(scene, ForestWorlds(300), error)) << error;
        Create();
    }
    // The frame at the pose, with the trees the truth sees that it culled.
    int FrameMissing(const CameraPose &pose) {
        D3DXMATRIX vp = PoseViewProjection(pose, MainTargetWidth, MainTargetHeight);
        std::vector<bool> flags = Frame(vp);
        return ScoreFrame(flags, GroundTruthPixels(scene, truth, vp), {}).missed;
    }
};

// Along the benchmark's path, then turning on the spot so that trees come
// into view every frame: never a tree the truth sees is culled.
TEST_F(ChcOnRealForest, CullsNoTreeTheTruthSeesWhileFlyingAndTurning) {
    std::vector<CameraPose> poses = DefaultCameraPath(6);
    for (int turn = 1; turn <= 6; ++turn) poses.push_back({D3DXVECTOR3(20, 10, 0), 0.5f * turn, 0});
    for (size_t p = 0; p < poses.size(); ++p) EXPECT_EQ(FrameMissing(poses[p]), 0) << "pose " << p;
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// Holding still, the queries fall off after the first frame: visible trees
// are asked only now and then, and trees hidden for frames running share
// multi-queries.
TEST_F(ChcOnRealForest, AStillCameraAsksLessAndLessAndGroupsTheLongHidden) {
    CameraPose pose = DefaultCameraPath(1)[0];
    EXPECT_EQ(FrameMissing(pose), 0);
    int firstQueries = methods.chc.counts.queries, multiQueries = 0;
    for (int frame = 0; frame < 2 * ChcRequeryInterval; ++frame) {
        EXPECT_EQ(FrameMissing(pose), 0) << "frame " << frame;
        multiQueries += methods.chc.counts.multiQueries;
    }
    EXPECT_LT(methods.chc.counts.queries, firstQueries / 2);
    EXPECT_GT(multiQueries, 0);
}

}  // namespace
