// The fly camera's exact answers.
#include <cmath>

#include "program.h"

namespace {

class CameraTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(StartProgram());
        FrameRate = 300.0f;
    }
    void Frame(const char *keys) {
        for (const char *k = keys; *k; ++k) KeyStates[(BYTE)*k] = 1;
        UpdateCamera();
        for (const char *k = keys; *k; ++k) KeyStates[(BYTE)*k] = 0;
    }
    D3DXMATRIX Transform(D3DTRANSFORMSTATETYPE which) {
        D3DXMATRIX matrix;
        Device->GetTransform(which, &matrix);
        return matrix;
    }
};

TEST_F(CameraTest, TheFirstFrameBuildsTheViewAndTurnsButDoesNotMove) {
    Frame("WALK");
    EXPECT_EQ(Camera.position.x, 0.0f);
    EXPECT_EQ(Camera.position.z, 0.0f);
    EXPECT_FLOAT_EQ(Camera.yaw, 0.0017f);
    EXPECT_FLOAT_EQ(Camera.pitch, 0.0017f);
    Camera.yaw = Camera.pitch = 0;
    Frame("");
    D3DXMATRIX view = Transform(D3DTS_VIEW);
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(view.m[i][i], 0.8f);
    EXPECT_FLOAT_EQ(view._42, -8.0f);  // the eye 10 units up, seen through the 1.25 scale
}

TEST_F(CameraTest, EachKeyMovesOrTurnsByItsRateOverTheFrameRateAndTheFirstOfAPairWins) {
    const float step = 15.0f / 300 * 1.25f, turn = 0.51f / 300;
    struct { const char *keys; float x, z, yaw, pitch; } cases[] = {
        {"W", 0, step, 0, 0},    {"S", 0, -step, 0, 0},   {"A", -step, 0, 0, 0},   {"D", step, 0, 0, 0},
        {"J", 0, 0, -turn, 0},   {"L", 0, 0, turn, 0},    {"K", 0, 0, 0, turn},    {"I", 0, 0, 0, -turn},
        {"SW", 0, step, 0, 0},   {"DA", -step, 0, 0, 0},  {"LJ", 0, 0, -turn, 0},  {"IK", 0, 0, 0, turn}};
    for (auto &c : cases) {
        Camera = FlyCamera{D3DXVECTOR3(0, 10, 0), 0, 0, 0, D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)};
        Frame("");
        Frame(c.keys);
        EXPECT_FLOAT_EQ(Camera.position.x, c.x) << c.keys;
        EXPECT_FLOAT_EQ(Camera.position.y, 10.0f) << c.keys;
        EXPECT_FLOAT_EQ(Camera.position.z, c.z) << c.keys;
        EXPECT_FLOAT_EQ(Camera.yaw, c.yaw) << c.keys;
        EXPECT_FLOAT_EQ(Camera.pitch, c.pitch) << c.keys;
        EXPECT_EQ(Camera.roll, 0.0f);
    }
}

// Yaw turns right about the vertical, pitch then tilts down; the view maps
// the turned forward and right directions onto its z and x axes, scaled by
// 1 / 1.25, and W flies along the turned forward direction.
TEST_F(CameraTest, TheViewTurnsWithYawAndPitchTogetherAndFliesAlongIt) {
    const float yaw = 0.5f, pitch = 0.3f;
    Camera.yaw = yaw, Camera.pitch = pitch;
    Frame("");
    D3DXVECTOR3 start = Camera.position;
    D3DXVECTOR3 forward(sinf(yaw) * cosf(pitch), -sinf(pitch), cosf(yaw) * cosf(pitch));
    D3DXVECTOR3 right(cosf(yaw), 0, -sinf(yaw));
    D3DXMATRIX view = Transform(D3DTS_VIEW);
    struct { D3DXVECTOR3 direction, expected; } cases[] = {{forward, {0, 0, 8}}, {right, {8, 0, 0}}};
    for (auto &c : cases) {
        D3DXVECTOR3 point(start.x + 10 * c.direction.x, start.y + 10 * c.direction.y, start.z + 10 * c.direction.z);
        D3DXVECTOR3 seen;
        D3DXVec3TransformCoord(&seen, &point, &view);
        EXPECT_NEAR(seen.x, c.expected.x, 1e-4f);
        EXPECT_NEAR(seen.y, c.expected.y, 1e-4f);
        EXPECT_NEAR(seen.z, c.expected.z, 1e-4f);
    }
    Frame("W");
    EXPECT_NEAR(Camera.position.x - start.x, 0.0625f * forward.x, 1e-6f);
    EXPECT_NEAR(Camera.position.y - start.y, 0.0625f * forward.y, 1e-6f);
    EXPECT_NEAR(Camera.position.z - start.z, 0.0625f * forward.z, 1e-6f);
}

TEST_F(CameraTest, TheProjectionIsAQuarterPiFromOneToAThousandAtTheBackBuffersAspect) {
    Resize(1000, 500);
    Frame("");
    D3DXMATRIX projection = Transform(D3DTS_PROJECTION);
    EXPECT_FLOAT_EQ(projection._22, 2.4142137f);  // 1 / tan(pi / 8)
    EXPECT_FLOAT_EQ(projection._11, 2.4142137f / 2);
    EXPECT_FLOAT_EQ(projection._33, 1000.0f / 999.0f);
    EXPECT_FLOAT_EQ(projection._43, -1000.0f / 999.0f);
    // A zero-height client area gives a one-pixel-high back buffer, never a division by zero.
    Resize(300, 0);
    Frame("");
    EXPECT_TRUE(std::isfinite(Transform(D3DTS_PROJECTION)._11));
}

}  // namespace
