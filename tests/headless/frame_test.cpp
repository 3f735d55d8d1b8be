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

TEST_F(ProgramTest, CountersMatchTheVisibleFlags) {
    ASSERT_TRUE(StartProgram());
    for (int frame = 0; frame < 3; ++frame) {
        RenderFrame();
        int visible = 0;
        for (SceneObject &object : SceneObjects) visible += object.visible;
        EXPECT_EQ(FrameCounters.objectsRendered, visible);
        EXPECT_EQ(FrameCounters.verticesRendered, (UINT)visible * TreeMesh->vertexCount);
        KeyStates['L'] = 1;  // turn a little between frames
    }
    KeyStates['L'] = 0;
}

TEST_F(ProgramTest, AFrameWhoseSceneCannotBeginDrawsNothingButIsPresentedAndCounted) {
    ASSERT_TRUE(StartProgram());
    RenderFrame();
    std::vector<DWORD> before = ReadBackBuffer();
    int frames = FrameCount;
    ASSERT_EQ(Device->BeginScene(), D3D_OK);  // a scene left open makes the next BeginScene fail
    EXPECT_EQ(RenderFrame(), S_OK);
    Device->EndScene();
    EXPECT_EQ(FrameCounters.objectsRendered, 0);
    EXPECT_EQ(FrameCounters.verticesRendered, 0u);
    EXPECT_EQ(FrameCount, frames + 1);
    EXPECT_EQ(ReadBackBuffer(), before);
}

}  // namespace
