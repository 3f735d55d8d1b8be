// The occlusion pass on the real device with the real bounding mesh and
// trees placed by hand, the camera at its start looking along +z.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <functional>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "program.h"

namespace {

class OcclusionTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(StartProgram());
        SceneObjects.clear();
    }
    void Place(float x, float z, MeshModel *bounding = nullptr, float y = 12) {
        SceneObject object{TreeMesh, bounding ? bounding : TreeBoundingMesh, D3DXVECTOR3(x, y, z), {}, false};
        AddSceneObject(object);
    }
    std::vector<bool> Pass() {
        UpdateCamera();
        RunOcclusionPass();
        std::vector<bool> flags;
        for (SceneObject &object : SceneObjects) flags.push_back(object.visible);
        return flags;
    }
    std::vector<unsigned char> ReadBuffer() {
        std::ifstream file("buffer.bmp", std::ios::binary);
        return std::vector<unsigned char>((std::istreambuf_iterator<char>(file)), {});
    }
};

TEST_F(OcclusionTest, NearerTreesHideFartherOnesButNotTwinsAndNothingOutsideTheView) {
    Place(0, 30);
    Place(0, 60);     // straight behind the first
    Place(20, 40);    // beside it
    Place(20, 40);    // its twin at the same place
    Place(0, -30);    // behind the camera
    Place(0, 1300);   // beyond the far plane
    Place(900, 100);  // far off to the side
    EXPECT_EQ(Pass(), (std::vector<bool>{true, false, true, true, false, false, false}));
    SceneObjects[0].position.x = 900;  // the front tree goes: last frame's depth must not hide the one behind
    EXPECT_EQ(Pass(), (std::vector<bool>{false, true, true, true, false, false, false}));
}

// The camera at its start (0, 10, 0) looks along +z; the near plane is 1.25
// units ahead. A bounding mesh that holds the camera, or that the near plane
// cuts, shows only faces turned away, and its query counts nothing: the
// tree is drawn all the same. One cut beside the view is not.
TEST_F(OcclusionTest, ATreeTheNearPlaneCutsInsideTheViewIsDrawn) {
    Place(0, 0);       // around the camera
    Place(0, 6.9f);    // its box's near face 0.6 units ahead
    Place(1.5f, 7.0f); // the same, a little aside
    Place(30, 0);      // cut by the near plane far to the side, out of view
    Place(0, -7.5f);   // wholly behind the camera
    EXPECT_EQ(Pass(), (std::vector<bool>{true, true, true, false, false}));
}

TEST_F(OcclusionTest, WithoutAQueryEveryTreeIsDrawn) {
    OcclusionQuery->Release();
    OcclusionQuery = nullptr;
    Place(0, -30);  // behind the camera
    EXPECT_EQ(Pass(), std::vector<bool>{true});
}

TEST_F(OcclusionTest, TheOrderOfTheObjectsDoesNotChangeTheFlags) {
    for (int i = 0; i < 60; ++i) Place((float)((i * 37) % 120 - 60), (float)(15 + (i * 53) % 140));
    std::vector<bool> forward = Pass();
    std::reverse(SceneObjects.begin(), SceneObjects.end());
    std::vector<bool> backward = Pass();
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(forward, backward);
    EXPECT_GT(std::count(forward.begin(), forward.end(), false), 0);
    EXPECT_GT(std::count(forward.begin(), forward.end(), true), 0);
}

TEST_F(OcclusionTest, OnePixelMakesATreeVisibleAndLessThanAPixelCullsIt) {
    // A box a hundredth of a unit across, 100 units away: a few hundredths of
    // a pixel in the 320 x 240 buffer. Straight ahead it covers the centre
    // of one pixel; a little to the side, none.
    FILE *file = fopen("speck.x", "w");
    ASSERT_NE(file, nullptr);
    fputs("xof 0303txt 0032\nMesh { 8; -0.005;-0.005;-0.005;, 0.005;-0.005;-0.005;, -0.005;0.005;-0.005;, "
          "0.005;0.005;-0.005;, -0.005;-0.005;0.005;, 0.005;-0.005;0.005;, -0.005;0.005;0.005;, 0.005;0.005;0.005;;\n"
          "12; 3;0,2,1;, 3;1,2,3;, 3;4,5,6;, 3;5,7,6;, 3;0,1,4;, 3;1,5,4;, 3;2,6,3;, 3;3,6,7;, 3;0,4,2;, 3;2,4,6;, "
          "3;1,3,5;, 3;3,7,5;; }\n", file);
    fclose(file);
    MeshModel speck;
    ASSERT_EQ(speck.Load("speck.x"), S_OK);
    Place(0.3f, 100, &speck);
    Place(0, 100, &speck, 10);
    EXPECT_EQ(Pass(), (std::vector<bool>{false, true}));
    speck.Release();
}

