// The ground truth and the CPU method on a hand-made scene whose answer is
// known to the pixel, and the CPU method against the GPU's occlusion buffer
// on the real forest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "hand_made_scene.h"
#include "methods/forest.h"
#include "methods/ground_truth.h"
#include "methods/methods.h"
#include "methods/plain_context.h"
#include "methods/score.h"
#include "scene/camera.h"

namespace {

// The program's pass in plain OpenGL, on queries of its own.
std::vector<bool> StopAndWaitFlags(GlScene &scene, const D3DXMATRIX &viewProjection) {
    TreeQueries queries;
    CreateTreeQueries(queries, scene.worlds.size());
    CullTimer timer;
    std::vector<bool> flags = StopAndWaitPass(scene, queries, viewProjection, timer);
    DestroyTreeQueries(queries);
    return flags;
}

class HandMadeScene : public PlainGl {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(MakeHandMadeScene(scene, error)) << error;
        ASSERT_TRUE(CreateGroundTruth(truth, 1024, 768, error)) << error;
    }
    void TearDown() override { DestroyGroundTruth(truth); }
    GlScene scene;
    GroundTruth truth;
};

TEST_F(HandMadeScene, TruthCountsEachTreesPixelsInTheFinishedFrame) {
    std::vector<int> pixels = GroundTruthPixels(scene, truth, PixelSpace());
    EXPECT_EQ(pixels, std::vector<int>(HandMadePixels, HandMadePixels + HandMadeTrees));
    // The id image: the gap shows the farther tree, and the terrain hides one.
    EXPECT_EQ(truth.pixels[145 * 1024 + 145], (uint32_t)ThroughGap + 1);
    EXPECT_EQ(truth.pixels[150 * 1024 + 120], (uint32_t)Front + 1);
    EXPECT_EQ(truth.pixels[200 * 1024 + 700], 0u);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(HandMadeScene, ScoresTheProgramsPassAndTheCpuMethodAgainstTheTruth) {
    std::vector<int> pixels = GroundTruthPixels(scene, truth, PixelSpace());
    // The bounding panel hides the gap and the terrain hides nothing: one
    // visible tree culled, one hidden tree drawn.
    const std::vector<bool> program = {true, false, false, false, true, true, true};
    EXPECT_EQ(StopAndWaitFlags(scene, PixelSpace()), program);
    CpuOcclusion cpu;
    std::string error;
    ASSERT_TRUE(CreateCpuOcclusion(cpu, scene, 2, error)) << error;
    EXPECT_EQ(CpuPass(cpu, scene, PixelSpace()), program);

    FrameScore score = ScoreFrame(program, pixels, {});
    EXPECT_EQ(score.missed, 1);
    EXPECT_EQ(score.missedPixels, HandMadePixels[ThroughGap]);
    EXPECT_EQ(score.wasted, 1);
    EXPECT_EQ(score.drawn, 4);
    FrameScore everything = ScoreFrame(std::vector<bool>(HandMadeTrees, true), pixels, {});
    EXPECT_EQ(everything.missed, 0);
    EXPECT_EQ(everything.wasted, 3);
}

TEST_F(HandMadeScene, CpuDepthIsTheBoundingPanelsDepthTopRowFirst) {
    CpuOcclusion cpu;
    std::string error;
    ASSERT_TRUE(CreateCpuOcclusion(cpu, scene, 1, error)) << error;
    CpuPass(cpu, scene, PixelSpace());
    const float *depth = CpuDepth(cpu);
    // Front's panel spans 100.7 .. 200.7 of 1024, pixels 32 .. 62 of 320, at
    // depth 0.09 and kept one step of 16-bit depth farther (it faces the
    // camera: no slope).
    const float panel = 0.09f + 1.0f / 65535;
    EXPECT_NEAR(depth[40 * CpuDepthWidth + 40], panel, 1e-6);
    EXPECT_EQ(depth[40 * CpuDepthWidth + 31], 1.0f);
    EXPECT_NEAR(depth[40 * CpuDepthWidth + 32], panel, 1e-6);
    EXPECT_NEAR(depth[40 * CpuDepthWidth + 62], panel, 1e-6);
    EXPECT_EQ(depth[40 * CpuDepthWidth + 63], 1.0f);
    EXPECT_EQ(depth[10 * CpuDepthWidth + 40], 1.0f);
    // AtEdge reaches the bottom right corner.
    EXPECT_NEAR(depth[239 * CpuDepthWidth + 319], panel, 1e-6);
}

TEST_F(HandMadeScene, TemporalQueriesAnswerWithTheResultsOfLagFramesAgo) {
    TemporalQueries temporal;
    CreateTemporalQueries(temporal, scene.worlds.size());
    temporal.lag = 2;
    // Each frame finished before the next, as the benchmark's are, so every
    // result is there when read (one that is not would count as visible).
    auto frame = [&] {
        CullTimer timer;
        std::vector<bool> flags = TemporalPass(scene, temporal, PixelSpace(), timer);
        FinishGpu();
        return flags;
    };
    const std::vector<bool> all(HandMadeTrees, true);
    std::vector<bool> program = StopAndWaitFlags(scene, PixelSpace());
    EXPECT_EQ(frame(), all);  // frame 0: nothing asked yet
    // From frame 1 on the hidden tree stands in the open.
    scene.worlds[Hidden] = Place(1, 500.7f, 500.7f, 40);
    UploadWorlds(scene);
    EXPECT_EQ(frame(), all);      // frame 1: frame -1's
    EXPECT_EQ(frame(), program);  // frame 2: frame 0's, still hidden
    std::vector<bool> moved = frame();  // frame 3: frame 1's
    EXPECT_TRUE(moved[Hidden]);
    EXPECT_FALSE(moved[ThroughGap]);
    EXPECT_EQ(temporal.unavailable, 0);
    DestroyTemporalQueries(temporal);
}

// The real forest seen from the camera path's points: the CPU depth is
// never nearer than the GPU's 16-bit occlusion buffer and, with the
// bounding meshes as occluders, equal almost everywhere; the CPU method
// keeps every tree the program's pass keeps. So it does on the inner
// occluders, which lie inside the bounding meshes (never nearer, never
// wider), even with the camera inside a bounding mesh, whose tree is then
// lost from the GPU's buffer: the near plane cuts its box, and such a tree
// is no inner occluder.
class RealForest : public PlainGl {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(LoadGlScene(scene, ForestWorlds(300), error)) << error;
    }
    GlScene scene;
};

