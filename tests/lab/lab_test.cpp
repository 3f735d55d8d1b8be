// What the lab decides, on the hand-made scene whose answers are known and
// on the real forest: which method fills which inset, what a freeze keeps,
// the class and mark of each tree against the truth, and a new tree count.
#include <gtest/gtest.h>

#include <algorithm>

#include "hand_made_scene.h"
#include "lab/lab.h"

namespace {

uint32_t Pixel(const std::vector<uint32_t> &pixels, int width, int x, int y) { return pixels[(size_t)y * width + x]; }
int Red(uint32_t p) { return p & 0xff; }
int Green(uint32_t p) { return (p >> 8) & 0xff; }
int Blue(uint32_t p) { return (p >> 16) & 0xff; }

// RGBA bytes of a texture, or of the lab's main target, top row first.
std::vector<uint32_t> ReadTexture(GLuint texture, int width, int height) {
    std::vector<uint32_t> pixels((size_t)width * height);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Whether any pixel within `reach` of (x, y) is near the colour 0xRRGGBB.
bool ColourNear(const std::vector<uint32_t> &pixels, int x, int y, int reach, uint32_t rgb) {
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            uint32_t p = Pixel(pixels, MainTargetWidth, x + dx, y + dy);
            if (abs(Red(p) - (int)(rgb >> 16)) < 40 && abs(Green(p) - (int)((rgb >> 8) & 0xff)) < 40 &&
                abs(Blue(p) - (int)(rgb & 0xff)) < 40)
                return true;
        }
    return false;
}

// An inset still shows the "nothing drawn" blue it was cleared to.
bool Untouched(const DepthView &view) {
    std::vector<uint32_t> pixels = ReadTexture(view.image, DepthViewWidth, DepthViewHeight);
    return std::all_of(pixels.begin(), pixels.end(), [&](uint32_t p) { return p == pixels[0]; });
}

class LabOnHandMadeScene : public PlainGl {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(MakeHandMadeScene(lab.scene, error)) << error;
        ASSERT_TRUE(CreateLabOnScene(lab, error)) << error;
    }
    void TearDown() override { DestroyLab(lab); }
    std::vector<uint32_t> MainTarget() { return ReadTexture(lab.scene.mainColour, MainTargetWidth, MainTargetHeight); }
    Lab lab;
};

// The program's pass culls the tree seen through the gap (the bounding
// panel hides the gap) and draws the one the terrain hides.
const std::vector<bool> StopAndWaitFlags = {true, false, false, false, true, true, true};

TEST_F(LabOnHandMadeScene, EachTreesClassAndMarkFollowTheTruth) {
    RunLabFrame(lab, PixelSpace());
    EXPECT_EQ(lab.culling.flags, StopAndWaitFlags);
    const std::vector<TreeState> expected = {TreeState::Drawn,     TreeState::Missed, TreeState::Culled,
                                             TreeState::OutOfView, TreeState::Wasted, TreeState::Drawn,
                                             TreeState::Drawn};
    EXPECT_EQ(lab.states, expected);
    // Flying: the wrongly culled tree's box is filled in magenta where it
    // shows through the gap; nothing else is marked.
    std::vector<uint32_t> flying = MainTarget();
    EXPECT_TRUE(ColourNear(flying, 150, 150, 0, MissedColour));
    EXPECT_FALSE(ColourNear(flying, 700, 101, 2, WastedColour));
    EXPECT_FALSE(ColourNear(flying, 118, 106, 2, CulledColour));
    // Frozen: the tree drawn for nothing and the one rightly culled get
    // outlines of their own, over whatever hides them.
    SetFreeze(lab, true);
    RunLabFrame(lab, PixelSpace());
    std::vector<uint32_t> frozen = MainTarget();
    EXPECT_TRUE(ColourNear(frozen, 150, 150, 0, MissedColour));
    EXPECT_TRUE(ColourNear(frozen, 700, 151, 2, WastedColour));
    EXPECT_TRUE(ColourNear(frozen, 118, 106, 2, CulledColour));
}

TEST_F(LabOnHandMadeScene, AFreezeKeepsTheFlagsUntilThawedAndAMethodChosenWhileFrozenAnswersForItsCamera) {
    RunLabFrame(lab, PixelSpace());
    SetFreeze(lab, true);
    // The viewer moves so that everything shows 500 pixels further left:
    // Front, the tree behind it and Open leave the view.
    D3DXMATRIX moved = PixelSpace();
    moved._41 -= 1000.0f / 1024;
    long runs = lab.culling.runs;
    RunLabFrame(lab, moved);
    EXPECT_EQ(lab.culling.flags, StopAndWaitFlags);
    EXPECT_EQ(lab.culling.runs, runs);
    // Chosen while frozen, a method answers at once for the frozen camera:
    // culling off draws everything, then the CPU method and the temporal one
    // (its answers settled) cull as the program's pass does there.
    SelectMethod(lab, Method::Off);
    EXPECT_EQ(lab.culling.flags, std::vector<bool>(HandMadeTrees, true));
    SelectMethod(lab, Method::Cpu);
    EXPECT_EQ(lab.culling.flags, StopAndWaitFlags);
    SelectMethod(lab, Method::Temporal);
    EXPECT_EQ(lab.culling.flags, StopAndWaitFlags);
    SelectMethod(lab, Method::StopAndWait);
    SetFreeze(lab, false);
    RunLabFrame(lab, moved);
    const std::vector<bool> thawed = {false, false, false, false, true, false, true};
    EXPECT_EQ(lab.culling.flags, thawed) << "the moved camera's flags after the thaw";
}

