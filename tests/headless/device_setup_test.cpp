// The program's window: device set-up, resize and teardown as the program does
// them, the key table, the message loop and the program's entry.
#include <unistd.h>

#include "program.h"

namespace {

void ExpectEachResourceOnce() {
    EXPECT_EQ(LiveObjectCount(LiveQuery), 1);
    EXPECT_EQ(LiveObjectCount(LiveRenderToSurface), 1);
    EXPECT_EQ(LiveObjectCount(LiveStateBlock), 2);
    EXPECT_EQ(LiveObjectCount(LiveVertexBuffer), 1 + 4);  // the font's, and one per mesh
    // The occlusion target, the atlas, and the meshes' textures (grass, six
    // sky faces, bark, leaves).
    EXPECT_EQ(LiveObjectCount(LiveTexture), 2 + 9);
}

// The frame rate shown is the program's own, never the display's.
TEST_F(ProgramTest, PresentationIsNotTiedToTheDisplaysRefresh) {
    ASSERT_TRUE(StartProgram());
    EXPECT_EQ(static_cast<D3DDevice *>(Device)->parameters.PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
}

// Sizes a user can give, degenerate ones included; each new size resets
// once, and the states the program set survive the reset.
TEST_F(ProgramTest, EachNewClientSizeResetsOnceAndRebuildsEverythingAndTeardownGoesDeviceLast) {
    ASSERT_TRUE(StartProgram());
    SetManualPerformanceCounter(true, 0);  // the same frame rate shown in every frame
    RenderFrame();
    const std::vector<DWORD> first = ReadBackBuffer();  // 1024 x 768, before any reset
    RecordingDevice &recorder = Record();
    struct { int width, height, type, resets; UINT backBufferWidth, backBufferHeight; } steps[] = {
        {800, 600, SIZE_RESTORED, 1, 800, 600}, {800, 600, -1, 0, 800, 600},  // the same size again
        {800, 500, SIZE_MAXIMIZED, 1, 800, 500}, {700, 500, -1, 1, 700, 500},  // height, then width alone
        {300, 200, SIZE_MINIMIZED, 0, 700, 500}, {700, 500, SIZE_RESTORED, 0, 700, 500},
        {0, 0, SIZE_RESTORED, 1, 1, 1}, {1, 1, SIZE_RESTORED, 0, 1, 1}, {2000, 1500, -1, 1, 2000, 1500},
        {1024, 768, SIZE_RESTORED, 1, 1024, 768}};
    for (auto &s : steps) {
        recorder.calls.clear();
        Resize(s.width, s.height, s.type);
        EXPECT_EQ(recorder.Count("Reset"), s.resets) << s.width << "x" << s.height << " " << s.type;
        RenderFrame();
        EXPECT_EQ(ReadBackBuffer().size(), s.backBufferWidth * s.backBufferHeight);
    }
    EXPECT_EQ(ReadBackBuffer(), first);
    SetManualPerformanceCounter(false);
    ExpectEachResourceOnce();
    DestroyWindow(MainWindow);
    MainWindow = NULL;
    EXPECT_EQ(recorder.calls.back(), "Release");
    EXPECT_EQ(recorder.othersAliveAtRelease, 0);  // meshes, font and occlusion resources went first
    EXPECT_EQ(Device, nullptr);
    EXPECT_EQ(LiveObjectTotal(), 0);
}

TEST_F(ProgramTest, AFailedResetSkipsTheOcclusionPassAndOverlayUntilTheNextSizeChange) {
    ASSERT_TRUE(StartProgram());
    RenderFrame();
    InjectDeviceFault(Device, FaultResetOnce);
    Resize(640, 480);
    EXPECT_EQ(OcclusionQuery, nullptr);
    EXPECT_EQ(Font->vertexBuffer, nullptr);
    std::vector<bool> before;
    for (auto &object : SceneObjects) before.push_back(object.visible);
    for (int i = 0; i < 3; ++i) RenderFrame();  // goes on, keeping last flags
    for (size_t i = 0; i < SceneObjects.size(); ++i) EXPECT_EQ(SceneObjects[i].visible, before[i]);

    Resize(700, 500);
    ExpectEachResourceOnce();
    RenderFrame();
    EXPECT_EQ(ReadBackBuffer().size(), 700u * 500u);
}

// Key-down sets a key (repeats too), key-up clears it, also when released
// with Alt held; Alt+key leaves it; codes past the table fold into it.
// Losing the focus releases every key, as no key-up comes for keys released
// in another window; a key still held on return counts once it repeats.
TEST_F(ProgramTest, KeyMessagesSetAndClearTheKeyTableAndLosingTheFocusClearsIt) {
    ASSERT_TRUE(StartProgram());
    const struct { UINT message; WPARAM key; LPARAM lParam; int shown; BYTE expected; } steps[] = {
        {WM_KEYDOWN, 'W', 0, 'W', 1}, {WM_KEYDOWN, 'W', 1 | 1 << 30, 'W', 1}, {WM_KEYUP, 'W', 0, 'W', 0},
        {WM_SYSKEYDOWN, 'A', 1 << 29, 'A', 0}, {WM_KEYDOWN, 'D', 0, 'D', 1}, {WM_SYSKEYUP, 'D', 1 << 29, 'D', 0},
        {WM_KEYDOWN, 0x1FF, 0, 0xFF, 1}, {WM_KEYDOWN, 'J', 0, 'J', 1}, {WM_ACTIVATE, WA_INACTIVE, 0, 'J', 1},
        {WM_KILLFOCUS, 0, 0, 'J', 0}, {WM_SETFOCUS, 0, 0, 0xFF, 0}, {WM_KEYDOWN, 'J', 1 | 1 << 30, 'J', 1}};
    for (auto &s : steps) {
        PostMessageA(MainWindow, s.message, s.key, s.lParam);
        DispatchMessages();
        EXPECT_EQ(KeyStates[s.shown], s.expected) << "message " << s.message << ", key " << s.key;
    }
}

TEST_F(ProgramTest, TheLoopHandlesEveryWaitingMessageBeforeAFrameAndNoneAfterDestroy) {
    ASSERT_TRUE(StartProgram());
    int frames = FrameCount;
    for (int i = 0; i < 5; ++i) PostMessageA(MainWindow, WM_KEYDOWN, 'A' + i, 0);
    PostMessageA(MainWindow, WM_CLOSE, 0, 0);
    RunMessageLoop();
    EXPECT_EQ(FrameCount, frames);  // no frame while messages waited, none after ReleaseAll
    EXPECT_EQ(KeyStates['E'], 1);
    EXPECT_EQ(Device, nullptr);
    MainWindow = NULL;
}

TEST_F(ProgramTest, WinMainOpensA1024By768WindowAndAFailedStartEndsWithOne) {
    SetHeadlessWindows(true);
    PostQuitMessage(0);  // taken once the start-up's own messages are handled
    EXPECT_EQ(WinMain(NULL, NULL, NULL, 0), 0);
    EXPECT_EQ(PresentParameters.BackBufferWidth, 1024u - 16);  // the client area of a 1024 x 768 window
    EXPECT_EQ(PresentParameters.BackBufferHeight, 768u - 39);
    EXPECT_EQ(SceneObjects.size(), 300u);
    StopProgram();

    ASSERT_EQ(unlink("Materials"), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(WinMain(NULL, NULL, NULL, 0), 1);
    std::string error = testing::internal::GetCapturedStderr();
    EXPECT_NE(error.find("loading the scene"), std::string::npos) << error;
}

}  // namespace
