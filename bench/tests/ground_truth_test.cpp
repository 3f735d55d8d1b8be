// The ground truth and the CPU method on a hand-made scene whose answer is
// known to the pixel, and the CPU method against the GPU's occlusion buffer
// on the real forest.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "headless_device.h"
#include "methods/forest.h"
#include "methods/ground_truth.h"
#include "methods/methods.h"
#include "scene/camera.h"

namespace {

// One plain OpenGL context for the whole suite, beside a headless device.
class PlainGl : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        device = new HeadlessDevice;
        ASSERT_TRUE(device->Create(64, 64));
        std::string error;
        ASSERT_TRUE(MakePlainContext(contexts, error)) << error;
    }
    static HeadlessDevice *device;
    static ContextPair contexts;
};
HeadlessDevice *PlainGl::device = nullptr;
ContextPair PlainGl::contexts;

struct Quad {
    float x0, y0, x1, y1, z;
};

// Rectangles facing the camera, each drawn from both sides so that
// whichever winding is the front one draws.
void MakeQuadMesh(GlMesh &mesh, std::initializer_list<Quad> quads) {
    std::vector<GlVertex> vertices;
    std::vector<uint32_t> indices;
    for (const Quad &q : quads) {
        uint32_t first = (uint32_t)vertices.size();
        for (int k = 0; k < 4; ++k)
            vertices.push_back({{k & 1 ? q.x1 : q.x0, k & 2 ? q.y1 : q.y0, q.z}, {255, 255, 255, 255}, {0, 0}});
        for (uint32_t k : {0, 1, 2, 2, 1, 3, 0, 2, 1, 2, 3, 1}) indices.push_back(first + k);
    }
    MakeGlMesh(mesh, vertices, indices, {GlMeshPart{0, 0, (GLsizei)indices.size()}});
}

D3DXMATRIX Place(float scale, float x, float y, float z) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    m._11 = m._22 = m._33 = scale;
    return m;
}

// World units are the 1024 x 768 frame's pixels (y down, edges at .7 so that
// no pixel centre lies on one) and depth is z / 100.
D3DXMATRIX PixelSpace() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    m._11 = 2.0f / 1024;
    m._41 = -1;
    m._22 = -2.0f / 768;
    m._42 = 1;
    m._33 = 0.01f;
    return m;
}

// A tree is two 40 x 100 panels with a 20-wide gap between them; its
// bounding mesh is one 100 x 100 panel in front of them and one behind, so
// its box holds the tree while its silhouette hides the gap.
enum Tree { Front, ThroughGap, Hidden, Offscreen, BehindTerrain, Open, AtEdge, Trees };
const int Expected[Trees] = {
    2 * 40 * 100,  // Front: nothing before it
    10 * 50,       // ThroughGap: half size behind Front, its left panel seen through the gap
    0,             // Hidden: quarter size, behind Front's left panel
    0,             // Offscreen
    0,             // BehindTerrain: the terrain is no occluder in the program's pass
    2 * 40 * 100,  // Open
    23 * 67,       // AtEdge: cut by the right and bottom edges
};

class HandMadeScene : public PlainGl {
protected:
    void SetUp() override {
        MakeQuadMesh(scene.skybox, {{-10, -10, 1100, 800, 99}});
        MakeQuadMesh(scene.terrain, {{600.7f, 100.7f, 800.7f, 300.7f, 5}});
        MakeQuadMesh(scene.tree, {{0, 0, 40, 100, 0}, {60, 0, 100, 100, 0}});
        MakeQuadMesh(scene.bounding, {{0, 0, 100, 100, -1}, {0, 0, 100, 100, 1}});
        scene.worlds = {Place(1, 100.7f, 100.7f, 10), Place(0.5f, 130.7f, 120.7f, 20), Place(0.25f, 105.7f, 105.7f, 30),
                        Place(1, 2000, 100, 10),       Place(1, 650.7f, 150.7f, 50),     Place(1, 300.7f, 500.7f, 40),
                        Place(1, 1000.7f, 700.7f, 10)};
        std::string error;
        ASSERT_TRUE(CreateGlSceneObjects(scene, error)) << error;
        ASSERT_TRUE(CreateGroundTruth(truth, 1024, 768, error)) << error;
    }
    void TearDown() override { DestroyGroundTruth(truth); }
    GlScene scene;
    GroundTruth truth;
};

