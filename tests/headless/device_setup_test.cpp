// Device set-up, resize and teardown as the program does them.
#include "d3d9/device_impl.h"
#include "d3d9/live_objects.h"
#include "program.h"

namespace {

void ExpectFixedRenderStates() {
    struct { D3DRENDERSTATETYPE state; DWORD value; } render[] = {
        {D3DRS_DITHERENABLE, FALSE}, {D3DRS_SPECULARENABLE, FALSE}, {D3DRS_ZENABLE, D3DZB_TRUE},
        {D3DRS_AMBIENT, 0xFFFFFFFF}, {D3DRS_ALPHABLENDENABLE, TRUE}, {D3DRS_LIGHTING, FALSE}};
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
    DWORD filter = 0;
    Device->GetSamplerState(0, D3DSAMP_MINFILTER, &filter);
    EXPECT_EQ(filter, (DWORD)D3DTEXF_LINEAR);
    Device->GetSamplerState(0, D3DSAMP_MAGFILTER, &filter);
    EXPECT_EQ(filter, (DWORD)D3DTEXF_LINEAR);
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

TEST_F(ProgramTest, ResizesResetTheDeviceToTheClientSizeWithEverythingRebuilt) {
    ASSERT_TRUE(StartProgram());
    EXPECT_EQ(PresentParameters.BackBufferWidth, 1024u);
    ExpectFixedRenderStates();
    ExpectEachResourceOnce();

    ShowWindow(MainWindow, SW_SHOWDEFAULT);  // its WM_SIZE finds the smaller client area
    DispatchMessages();
    RECT client;
    GetClientRect(MainWindow, &client);
    EXPECT_EQ(PresentParameters.BackBufferWidth, (UINT)client.right);
    EXPECT_EQ(PresentParameters.BackBufferHeight, (UINT)client.bottom);
    ExpectFixedRenderStates();
    ExpectEachResourceOnce();

    for (int i = 0; i < 3; ++i) {
        SetHeadlessClientSize(MainWindow, 1000 - 100 * i, 500 + 10 * i);
        PostMessageA(MainWindow, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(1000 - 100 * i, 500 + 10 * i));
        DispatchMessages();
        RenderFrame();
        EXPECT_EQ(PresentParameters.BackBufferWidth, 1000u - 100 * i);
        ExpectFixedRenderStates();
        ExpectEachResourceOnce();
    }
    EXPECT_EQ(ReadBackBuffer().size(), 800u * 520u);

    // The same size again resets nothing.
    IDirect3DQuery9 *query = OcclusionQuery;
    PostMessageA(MainWindow, WM_EXITSIZEMOVE, 0, 0);
    DispatchMessages();
    EXPECT_EQ(OcclusionQuery, query);

    DestroyWindow(MainWindow);
    MainWindow = NULL;
    EXPECT_EQ(Device, nullptr);
    EXPECT_EQ(Font, nullptr);
    EXPECT_EQ(TreeMesh, nullptr);
    EXPECT_EQ(LiveObjectTotal(), 0);
}

TEST_F(ProgramTest, AFailedResetSkipsTheOcclusionPassAndOverlayUntilTheNextSizeChange) {
    ASSERT_TRUE(StartProgram());
    RenderFrame();
    InjectDeviceFault(Device, FaultResetOnce);
    SetHeadlessClientSize(MainWindow, 640, 480);
    PostMessageA(MainWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480));
    DispatchMessages();
    EXPECT_EQ(OcclusionQuery, nullptr);
    EXPECT_EQ(Font->vertexBuffer, nullptr);
    std::vector<bool> before;
    for (auto &object : SceneObjects) before.push_back(object.visible);
    for (int i = 0; i < 3; ++i) RenderFrame();  // goes on, keeping last flags
    for (size_t i = 0; i < SceneObjects.size(); ++i) EXPECT_EQ(SceneObjects[i].visible, before[i]);

    SetHeadlessClientSize(MainWindow, 700, 500);
    PostMessageA(MainWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(700, 500));
    DispatchMessages();
    ExpectEachResourceOnce();
    ExpectFixedRenderStates();
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

}  // namespace
