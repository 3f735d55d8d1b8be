// The two-phase depth-pyramid methods (on the CPU's lists and GPU-driven)
// on the hand-made scene: they draw every tree that shows a pixel, the one
// seen through a gap included, in the very frame it comes into view, and
// cull a tree a hill hides; the GPU-driven one draws what the other draws.
#include <gtest/gtest.h>

#include "hand_made_scene.h"
#include "methods/ground_truth.h"
#include "methods/methods.h"

namespace {

class TwoPhaseScene : public PlainGl {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(MakeHandMadeScene(scene, error)) << error;
        // A hill wide enough to hold the tree behind it at every level of
        // the pyramid the test reads.
        MakeQuadMesh(scene.terrain, {{500.7f, 30.7f, 900.7f, 420.7f, 5}});
        ASSERT_TRUE(CreateMethods(methods, scene, error)) << error;
        ASSERT_TRUE(CreateGroundTruth(truth, MainTargetWidth, MainTargetHeight, error)) << error;
    }
    void TearDown() override {
        DestroyMethods(methods);
        DestroyGroundTruth(truth);
        DestroyCullTimer(timer);
    }
    std::vector<bool> Frame(Method method, const D3DXMATRIX &viewProjection) {
        std::vector<bool> returned = DrawFrame(methods, method, scene, viewProjection, timer);
        FinishGpu();
        return DrawnTrees(methods, method, scene, returned);
    }
    GlScene scene;
    Methods methods;
    GroundTruth truth;
    CullTimer timer;
};

TEST_F(TwoPhaseScene, EveryVisibleTreeIsDrawnTheGapIncludedAndTheHillHides) {
    for (Method method : {Method::TwoPhase, Method::GpuDriven}) {
        std::vector<int> pixels = GroundTruthPixels(scene, truth, PixelSpace());
        ASSERT_GT(pixels[ThroughGap], 0);
        ASSERT_EQ(pixels[BehindTerrain], 0);
        for (int frame = 0; frame < 3; ++frame) {
            std::vector<bool> drawn = Frame(method, PixelSpace());
            for (int tree = 0; tree < HandMadeTrees; ++tree)
                EXPECT_TRUE(pixels[tree] == 0 || drawn[tree]) << MethodName(method) << " frame " << frame << " tree " << tree;
            EXPECT_FALSE(drawn[BehindTerrain]) << MethodName(method) << " frame " << frame;
            EXPECT_FALSE(drawn[Offscreen]) << MethodName(method);
        }
    }
}

// The view starts 600 pixels to the right of the forest and pans back:
// each tree is drawn in the very frame it shows, and the two methods agree
// frame for frame.
TEST_F(TwoPhaseScene, ATreeComingIntoViewIsDrawnInThatFrame) {
    std::vector<std::vector<bool>> drawnBy[2];
    for (int m = 0; m < 2; ++m) {
        Method method = m == 0 ? Method::TwoPhase : Method::GpuDriven;
        RestartMethods(methods);
        for (int step = 0; step <= 6; ++step) {
            D3DXMATRIX view = PixelSpace();
            view._41 -= 2.0f * (600 - 100 * step) / 1024;
            std::vector<int> pixels = GroundTruthPixels(scene, truth, view);
            std::vector<bool> drawn = Frame(method, view);
            for (int tree = 0; tree < HandMadeTrees; ++tree)
                EXPECT_TRUE(pixels[tree] == 0 || drawn[tree]) << MethodName(method) << " step " << step << " tree " << tree;
            drawnBy[m].push_back(drawn);
        }
    }
    EXPECT_EQ(drawnBy[0], drawnBy[1]);
}

// The GPU-driven method's count for display is the last finished frame's.
TEST_F(TwoPhaseScene, TheGpuDrivenCountIsReadAFrameLate) {
    EXPECT_EQ(methods.gpuDriven.drawnLastFrame, -1);
    std::vector<bool> first = Frame(Method::GpuDriven, PixelSpace());
    Frame(Method::GpuDriven, PixelSpace());
    EXPECT_EQ(methods.gpuDriven.drawnLastFrame, (int)std::count(first.begin(), first.end(), true));
}

}  // namespace
