// Device set-up, resize and teardown as the program does them, and its entry.
#include <unistd.h>

#include "program.h"

namespace {

// The states the program sets, and those it leaves at Direct3D's defaults:
// no blending factors, the depth test and writes as they come.
void ExpectRenderStates() {
    struct { D3DRENDERSTATETYPE state; DWORD value; } render[] = {
        {D3DRS_LIGHTING, FALSE}, {D3DRS_ZENABLE, D3DZB_TRUE}, {D3DRS_ALPHABLENDENABLE, TRUE},
        {D3DRS_DITHERENABLE, FALSE}, {D3DRS_SPECULARENABLE, FALSE}, {D3DRS_AMBIENT, 0xFFFFFFFF},
        {D3DRS_SRCBLEND, D3DBLEND_ONE}, {D3DRS_DESTBLEND, D3DBLEND_ZERO}, {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
        {D3DRS_ZWRITEENABLE, TRUE}, {D3DRS_CULLMODE, D3DCULL_CCW}, {D3DRS_ALPHATESTENABLE, FALSE}};
    for (auto &r : render) {
        DWORD value = 0xDEAD;
        Device->GetRenderState(r.state, &value);
        EXPECT_EQ(value, r.value) << "render state " << r.state;
    }
    DWORD stage[] = {D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE};
    for (int i = 0; i < 6; ++i) {
        DWORD value = 0xDEAD;
        Device->GetTextureStageState(0, (D3DTEXTURESTAGESTATETYPE)(i + 1), &value);
        EXPECT_EQ(value, stage[i]) << "stage state " << i + 1;
    }
    for (D3DSAMPLERSTATETYPE filter : {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER}) {
        DWORD value = 0;
        Device->GetSamplerState(0, filter, &value);
        EXPECT_EQ(value, (DWORD)D3DTEXF_LINEAR) << "sampler state " << filter;
    }
}

void ExpectEachResourceOnce() {
    EXPECT_EQ(LiveObjectCount(LiveQuery), 1);
    EXPECT_EQ(LiveObjectCount(LiveRenderToSurface), 1);
    EXPECT_EQ(LiveObjectCount(LiveStateBlock), 2);
    EXPECT_EQ(LiveObjectCount(LiveVertexBuffer), 1 + 4);  // the font's, and one per mesh
    // The occlusion target, the atlas, and the meshes' textures (grass, six
    // sky faces, bark, leaves).
    EXPECT_EQ(LiveObjectCount(LiveTexture), 2 + 9);
}

TEST_F(ProgramTest, TheDeviceHasTheFixedPresentationParametersAndStates) {
    ASSERT_TRUE(StartProgram());
    const D3DPRESENT_PARAMETERS &p = static_cast<D3DDevice *>(Device)->parameters;
    struct { const char *field; UINT value, expected; } fields[] = {
        {"BackBufferWidth", p.BackBufferWidth, 1024}, {"BackBufferHeight", p.BackBufferHeight, 768},
        {"BackBufferFormat", p.BackBufferFormat, D3DFMT_X8R8G8B8}, {"BackBufferCount", p.BackBufferCount, 1},
        {"MultiSampleType", p.MultiSampleType, D3DMULTISAMPLE_NONE}, {"SwapEffect", p.SwapEffect, D3DSWAPEFFECT_DISCARD},
        {"Windowed", (UINT)p.Windowed, TRUE}, {"EnableAutoDepthStencil", (UINT)p.EnableAutoDepthStencil, TRUE},
        {"AutoDepthStencilFormat", p.AutoDepthStencilFormat, D3DFMT_D16}, {"Flags", p.Flags, 0},
        {"FullScreen_RefreshRateInHz", p.FullScreen_RefreshRateInHz, 0},
        {"PresentationInterval", p.PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE}};
    for (auto &f : fields) EXPECT_EQ(f.value, f.expected) << f.field;
    EXPECT_EQ(p.hDeviceWindow, nullptr);
    ExpectRenderStates();
    ExpectEachResourceOnce();
}

TEST_F(ProgramTest, EachNewClientSizeResetsOnceAndRebuildsEverythingAndTeardownGoesDeviceLast) {
    ASSERT_TRUE(StartProgram());
    RecordingDevice &recorder = Record();
    struct { int width, height, type, resets; UINT backBufferWidth, backBufferHeight; } steps[] = {
        {800, 600, SIZE_RESTORED, 1, 800, 600},  {800, 600, -1, 0, 800, 600},  // the same size again
        {800, 500, SIZE_MAXIMIZED, 1, 800, 500}, {700, 500, -1, 1, 700, 500},  // height, then width alone
        {300, 200, SIZE_MINIMIZED, 0, 700, 500}, {700, 500, SIZE_RESTORED, 0, 700, 500}};
    for (auto &s : steps) {
        recorder.calls.clear();
        Resize(s.width, s.height, s.type);
        EXPECT_EQ(recorder.Count("Reset"), s.resets) << s.width << "x" << s.height << " " << s.type;
        RenderFrame();
        EXPECT_EQ(ReadBackBuffer().size(), s.backBufferWidth * s.backBufferHeight);
        ExpectRenderStates();
        ExpectEachResourceOnce();
    }
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
    ExpectRenderStates();
    RenderFrame();
    EXPECT_EQ(ReadBackBuffer().size(), 700u * 500u);
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
