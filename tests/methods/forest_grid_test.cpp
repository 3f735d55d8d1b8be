// The forest's grid on the real forest: every tree in one cell whose box
// holds its meshes, and the methods that cull cells first keep exactly the
// flags they set tree by tree.
#include <gtest/gtest.h>

#include "hand_made_scene.h"
#include "methods/camera_path.h"
#include "methods/forest.h"
#include "methods/methods.h"

namespace {

bool Inside(const Box &inner, const Box &outer) {
    for (int k = 0; k < 3; ++k)
        if (inner.min[k] < outer.min[k] || inner.max[k] > outer.max[k]) return false;
    return true;
}

class ForestGridTest : public PlainGl, public testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(LoadGlScene(scene, ForestWorlds(GetParam()), error)) << error;
        BuildForestGrid(grid, scene);
    }
    GlScene scene;
    ForestGrid grid;
};

TEST_P(ForestGridTest, EveryTreeIsInOneCellWhoseBoxHoldsItsMeshes) {
    size_t trees = scene.worlds.size();
    ASSERT_EQ(grid.trees.size(), trees);
    ASSERT_EQ(grid.cellOf.size(), trees);
    std::vector<int> seen(trees, 0);
    for (uint32_t c = 0; c < grid.cells.size(); ++c) {
        const GridCell &cell = grid.cells[c];
        EXPECT_GT(cell.count, 0u);
        for (uint32_t k = cell.first; k < cell.first + cell.count; ++k) {
            uint32_t tree = grid.trees[k];
            ++seen[tree];
            EXPECT_EQ(grid.cellOf[tree], c);
            EXPECT_TRUE(Inside(PlacedBox(scene.tree.bounds, scene.worlds[tree]), cell.box)) << "tree " << tree;
            EXPECT_TRUE(Inside(PlacedBox(scene.bounding.bounds, scene.worlds[tree]), cell.box)) << "tree " << tree;
        }
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), (long)trees) << "each tree in exactly one cell";
    // Cells of a few trees each, so that culling one saves several tests.
    EXPECT_GE(grid.cells.size(), trees / (4 * TreesPerCell));
    EXPECT_LE(grid.cells.size(), trees / 2);
}

// Along the benchmark's path and from outside the forest looking in and
// out: the same flags tree by tree and cell first, while whole cells were
// culled on the way.
TEST_P(ForestGridTest, FrustumAndCpuFlagsAreTheSameWithTheGridAsWithout) {
    CpuOcclusion cpu;
    std::string error;
    ASSERT_TRUE(CreateCpuOcclusion(cpu, scene, 1, error)) << error;
    std::vector<CameraPose> poses = DefaultCameraPath(12);
    poses.push_back({D3DXVECTOR3(0, 10, -400), 0, 0});      // outside, looking in
    poses.push_back({D3DXVECTOR3(0, 10, -400), 3.14f, 0});  // outside, looking away
    poses.push_back({D3DXVECTOR3(140, 30, 140), 2.4f, 0.3f});
    size_t fewestTested = scene.worlds.size();
    for (size_t p = 0; p < poses.size(); ++p) {
        D3DXMATRIX vp = PoseViewProjection(poses[p], MainTargetWidth, MainTargetHeight);
        EXPECT_EQ(FrustumPass(scene, vp, &grid), FrustumPass(scene, vp, nullptr)) << "frustum, pose " << p;
        EXPECT_EQ(CpuPass(cpu, scene, vp, &grid), CpuPass(cpu, scene, vp)) << "cpu, pose " << p;
        fewestTested = std::min(fewestTested, TreesInViewCells(grid, vp).size());
    }
    EXPECT_EQ(fewestTested, 0u) << "looking away, no cell is left to test";
    DestroyCpuOcclusion(cpu);
}

INSTANTIATE_TEST_SUITE_P(Trees, ForestGridTest, testing::Values(300, 3000));

}  // namespace