TEST_F(HandMadeScene, TruthCountsEachTreesPixelsInTheFinishedFrame) {
    std::vector<int> pixels = GroundTruthPixels(scene, truth, PixelSpace());
    EXPECT_EQ(pixels, std::vector<int>(Expected, Expected + Trees));
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
    EXPECT_EQ(ProgramPassGl(scene, PixelSpace()), program);
    CpuOcclusion cpu;
    std::string error;
    ASSERT_TRUE(CreateCpuOcclusion(cpu, scene, 2, error)) << error;
    EXPECT_EQ(CpuPass(cpu, scene, PixelSpace()), program);

    TruthScore score = ScoreAgainstTruth(program, pixels);
    EXPECT_EQ(score.missed, 1);
    EXPECT_EQ(score.missedPixels, Expected[ThroughGap]);
    EXPECT_EQ(score.wasted, 1);
    EXPECT_EQ(score.drawn, 4);
    TruthScore everything = ScoreAgainstTruth(std::vector<bool>(Trees, true), pixels);
    EXPECT_EQ(everything.missed, 0);
    EXPECT_EQ(everything.wasted, 3);
}

TEST_F(HandMadeScene, CpuDepthIsTheBoundingPanelsDepthTopRowFirst) {
    CpuOcclusion cpu;
    std::string error;
    ASSERT_TRUE(CreateCpuOcclusion(cpu, scene, 1, error)) << error;
    CpuPass(cpu, scene, PixelSpace());
    const float *depth = CpuDepth(cpu);
    // Front's panel spans 100.7 .. 200.7 of 1024, pixels 32 .. 62 of 320.
    EXPECT_NEAR(depth[40 * CpuDepthWidth + 40], 0.09f, 1e-6);
    EXPECT_EQ(depth[40 * CpuDepthWidth + 31], 1.0f);
    EXPECT_NEAR(depth[40 * CpuDepthWidth + 32], 0.09f, 1e-6);
    EXPECT_NEAR(depth[40 * CpuDepthWidth + 62], 0.09f, 1e-6);
    EXPECT_EQ(depth[40 * CpuDepthWidth + 63], 1.0f);
    EXPECT_EQ(depth[10 * CpuDepthWidth + 40], 1.0f);
    // AtEdge reaches the bottom right corner.
    EXPECT_NEAR(depth[239 * CpuDepthWidth + 319], 0.09f, 1e-6);
}

TEST_F(HandMadeScene, TemporalQueriesAnswerWithTheResultsOfLagFramesAgo) {
    TemporalQueries temporal;
    CreateTemporalQueries(temporal, scene.worlds.size());
    temporal.lag = 2;
    // Each frame finished before the next, as the benchmark's are, so every
    // result is there when read (one that is not would count as visible).
    auto frame = [&] {
        std::vector<bool> flags = TemporalPassGl(scene, temporal, PixelSpace());
        FinishGpu();
        return flags;
    };
    const std::vector<bool> all(Trees, true);
    std::vector<bool> program = ProgramPassGl(scene, PixelSpace());
    EXPECT_EQ(frame(), all);  // frame 0: nothing asked yet
    // From frame 1 on the hidden tree stands in the open.
    scene.worlds[Hidden] = Place(1, 500.7f, 500.7f, 40);
    EXPECT_EQ(frame(), all);      // frame 1: frame -1's
    EXPECT_EQ(frame(), program);  // frame 2: frame 0's, still hidden
    std::vector<bool> moved = frame();  // frame 3: frame 1's
    EXPECT_TRUE(moved[Hidden]);
    EXPECT_FALSE(moved[ThroughGap]);
    EXPECT_EQ(temporal.unavailable, 0);
    DestroyTemporalQueries(temporal);
}