TEST_F(OcclusionTest, HoldingMSavesTheBufferEveryFrame) {
    KeyStates['M'] = 1;
    Pass();  // no objects: uniformly grey
    std::vector<unsigned char> empty = ReadBuffer();
    ASSERT_EQ(empty.size(), 54u + 320 * 240 * 4);
    // Other tools scale the bitmap by its resolution: 2835 pixels per metre (72 per inch) each way.
    auto field = [&](size_t at) { return empty[at] | empty[at + 1] << 8 | empty[at + 2] << 16 | empty[at + 3] << 24; };
    EXPECT_EQ(field(38), 2835);
    EXPECT_EQ(field(42), 2835);
    for (size_t i = 54; i < empty.size(); ++i) ASSERT_EQ(empty[i], (i - 54) % 4 == 3 ? empty[i] : 200) << i;  // grey; alpha aside
    Place(0, 30);
    Pass();
    std::vector<unsigned char> first = ReadBuffer();
    SceneObjects[0].position.x = 40;  // moves to the right
    Pass();
    std::vector<unsigned char> last = ReadBuffer();
    ASSERT_EQ(last.size(), empty.size());
    // The last frame's tree is right of the centre: the centre column is grey.
    size_t middle = 54 + (120 * 320 + 160) * 4;
    EXPECT_NE(first[middle], 200);
    EXPECT_EQ(last[middle], 200);
    KeyStates['M'] = 0;
}

// buffer.bmp under faults: the frame goes on, and a good file already there
// is never replaced by a truncated one.
TEST_F(OcclusionTest, BufferFileFaultsLeaveTheFrameGoingOnAndAGoodFileWhole) {
    struct rlimit unlimited;
    getrlimit(RLIMIT_FSIZE, &unlimited);
    struct Fault {
        const char *name;
        std::function<void()> make, undo;
    } faults[] = {
        {"a directory", [] { remove("buffer.bmp"), mkdir("buffer.bmp", 0755); }, [] { rmdir("buffer.bmp"); }},
        {"a read-only file", [] { chmod("buffer.bmp", 0444); }, [] { chmod("buffer.bmp", 0644); }},
        {"a full disk",  // files may not grow past 64 KiB: the write fails part way
         [] {
             signal(SIGXFSZ, SIG_IGN);
             struct rlimit small = {65536, RLIM_INFINITY};
             setrlimit(RLIMIT_FSIZE, &small);
         },
         [&] { setrlimit(RLIMIT_FSIZE, &unlimited); }},
    };
    Place(0, 30);
    KeyStates['M'] = 1;
    for (Fault &fault : faults) {
        SceneObjects[0].position.x = 0;
        Pass();
        const std::vector<unsigned char> good = ReadBuffer();
        ASSERT_EQ(good.size(), 54u + 320 * 240 * 4) << fault.name;
        SceneObjects[0].position.x = 10;  // the next buffers differ
        fault.make();
        EXPECT_EQ(Pass(), std::vector<bool>{true}) << fault.name;
        RenderFrame();
        fault.undo();
        struct stat partial;
        EXPECT_NE(stat("buffer.bmp.partial", &partial), 0) << fault.name << " left a partial file";
        if (fault.name != faults[0].name) {
            EXPECT_EQ(ReadBuffer(), good) << fault.name;
        }
        Pass();  // and once the fault is gone, the file is written again
        std::vector<unsigned char> after = ReadBuffer();
        EXPECT_EQ(after.size(), good.size()) << fault.name;
        EXPECT_NE(after, good) << fault.name;
    }
    KeyStates['M'] = 0;
}

}  // namespace