D3DXMATRIX CameraViewProjection(D3DXVECTOR3 position, float yaw) {
    D3DXQUATERNION rotation;
    D3DXQuaternionRotationYawPitchRoll(&rotation, yaw, 0.05f, 0);
    D3DXMATRIX camera, view, projection;
    D3DXMatrixAffineTransformation(&camera, 1, NULL, &rotation, &position);
    D3DXMatrixInverse(&view, NULL, &camera);
    D3DXMatrixPerspectiveFovLH(&projection, FieldOfView, 1024.0f / 768.0f, NearPlane, FarPlane);
    return view * projection;
}

// Pixels where the CPU depth is nearer than the GPU's occlusion buffer, and
// farther by more than 3 steps of its 16-bit depth.
void CompareWithGpuDepth(const GlScene &scene, const CpuOcclusion &cpu, int &nearer, int &farther) {
    std::vector<uint16_t> gpu((size_t)CpuDepthWidth * CpuDepthHeight);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, scene.occlusionFramebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 2);
    glReadPixels(0, 0, CpuDepthWidth, CpuDepthHeight, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, gpu.data());
    nearer = farther = 0;
    for (size_t i = 0; i < gpu.size(); ++i) {
        float g = gpu[i] / 65535.0f, c = CpuDepth(cpu)[i];
        nearer += c < g - 0.5f / 65535.0f;
        farther += c > g + 3.0f / 65535.0f;
    }
}

