// Conditional rendering on the hand-made scene: it asks the bounding
// meshes' queries, as stop-and-wait does, so it draws the trees stop-and-wait
// draws (not the tree seen through the gap) and the picture they make;
// without waiting it may draw more, never less, and counts what it drew
// against its queries.
#include <gtest/gtest.h>

#include <algorithm>

#include "hand_made_scene.h"
#include "methods/methods.h"

namespace {

std::vector<uint32_t> MainPicture(const GlScene &scene) {
    std::vector<uint32_t> pixels((size_t)MainTargetWidth * MainTargetHeight);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, scene.mainFramebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, MainTargetWidth, MainTargetHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

class ConditionalRenderingOnHandMadeScene : public PlainGl {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(MakeHandMadeScene(scene, error)) << error;
        ASSERT_TRUE(CreateMethods(methods, scene, error)) << error;
        CullTimer stopAndWait;
        reference = CullTrees(methods, Method::StopAndWait, scene, PixelSpace(), stopAndWait);
        DestroyCullTimer(stopAndWait);
    }
    void TearDown() override {
        DestroyCullTimer(timer);
        DestroyMethods(methods);
    }
    // A frame, the trees it drew read after it.
    std::vector<bool> Frame() {
        std::vector<bool> returned = DrawFrame(methods, Method::Conditional, scene, PixelSpace(), timer);
        EXPECT_TRUE(returned.empty()) << "the GPU chooses: nothing known before the read";
        return DrawnTrees(methods, Method::Conditional, scene, returned);
    }
    GlScene scene;
    Methods methods;
    CullTimer timer;
    std::vector<bool> reference;  // stop-and-wait's flags
};

TEST_F(ConditionalRenderingOnHandMadeScene, WaitingItDrawsWhatStopAndWaitDrawsAndTheSamePicture) {
    ASSERT_FALSE(reference[ThroughGap]);
    std::vector<bool> drawn = Frame();
    EXPECT_EQ(drawn, reference);
    std::vector<uint32_t> picture = MainPicture(scene);
    MainSceneGl(scene, PixelSpace(), drawn);
    EXPECT_TRUE(picture == MainPicture(scene)) << "the picture differs from the main scene with those trees";
    // Its queries culled the tree through the gap, the hidden one and the
    // one off screen; it drew none of them. Its culling ran in spans (the
    // depth fill and the queries), with no CPU wait.
    EXPECT_EQ(methods.conditional.queriesCulled, 3);
    EXPECT_EQ(methods.conditional.drawnThoughCulled, 0);
    EXPECT_GT(timer.spansUsed, 0u);
    EXPECT_EQ(timer.waited, 0.0);
}

// Without waiting, the driver may draw a tree whose result is not in yet:
// whatever it drew takes in every tree stop-and-wait draws, and the extra
// trees are those counted as drawn though their query culled them.
TEST_F(ConditionalRenderingOnHandMadeScene, NotWaitingItDrawsAtLeastWhatStopAndWaitDrawsAndCountsTheRest) {
    methods.conditional.wait = false;
    for (int frame = 0; frame < 3; ++frame) {
        long before = methods.conditional.drawnThoughCulled;
        std::vector<bool> drawn = Frame();
        long extra = 0;
        for (int i = 0; i < HandMadeTrees; ++i) {
            EXPECT_TRUE(drawn[i] || !reference[i]) << "tree " << i << ", frame " << frame;
            extra += drawn[i] && !reference[i];
        }
        EXPECT_EQ(methods.conditional.drawnThoughCulled - before, extra) << "frame " << frame;
    }
    EXPECT_EQ(methods.conditional.queriesCulled, 3 * 3);
}

// The near-plane rule: a tree whose box the near plane cuts inside the view
// is drawn whatever its query counts. Open grown to reach from before the
// near plane (depth z / 100 < 0) to beyond the far one (its bounding panels,
// at z -10 and 110, both clipped: its query counts nothing) is still drawn.
TEST_F(ConditionalRenderingOnHandMadeScene, ATreeTheNearPlaneCutsIsDrawnUnconditionally) {
    scene.worlds[Open] = Place(60, 300.7f, 500.7f, 50);
    UploadWorlds(scene);
    std::vector<bool> drawn = Frame();
    EXPECT_TRUE(drawn[Open]);
    EXPECT_EQ(methods.conditional.queriesCulled, 3) << "the tree drawn unconditionally is not counted";
}

}  // namespace