// The real forest seen from the camera path's points: the CPU depth is
// never nearer than the GPU's 16-bit occlusion buffer and equal almost
// everywhere, and the CPU method keeps every tree the program's pass keeps.
class RealForest : public PlainGl {
protected:
    void SetUp() override {
        // The meshes' paths are relative to the source tree.
        ASSERT_EQ(chdir(OC_SOURCE_DIR), 0);
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

TEST_F(RealForest, CpuDepthMatchesTheGpusAndKeepsEveryTreeTheProgramsPassKeeps) {
    CpuOcclusion cpu;
    std::string error;
    ASSERT_TRUE(CreateCpuOcclusion(cpu, scene, 2, error)) << error;
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
        std::vector<bool> program = ProgramPassGl(scene, vp);
        std::vector<bool> cpuFlags = CpuPass(cpu, scene, vp);
        FlagComparison c = CompareFlags(cpuFlags, program);
        EXPECT_EQ(c.wronglyCulled, 0) << "at point " << k;
        // Only trees within the depth slack or a pixel's margin of showing,
        // or whose box reaches the camera.
        EXPECT_LE(c.wronglyDrawn, c.drawn / 4 + 2) << "at point " << k << ", drawn " << c.drawn;

        std::vector<uint16_t> gpu((size_t)CpuDepthWidth * CpuDepthHeight);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, scene.occlusionFramebuffer);
        glPixelStorei(GL_PACK_ALIGNMENT, 2);
        glReadPixels(0, 0, CpuDepthWidth, CpuDepthHeight, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, gpu.data());
        int nearer = 0, differing = 0;
        for (size_t i = 0; i < gpu.size(); ++i) {
            float g = gpu[i] / 65535.0f, c = CpuDepth(cpu)[i];
            nearer += c < g - 1.5f / 65535.0f;
            differing += std::fabs(c - g) > 1.5f / 65535.0f;
        }
        EXPECT_EQ(nearer, 0) << "at point " << k;
        EXPECT_LT(differing, (int)gpu.size() / 100) << "at point " << k;
    }
}

// Every method rebuilt for a larger forest answers for every tree, with no
// OpenGL error (the per-tree queries and buffers follow the count).
TEST_F(RealForest, MethodsRebuiltForAnotherTreeCountAnswerForEveryTree) {
    Methods methods;
    std::string error;
    methods.temporal.lag = 3;
    ASSERT_TRUE(RebuildForest(scene, methods, 30, error)) << error;
    ASSERT_TRUE(RebuildForest(scene, methods, 1000, error)) << error;
    EXPECT_EQ(methods.temporal.lag, 3);
    D3DXMATRIX vp = CameraViewProjection(D3DXVECTOR3(0, 10, -170), 0);
    std::vector<bool> program = ProgramPassGl(scene, vp);
    for (int m = 0; m < (int)Method::Count; ++m) {
        std::vector<bool> flags = RunMethod(methods, (Method)m, scene, vp);
        ASSERT_EQ(flags.size(), 1000u) << MethodName((Method)m);
        if ((Method)m != Method::Temporal) {
            EXPECT_EQ(CompareFlags(flags, program).wronglyCulled, 0) << MethodName((Method)m);
        }
    }
    DestroyMethods(methods);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// Standing inside a tree's bounding mesh, the camera sees only its inner
// faces, which are culled: the program's pass loses the tree that fills
// the view, and the CPU method keeps it.
TEST_F(RealForest, ATreeWhoseBoundingMeshHoldsTheCameraIsVisibleButLostByTheProgramsPass) {
    const D3DXMATRIX &tree = scene.worlds[0];
    D3DXMATRIX vp = CameraViewProjection(D3DXVECTOR3(tree._41, 10, tree._43 - 0.5f), 0);
    GroundTruth truth;
    CpuOcclusion cpu;
    std::string error;
    ASSERT_TRUE(CreateGroundTruth(truth, 1024, 768, error)) << error;
    ASSERT_TRUE(CreateCpuOcclusion(cpu, scene, 1, error)) << error;
    EXPECT_GT(GroundTruthPixels(scene, truth, vp)[0], 1024 * 768 / 10);
    EXPECT_FALSE(ProgramPassGl(scene, vp)[0]);
    EXPECT_TRUE(CpuPass(cpu, scene, vp)[0]);
    DestroyGroundTruth(truth);
}

}  // namespace
