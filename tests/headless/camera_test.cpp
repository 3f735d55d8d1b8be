// The fly camera's exact answers.
#include <cmath>

#include "program.h"

namespace {

D3DXMATRIX View() {
    D3DXMATRIX view;
    Device->GetTransform(D3DTS_VIEW, &view);
    return view;
}

class CameraTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(StartProgram());
        FrameRate = 300.0f;
    }
    void Frame(std::initializer_list<BYTE> keys) {
        for (BYTE key : keys) KeyStates[key] = 1;
        UpdateCamera();
        for (BYTE key : keys) KeyStates[key] = 0;
    }
};

TEST_F(CameraTest, FirstFrameBuildsTheMatrixAndView) {
    Frame({});
    EXPECT_EQ(Camera.matrix, D3DXMATRIX(1.25f, 0, 0, 0, 0, 1.25f, 0, 0, 0, 0, 1.25f, 0, 0, 10, 0, 1));
    D3DXMATRIX view = View();
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(view.m[i][i], 0.8f);
    EXPECT_FLOAT_EQ(view._42, -8.0f);
    EXPECT_FLOAT_EQ(view._41 + view._43 + view._12 + view._21, 0.0f);
    for (SceneObject &object : SceneObjects) {
        EXPECT_EQ(object.world._41, object.position.x);
        EXPECT_EQ(object.world._43, object.position.z);
    }
}

TEST_F(CameraTest, FirstFrameTurnsButDoesNotMove) {
    Frame({'W', 'A', 'L', 'K'});
    EXPECT_EQ(Camera.position.x, 0.0f);
    EXPECT_EQ(Camera.position.z, 0.0f);
    EXPECT_FLOAT_EQ(Camera.yaw, 0.0017f);
    EXPECT_FLOAT_EQ(Camera.pitch, 0.0017f);
}

TEST_F(CameraTest, MovesAndTurnsByRatePerFrameRate) {
    Frame({});
    Frame({'W'});
    EXPECT_FLOAT_EQ(Camera.position.z, 0.0625f);
    EXPECT_FLOAT_EQ(Camera.position.y, 10.0f);
    EXPECT_FLOAT_EQ(Camera.position.x, 0.0f);
    Frame({'L'});
    EXPECT_FLOAT_EQ(Camera.yaw, 0.0017f);
    EXPECT_EQ(Camera.roll, 0.0f);
}

TEST_F(CameraTest, TheFirstKeyOfEachPairWins) {
    Frame({});
    Frame({'W', 'S', 'A', 'D'});
    EXPECT_GT(Camera.position.z, 0.0f);
    EXPECT_LT(Camera.position.x, 0.0f);
    Frame({'J', 'L', 'K', 'I'});
    EXPECT_LT(Camera.yaw, 0.0f);
    EXPECT_GT(Camera.pitch, 0.0f);
}

TEST_F(CameraTest, ProjectionFollowsTheBackBufferAspect) {
    SetHeadlessClientSize(MainWindow, 1000, 500);
    PostMessageA(MainWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(1000, 500));
    DispatchMessages();
    Frame({});
    D3DXMATRIX projection;
    Device->GetTransform(D3DTS_PROJECTION, &projection);
    EXPECT_FLOAT_EQ(projection._22 / projection._11, 2.0f);
    // A zero-height client area keeps the last projection rather than divide by zero.
    SetHeadlessClientSize(MainWindow, 300, 0);
    PostMessageA(MainWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 0));
    DispatchMessages();
    Frame({});
    D3DXMATRIX after;
    Device->GetTransform(D3DTS_PROJECTION, &after);
    EXPECT_TRUE(std::isfinite(after._11));
}

}  // namespace