// Each method fills the insets of what it uses and leaves the others as they were.
TEST_F(LabOnHandMadeScene, EachMethodFillsOnlyTheInsetsOfWhatItUses) {
    struct {
        Method method;
        bool occlusion, pyramid, cpu;
    } cases[] = {{Method::Off, false, false, false},
                 {Method::Chc, false, false, false},
                 {Method::Cpu, false, false, true},
                 {Method::Hiz, true, true, true},
                 {Method::StopAndWait, true, true, true}};
    for (auto &c : cases) {
        SelectMethod(lab, c.method);
        RunLabFrame(lab, PixelSpace());
        EXPECT_EQ(!Untouched(lab.depth.occlusion), c.occlusion) << MethodName(c.method);
        EXPECT_EQ(!Untouched(lab.depth.pyramid), c.pyramid) << MethodName(c.method);
        EXPECT_EQ(!Untouched(lab.depth.cpu), c.cpu) << MethodName(c.method);
    }
}

// The map rings each tree by what chc did with it in the frame shown, and
// keeps the rings of the frozen frame; other methods leave no rings.
TEST_F(LabOnHandMadeScene, ChcRingsEachTreeOnTheMapByWhatItDidInTheFrameShown) {
    SelectMethod(lab, Method::Chc);
    RunLabFrame(lab, PixelSpace());
    // Its first frame: the scene's one cell queried as a box, then each tree
    // in view on its own; the tree off screen only in its cell's box.
    ASSERT_EQ(lab.rings.size(), (size_t)HandMadeTrees);
    for (int tree : {Front, ThroughGap, Hidden, BehindTerrain, Open, AtEdge})
        EXPECT_EQ(lab.rings[tree], QueriedColour) << "tree " << tree;
    EXPECT_EQ(lab.rings[Offscreen], InCellColour);
    std::vector<uint32_t> first = lab.rings;
    SetFreeze(lab, true);
    D3DXMATRIX moved = PixelSpace();
    moved._41 -= 1000.0f / 1024;
    RunLabFrame(lab, moved);
    EXPECT_EQ(lab.rings, first);
    SelectMethod(lab, Method::StopAndWait);
    RunLabFrame(lab, moved);
    EXPECT_TRUE(lab.rings.empty());
}

// Conditional rendering fills the occlusion inset alone and draws what the
// program's pass draws (the lab reads what it drew). The CPU inset shows
// the depth of the occluders the method rasterises: the gap between Front's
// panels (buffer pixel 47 of row 40) is left open by the inner occluders
// and covered by the bounding panel for the CPU method.
TEST_F(LabOnHandMadeScene, ConditionalRenderingFillsTheOcclusionInsetAndInnerOccludersTheCpuOne) {
    auto gapShowsNothing = [&] {
        uint32_t p = Pixel(ReadTexture(lab.depth.cpu.image, DepthViewWidth, DepthViewHeight), DepthViewWidth, 47, 40);
        return Red(p) == 26 && Green(p) == 31 && Blue(p) == 82;  // the "nothing drawn" blue
    };
    SelectMethod(lab, Method::Conditional);
    RunLabFrame(lab, PixelSpace());
    EXPECT_EQ(lab.culling.flags, StopAndWaitFlags);
    EXPECT_FALSE(Untouched(lab.depth.occlusion));
    EXPECT_TRUE(Untouched(lab.depth.pyramid));
    EXPECT_TRUE(Untouched(lab.depth.cpu));
    SelectMethod(lab, Method::CpuInner);
    RunLabFrame(lab, PixelSpace());
    EXPECT_TRUE(Untouched(lab.depth.pyramid));
    EXPECT_FALSE(Untouched(lab.depth.cpu));
    EXPECT_TRUE(gapShowsNothing());
    SelectMethod(lab, Method::Cpu);
    RunLabFrame(lab, PixelSpace());
    EXPECT_FALSE(gapShowsNothing());
}

// The real forest: a new tree count is announced, kept within its range,
// and culled at once even while frozen (the old forest's flags mean nothing).
TEST_F(PlainGl, ANewTreeCountIsAnnouncedClampedAndCulledAtOnce) {
    Lab lab;
    std::string error;
    ASSERT_TRUE(CreateLab(lab, DefaultTrees, error)) << error;
    D3DXMATRIX vp = PixelSpace();
    RunLabFrame(lab, vp);
    SetFreeze(lab, true);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(SetTreeCount(lab, 1000, error)) << error;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "trees: 1000\n");
    RunLabFrame(lab, vp);
    EXPECT_TRUE(lab.culling.frozen);
    EXPECT_EQ(lab.culling.flags.size(), 1000u);
    EXPECT_EQ(lab.truthPixels.size(), 1000u);
    EXPECT_EQ(lab.states.size(), 1000u);
    ASSERT_TRUE(SetTreeCount(lab, 5, error)) << error;
    EXPECT_EQ(lab.scene.worlds.size(), (size_t)MinTrees);
    ASSERT_TRUE(SetTreeCount(lab, MaxTrees * 2, error)) << error;
    EXPECT_EQ(lab.scene.worlds.size(), (size_t)MaxTrees);
    DestroyLab(lab);
}

}  // namespace
