// The lab's culling step on the real forest in a headless OpenGL 4.3
// context: its flags are the ones the benchmark's call of the same method
// gives, a freeze keeps them while the camera flies on, a method chosen
// while frozen answers for the frozen camera, and each tree's state.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "headless_device.h"
#include "lab/culling.h"
#include "lab/lab.h"
#include "lab/transform_device.h"
#include "methods/forest.h"
#include "scene/camera.h"

namespace {

class LabCullingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        device = new HeadlessDevice;
        ASSERT_TRUE(device->Create(64, 64));
        ContextPair contexts;
        std::string error;
        ASSERT_TRUE(MakePlainContext(contexts, error)) << error;
    }
    void SetUp() override {
        ASSERT_EQ(chdir(OC_SOURCE_DIR), 0);
        std::string error;
        ASSERT_TRUE(LoadGlScene(scene, ForestWorlds(300), error)) << error;
        ASSERT_TRUE(CreateMethods(lab, scene, error)) << error;
        ASSERT_TRUE(CreateMethods(bench, scene, error)) << error;
        CreateLabCulling(culling);
        // The lab's own camera path: the demo's camera code through the lab's device.
        InstallTransformDevice(1024, 768);
    }
    void TearDown() override {
        RemoveTransformDevice();
        DestroyLabCulling(culling);
        DestroyMethods(lab);
        DestroyMethods(bench);
    }
    static D3DXMATRIX CameraAt(int i, int n) {
        PlaceCamera(i, n);
        UpdateCamera();
        return CameraViewProjection();
    }
    static HeadlessDevice *device;
    GlScene scene;
    Methods lab, bench;
    LabCulling culling;
};
HeadlessDevice *LabCullingTest::device = nullptr;

TEST_F(LabCullingTest, EveryMethodsFlagsAreTheBenchmarksAlongTheCameraPath) {
    bench.temporal.lag = lab.temporal.lag = 2;
    for (int m = 0; m < (int)Method::Count; ++m) {
        Method method = (Method)m;
        ChooseMethod(culling, lab, scene, method);
        lab.temporal.frame = bench.temporal.frame = 0;
        int culled = 0;
        for (int i = 0; i < 6; ++i) {
            D3DXMATRIX vp = CameraAt(i, 6);
            CullFrame(culling, lab, scene, vp);
            std::vector<bool> expected = RunMethod(bench, method, scene, vp);
            FinishGpu();  // every query answered before the next frame reads it, in both
            ASSERT_EQ(culling.flags, expected) << MethodName(method) << ", frame " << i;
            culled += (int)std::count(expected.begin(), expected.end(), false);
        }
        if (method != Method::Off) {
            EXPECT_GT(culled, 0) << MethodName(method) << " culled nothing";
        }
    }
}

TEST_F(LabCullingTest, FreezingKeepsTheFlagsAndCameraWhileTheViewerMoves) {
    D3DXMATRIX start = CameraAt(0, 6);
    CullFrame(culling, lab, scene, start);
    std::vector<bool> frozenFlags = culling.flags;
    SetFrozen(culling, true);
    long runs = culling.runs;
    for (int i = 1; i < 6; ++i) {
        D3DXMATRIX vp = CameraAt(i, 6);
        ASSERT_NE(RunMethod(bench, Method::Specified, scene, vp), frozenFlags) << "the camera did not move";
        CullFrame(culling, lab, scene, vp);
        EXPECT_EQ(culling.flags, frozenFlags) << "frame " << i;
        EXPECT_EQ(memcmp(&culling.viewProjection, &start, sizeof start), 0) << "frame " << i;
    }
    EXPECT_EQ(culling.runs, runs);

    SetFrozen(culling, false);
    D3DXMATRIX last = CameraAt(5, 6);
    CullFrame(culling, lab, scene, last);
    EXPECT_EQ(culling.flags, RunMethod(bench, Method::Specified, scene, last));
}

TEST_F(LabCullingTest, AMethodChosenWhileFrozenAnswersForTheFrozenCamera) {
    D3DXMATRIX start = CameraAt(2, 6);
    CullFrame(culling, lab, scene, start);
    SetFrozen(culling, true);
    CullFrame(culling, lab, scene, CameraAt(4, 6));
    for (Method method : {Method::Cpu, Method::Hiz, Method::Off}) {
        ChooseMethod(culling, lab, scene, method);
        EXPECT_EQ(culling.flags, RunMethod(bench, method, scene, start)) << MethodName(method);
    }
    // The temporal method's answers for a camera held still are the exact pass's.
    ChooseMethod(culling, lab, scene, Method::Temporal);
    EXPECT_EQ(culling.flags, RunMethod(bench, Method::Specified, scene, start));
}