TEST_F(RealForest, CpuDepthMatchesTheGpusAndKeepsEveryTreeTheProgramsPassKeeps) {
    CpuOcclusion cpu, inner;
    std::string error;
    ASSERT_TRUE(CreateCpuOcclusion(cpu, scene, 2, error)) << error;
    ASSERT_TRUE(CreateCpuOcclusion(inner, scene, 2, error, &scene.occluder)) << error;
    // The last point stands two units before a tree, inside its bounding
    // mesh's reach: the near plane clips it.
    const D3DXMATRIX &tree = scene.worlds[0];
    const struct {
        D3DXVECTOR3 position;
        float yaw;
    } points[] = {{{0, 10, -170}, -0.7f}, {{40, 10, -20}, -0.2f}, {{-35, 10, 60}, 0.3f}, {{10, 10, 130}, 0.8f},
                  {{tree._41, 10, tree._43 - 2}, 0}};
    for (int k = 0; k < 5; ++k) {
        D3DXMATRIX vp = CameraViewProjection(points[k].position, points[k].yaw);
        std::vector<bool> program = StopAndWaitFlags(scene, vp);
        FrameScore c = ScoreFrame(CpuPass(cpu, scene, vp), {}, program);
        EXPECT_EQ(c.culledAgainstReference, 0) << "at point " << k;
        // Only trees within the depth slack or a pixel's margin of showing,
        // or whose box reaches the camera.
        EXPECT_LE(c.drawnAgainstReference, c.drawn / 4 + 2) << "at point " << k << ", drawn " << c.drawn;
        // The CPU keeps each occluder's farthest possible depth: never nearer
        // than the GPU's, and farther by more than 3 steps only along edges,
        // where its coverage stops short.
        int nearer = 0, farther = 0;
        CompareWithGpuDepth(scene, cpu, nearer, farther);
        EXPECT_EQ(nearer, 0) << "at point " << k;
        EXPECT_LT(farther, (int)CpuDepthWidth * CpuDepthHeight / 100) << "at point " << k;

        EXPECT_EQ(ScoreFrame(CpuPass(inner, scene, vp), {}, program).culledAgainstReference, 0)
            << "inner occluders, at point " << k;
        CompareWithGpuDepth(scene, inner, nearer, farther);
        EXPECT_EQ(nearer, 0) << "inner occluders, at point " << k;
    }
    DestroyCpuOcclusion(cpu);
    DestroyCpuOcclusion(inner);
}

// A method's frame, and the trees it drew, read after it.
std::vector<bool> FrameDrawn(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection) {
    CullTimer timer;
    std::vector<bool> flags = DrawnTrees(methods, method, scene, DrawFrame(methods, method, scene, viewProjection, timer));
    DestroyCullTimer(timer);
    return flags;
}

// Every method rebuilt for a larger forest answers for every tree, with no
// OpenGL error (the per-tree queries and buffers follow the count), and
// keeps its settings.
TEST_F(RealForest, MethodsRebuiltForAnotherTreeCountAnswerForEveryTree) {
    Methods methods;
    std::string error;
    methods.temporal.lag = 3;
    methods.conditional.wait = false;
    ASSERT_TRUE(CreateMethods(methods, scene, error)) << error;
    ASSERT_TRUE(RebuildForest(scene, methods, 30, DefaultForestSeed, 0, error)) << error;
    ASSERT_TRUE(RebuildForest(scene, methods, 1000, DefaultForestSeed, 0, error)) << error;
    EXPECT_EQ(methods.temporal.lag, 3);
    EXPECT_FALSE(methods.conditional.wait);
    D3DXMATRIX vp = CameraViewProjection(D3DXVECTOR3(0, 10, -170), 0);
    std::vector<bool> program = StopAndWaitFlags(scene, vp);
    for (int m = 0; m < (int)Method::Count; ++m) {
        std::vector<bool> flags = FrameDrawn(methods, (Method)m, scene, vp);
        ASSERT_EQ(flags.size(), 1000u) << MethodName((Method)m);
        // Temporal answers late; chc's and the two-phase methods' occluders
        // are the real trees and the terrain, which hide trees the bounding
        // meshes do not.
        Method method = (Method)m;
        bool realDepth = method == Method::Chc || method == Method::TwoPhase || method == Method::GpuDriven;
        if (method != Method::Temporal && !realDepth) {
            EXPECT_EQ(ScoreFrame(flags, {}, program).culledAgainstReference, 0) << MethodName((Method)m);
        }
    }
    DestroyMethods(methods);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// Standing inside a tree's bounding mesh, the camera sees only its inner
// faces, which are culled, and the query counts nothing: every method keeps
// the tree that fills the view all the same.
TEST_F(RealForest, ATreeWhoseBoundingMeshHoldsTheCameraIsKeptByEveryMethod) {
    const D3DXMATRIX &tree = scene.worlds[0];
    D3DXMATRIX vp = CameraViewProjection(D3DXVECTOR3(tree._41, 10, tree._43 - 0.5f), 0);
    GroundTruth truth;
    Methods methods;
    std::string error;
    ASSERT_TRUE(CreateGroundTruth(truth, 1024, 768, error)) << error;
    ASSERT_TRUE(CreateMethods(methods, scene, error)) << error;
    EXPECT_GT(GroundTruthPixels(scene, truth, vp)[0], 1024 * 768 / 10);
    for (int m = 0; m < MethodCount; ++m) EXPECT_TRUE(FrameDrawn(methods, (Method)m, scene, vp)[0]) << MethodName((Method)m);
    DestroyMethods(methods);
    DestroyGroundTruth(truth);
}

}  // namespace
