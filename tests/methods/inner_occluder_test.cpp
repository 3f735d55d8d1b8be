// The tree's inner occluder lies inside the tree, seen from all round, and
// the CPU method on inner occluders keeps a tree seen through a gap that
// the bounding meshes hide, and every tree the truth sees on a flight
// through the forest's crowns and trunks.
#include <gtest/gtest.h>

#include <cmath>

#include "hand_made_scene.h"
#include "methods/camera_path.h"
#include "methods/forest.h"
#include "methods/ground_truth.h"
#include "methods/methods.h"
#include "methods/score.h"
#include "scene/camera.h"

namespace {

TEST_F(PlainGl, InnerOccludersKeepTheTreeSeenThroughTheGapThatTheBoundingMeshesHide) {
    GlScene scene;
    Methods methods;
    std::string error;
    ASSERT_TRUE(MakeHandMadeScene(scene, error)) << error;
    ASSERT_TRUE(CreateMethods(methods, scene, error)) << error;
    CullTimer timer;
    std::vector<bool> bounding = CullTrees(methods, Method::Cpu, scene, PixelSpace(), timer);
    std::vector<bool> inner = CullTrees(methods, Method::CpuInner, scene, PixelSpace(), timer);
    EXPECT_FALSE(bounding[ThroughGap]);
    // Only the hidden tree (behind Front's left panel) and the one off
    // screen are culled; the terrain is no occluder here either.
    const std::vector<bool> expected = {true, true, false, false, true, true, true};
    EXPECT_EQ(inner, expected);
    // What each saw at the gap (buffer x 47 is 150.4 of 1024) and on
    // Front's left panel (x 40 is 128), both on row 40 (y 128): the
    // bounding panel in front at depth 0.09 across both; the inner panels
    // at 0.10 on the panel and nothing at the gap. Each kept one step of
    // 16-bit depth farther.
    const float step = 1.0f / 65535;
    const float *boxes = CpuDepth(methods.cpu), *insides = CpuDepth(methods.cpuInner);
    const size_t gap = 40 * CpuDepthWidth + 47, panel = 40 * CpuDepthWidth + 40;
    EXPECT_NEAR(boxes[gap], 0.09f + step, 1e-6);
    EXPECT_NEAR(boxes[panel], 0.09f + step, 1e-6);
    EXPECT_EQ(insides[gap], 1.0f);
    EXPECT_NEAR(insides[panel], 0.10f + step, 1e-6);
    DestroyMethods(methods);
}

// The real tree alone at the origin (its foot on the ground at y = -12).
class TreeAtTheOrigin : public PlainGl {
protected:
    void SetUp() override {
        std::string error;
        D3DXMATRIX origin;
        D3DXMatrixIdentity(&origin);
        ASSERT_TRUE(LoadGlScene(scene, {origin}, error)) << error;
    }
    // The mesh drawn alone into the main target; its depth, bottom row first.
    std::vector<float> DepthOf(const GlMesh &mesh, const D3DXMATRIX &viewProjection) {
        BindMainTarget(scene);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const GlProgram &program = scene.programs[0];
        glUseProgram(program.program);
        glUniformMatrix4fv(program.viewProjectionUniform, 1, GL_FALSE, &viewProjection.m[0][0]);
        glUniform1i(program.instancedUniform, 1);
        glUniform2fv(program.offsetUniform, 1, scene.pixelOffset);
        scene.current = nullptr;  // the scene sets its own program again on its next draw
        DrawMeshInstances(mesh, scene.everyTree, 0, 1);
        std::vector<float> depth((size_t)MainTargetWidth * MainTargetHeight);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, MainTargetWidth, MainTargetHeight, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
        return depth;
    }
    GlScene scene;
};

D3DXMATRIX LookingAt(D3DXVECTOR3 eye, D3DXVECTOR3 target) {
    float dx = target.x - eye.x, dy = target.y - eye.y, dz = target.z - eye.z;
    D3DXQUATERNION rotation;
    D3DXQuaternionRotationYawPitchRoll(&rotation, std::atan2(dx, dz), std::atan2(-dy, std::hypot(dx, dz)), 0);
    D3DXMATRIX camera, view, projection;
    D3DXMatrixAffineTransformation(&camera, 1, NULL, &rotation, &eye);
    D3DXMatrixInverse(&view, NULL, &camera);
    D3DXMatrixPerspectiveFovLH(&projection, FieldOfView, (float)MainTargetWidth / MainTargetHeight, NearPlane, FarPlane);
    return view * projection;
}

// From cameras all round, low and high, near and far, and straight above
// (all above the ground, where the trunk's open foot is never seen from
// below): every pixel the occluder covers, the tree covers too, at or
// before the occluder's depth. The occluder is no token either: it covers
// a good share of the tree's pixels.
TEST_F(TreeAtTheOrigin, TheInnerOccluderCoversOnlyPixelsTheTreeCoversAndLiesBehindIt) {
    const D3DXVECTOR3 target(0, -1, 0);
    std::vector<D3DXVECTOR3> eyes = {D3DXVECTOR3(0, 40, 0)};
    for (float height : {-11.0f, -5.0f, 2.0f, 10.0f, 25.0f})
        for (float distance : {14.0f, 45.0f})
            for (int k = 0; k < 8; ++k) {
                float angle = 6.2831853f * (k + 0.3f) / 8;
                eyes.push_back(D3DXVECTOR3(distance * std::cos(angle), height, distance * std::sin(angle)));
            }
    long treePixels = 0, occluderPixels = 0;
    double leastShare = 1.0;
    for (const D3DXVECTOR3 &eye : eyes) {
        D3DXMATRIX viewProjection = LookingAt(eye, target);
        std::vector<float> tree = DepthOf(scene.tree, viewProjection);
        std::vector<float> occluder = DepthOf(scene.occluder, viewProjection);
        long uncovered = 0, nearer = 0, seen = 0, covered = 0;
        for (size_t i = 0; i < tree.size(); ++i) {
            seen += tree[i] < 1.0f;
            if (occluder[i] == 1.0f) continue;
            ++covered;
            uncovered += tree[i] == 1.0f;
            nearer += tree[i] > occluder[i];
        }
        EXPECT_EQ(uncovered, 0) << "pixels only the occluder covers, eye " << eye.x << " " << eye.y << " " << eye.z;
        EXPECT_EQ(nearer, 0) << "pixels where the occluder is nearer, eye " << eye.x << " " << eye.y << " " << eye.z;
        treePixels += seen;
        occluderPixels += covered;
        leastShare = std::min(leastShare, (double)covered / seen);
    }
    double share = (double)occluderPixels / treePixels;
    printf("the inner occluder covers %.0f %% of the tree's pixels (at least %.0f %% from any eye)\n", share * 100,
           leastShare * 100);
    EXPECT_GT(share, 0.3);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// The benchmark's flight through crowns and trunks: with the eye inside a
// lump of a crown, or the near plane cutting a tree's faces, that tree's
// own faces no longer cover its inner pieces, so it must hide nothing; then
// no tree the truth sees is culled.
TEST_F(PlainGl, InnerOccludersCullNoTreeTheTruthSeesFlyingThroughCrownsAndTrunks) {
    GlScene scene;
    GroundTruth truth;
    CpuOcclusion inner;
    std::vector<CameraPose> path;
    std::string error;
    ASSERT_TRUE(LoadGlScene(scene, ForestWorlds(300), error)) << error;
    ASSERT_TRUE(CreateGroundTruth(truth, MainTargetWidth, MainTargetHeight, error)) << error;
    ASSERT_TRUE(CreateCpuOcclusion(inner, scene, 1, error, &scene.occluder)) << error;
    ASSERT_TRUE(ReadCameraPath("bench/paths/through-trees.txt", path, error)) << error;
    for (size_t frame = 0; frame < path.size(); ++frame) {
        D3DXMATRIX viewProjection = PoseViewProjection(path[frame], MainTargetWidth, MainTargetHeight);
        FrameScore score = ScoreFrame(CpuPass(inner, scene, viewProjection),
                                      GroundTruthPixels(scene, truth, viewProjection), {});
        EXPECT_EQ(score.missed, 0) << "frame " << frame << ": " << score.missedPixels << " pixels";
    }
    DestroyCpuOcclusion(inner);
    DestroyGroundTruth(truth);
}

}  // namespace