// The lab's whole frame: a new forest chosen while frozen is culled at once
// (a frozen frame of the old forest means nothing), scored against the
// truth and classified tree by tree; the count stays within its range.
TEST_F(LabCullingTest, ANewForestWhileFrozenIsCulledScoredAndClassified) {
    Lab whole;
    std::string error;
    ASSERT_TRUE(CreateLab(whole, 300, error)) << error;
    RunLabFrame(whole, CameraAt(0, 6));
    SetFreeze(whole, true);
    ASSERT_TRUE(SetTreeCount(whole, 1000, error)) << error;
    RunLabFrame(whole, CameraAt(1, 6));
    EXPECT_TRUE(whole.culling.frozen);
    EXPECT_EQ(whole.culling.flags.size(), 1000u);
    EXPECT_EQ(whole.truthPixels.size(), 1000u);
    EXPECT_EQ(whole.states.size(), 1000u);
    EXPECT_EQ(whole.score.drawn, (int)std::count(whole.culling.flags.begin(), whole.culling.flags.end(), true));
    ASSERT_TRUE(SetTreeCount(whole, 5, error)) << error;
    EXPECT_EQ(whole.scene.worlds.size(), (size_t)MinTrees);
    DestroyLab(whole);
}

TEST_F(LabCullingTest, TheWaitTimeIsThatOfTheProgramsPassWaitsAndOnlyOfThem) {
    CullFrame(culling, lab, scene, CameraAt(0, 6));
    EXPECT_GT(culling.times.blocked, 0.0);
    EXPECT_LE(culling.times.blocked, culling.times.cpu);
    EXPECT_EQ(WaitTime, nullptr);  // the benchmark's runs of the methods are not charged
    // Culling off asks the GPU nothing.
    ChooseMethod(culling, lab, scene, Method::Off);
    CullFrame(culling, lab, scene, CameraAt(1, 6));
    EXPECT_EQ(culling.times.blocked, 0.0);
}

// From the middle of the forest, looking north: the trees to the south are
// behind the camera, and some culled trees in view are hidden ones.
TEST_F(LabCullingTest, CulledTreesBehindTheCameraAreOutOfViewTheOthersHidden) {
    D3DXMATRIX vp = CameraAt(3, 6);
    std::vector<bool> flags = RunMethod(bench, Method::Specified, scene, vp);
    std::vector<TreeState> states = ClassifyTrees(flags, {});
    MarkOutOfView(states, scene, vp);
    int behind = 0, hidden = 0;
    for (size_t i = 0; i < states.size(); ++i) {
        float z = scene.worlds[i]._43, cameraZ = Camera.position.z;
        if (z < cameraZ - 20) {
            EXPECT_EQ(states[i], TreeState::OutOfView) << "tree " << i << " behind the camera";
            behind++;
        }
        if (flags[i]) {
            EXPECT_EQ(states[i], TreeState::Drawn) << "tree " << i;
        }
        hidden += states[i] == TreeState::Culled;
    }
    EXPECT_GT(behind, 0);
    EXPECT_GT(hidden, 0) << "no tree hidden behind others in view";
}

TEST(LabTrees, EachTreesStateFollowsItsFlagAndTheTruth) {
    std::vector<bool> flags = {true, true, false, false, true};
    std::vector<int> pixels = {12, 0, 5, 0, 1};
    std::vector<TreeState> expected = {TreeState::Drawn, TreeState::Wasted, TreeState::Missed, TreeState::Culled,
                                       TreeState::Drawn};
    EXPECT_EQ(ClassifyTrees(flags, pixels), expected);
    // Without a truth, nothing is called an error.
    std::vector<TreeState> unscored = ClassifyTrees(flags, {});
    EXPECT_EQ(std::count(unscored.begin(), unscored.end(), TreeState::Missed), 0);
    EXPECT_EQ(std::count(unscored.begin(), unscored.end(), TreeState::Wasted), 0);
}

}  // namespace
