// The timing model's rules, the frustum method and the scores on the
// hand-made scene, whose answers are known.
#include <gtest/gtest.h>

#include "hand_made_scene.h"
#include "methods/methods.h"
#include "methods/score.h"
#include "methods/statistics.h"

namespace {

void Spin(double milliseconds) {
    Clock::time_point start = Clock::now();
    while (Milliseconds(start, Clock::now()) < milliseconds) {
    }
}

class TimingModel : public PlainGl {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(MakeHandMadeScene(scene, error)) << error;
        CreateTreeQueries(queries, 1);
    }
    void TearDown() override {
        DestroyTreeQueries(queries);
        DestroyCullTimer(timer);
    }
    GlScene scene;
    TreeQueries queries;
    CullTimer timer;
};

// A wait cuts the span it happens in: its time is the wait's, not the
// submission's, and the GPU span closes before it and opens after it.
TEST_F(TimingModel, AWaitIsTakenOutOfTheSpanItInterrupts) {
    StartCullFrame(timer);
    BeginCulling(timer);
    Spin(15);
    BeginOcclusionTarget(scene);
    glBeginQuery(GL_SAMPLES_PASSED, queries.queries[0]);
    DrawBounding(scene, Front, PixelSpace());
    glEndQuery(GL_SAMPLES_PASSED);
    EXPECT_GT(AwaitQuery(timer, queries.queries[0]), 0u);
    Spin(15);
    EndCulling(timer);
    FinishGpu();
    EXPECT_GE(timer.submit, 30.0);
    EXPECT_LT(timer.submit, 30.0 + 1000.0);  // not the whole of a wait's stall
    EXPECT_GT(timer.waited, 0.0);
    EXPECT_EQ(timer.spansUsed, 2u) << "the wait split the span";
    EXPECT_GE(CullGpuMilliseconds(timer), 0.0);
    // A result already there is read without a wait: no new span.
    BeginCulling(timer);
    AwaitQuery(timer, queries.queries[0]);
    EndCulling(timer);
    EXPECT_EQ(timer.spansUsed, 3u);
}

// The frustum method keeps every tree with a corner in view and only those:
// here all but the one off screen; the frame function draws what it keeps.
TEST_F(TimingModel, FrustumCullingKeepsEveryTreeInViewAndDrawFrameDrawsThem) {
    Methods methods;
    std::string error;
    ASSERT_TRUE(CreateMethods(methods, scene, error)) << error;
    std::vector<bool> expected(HandMadeTrees, true);
    expected[Offscreen] = false;
    EXPECT_EQ(DrawFrame(methods, Method::Frustum, scene, PixelSpace(), timer), expected);
    EXPECT_EQ(DrawFrame(methods, Method::Off, scene, PixelSpace(), timer), std::vector<bool>(HandMadeTrees, true));
    DestroyMethods(methods);
}

TEST(Scores, PopsAreVisibleTreesDrawnInOneOfTwoFramesOnly) {
    // Tree 0 visible in both and dropped: a pop. Tree 1 visible in both,
    // drawn in both. Tree 2 visible only in the second. Tree 3 hidden in
    // both and toggled: no pop, nothing shows.
    std::vector<bool> before = {true, true, false, true}, after = {false, true, true, false};
    std::vector<int> truthBefore = {10, 5, 0, 0}, truth = {12, 5, 7, 0};
    EXPECT_EQ(CountPops(before, truthBefore, after, truth), 1);
    FrameScore score = ScoreFrame(after, truth, before);
    EXPECT_EQ(score.missed, 1);
    EXPECT_EQ(score.missedPixels, 12);
    EXPECT_EQ(score.wasted, 0);
    EXPECT_EQ(score.culledAgainstReference, 2);
    EXPECT_EQ(score.drawnAgainstReference, 1);
}

TEST(Scores, PercentilesAreNearestRank) {
    std::vector<double> values;
    for (int i = 1; i <= 100; ++i) values.push_back(101 - i);
    EXPECT_EQ(Percentile(values, 0.95), 95);
    EXPECT_EQ(Percentile(values, 1.0), 100);
    EXPECT_EQ(Percentile({7}, 0.95), 7);
    EXPECT_EQ(Percentile({}, 0.95), 0);
    EXPECT_EQ(Median({3, 1, 2, 10}), 2.5);
    EXPECT_EQ(Maximum({3, 1, 2}), 3);
}

}  // namespace
