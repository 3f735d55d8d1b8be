// Whole frames of the real scene.
#include "program.h"

namespace {

TEST_F(ProgramTest, FirstFramesShowSkyTerrainAndTrees) {
    ASSERT_TRUE(StartProgram());
    ShowWindow(MainWindow, SW_SHOWDEFAULT);
    DispatchMessages();
    for (int i = 0; i < 3; ++i) RenderFrame();
    auto pixels = ReadBackBuffer();
    if (getenv("OC_SAVE_FRAME"))
        SavePixels(pixels, PresentParameters.BackBufferWidth, PresentParameters.BackBufferHeight, getenv("OC_SAVE_FRAME"));
    int red = CountPixels(pixels, 0xFFFF0000);
    EXPECT_LT(red, (int)pixels.size() / 100);
    EXPECT_GT(FrameCounters.objectsRendered, 0);
    EXPECT_EQ(FrameCounters.verticesRendered, FrameCounters.objectsRendered * TreeMesh->vertexCount);
}

}  // namespace
