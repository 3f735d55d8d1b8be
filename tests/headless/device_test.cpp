// The device layer's rules that the conformance program does not compare
// with the reference: the depth range, how many polls a query answers
// pending, and object lifetimes.
#include <algorithm>

#include "d3d9/live_objects.h"
#include "headless_device.h"

namespace {

class DeviceTest : public ::testing::Test {
protected:
    HeadlessDevice d;
    IDirect3DDevice9 *dev = nullptr;
    void SetUp() override {
        ASSERT_TRUE(d.Create(64, 64));
        dev = d.device;
        dev->Clear(0, NULL, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    }
    void Quad(float x1, float y1, float x2, float y2, DWORD colour, float z = 0.5f) {
        ScreenVertex quad[4] = {{x1, y1, z, 1, colour, 0, 0}, {x2, y1, z, 1, colour, 0, 0},
                                {x1, y2, z, 1, colour, 0, 0}, {x2, y2, z, 1, colour, 0, 0}};
        dev->SetFVF(ScreenVertexFormat);
        dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
    }
};

// Depth runs from 0 at the near plane, as in Direct3D, not from -1: what lies
// just in front of the near plane is clipped.
TEST_F(DeviceTest, DepthRangeIsZeroToOne) {
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    Quad(-0.5f, -0.5f, 7.5f, 7.5f, 0xFFFFFFFF, 0.0f);
    EXPECT_EQ(d.Read()[0], 0xFFFFFFFFu);
    Quad(-0.5f, -0.5f, 7.5f, 7.5f, 0xFF123456, -0.01f);
    EXPECT_EQ(d.Read()[0], 0xFFFFFFFFu);
}

// Polls with the flag until the answer comes; returns the S_FALSE count.
int PollsPending(IDirect3DQuery9 *query, DWORD &data) {
    int pending = 0;
    while (query->GetData(&data, sizeof data, D3DGETDATA_FLUSH) == S_FALSE && pending < 1000) ++pending;
    return pending;
}

// A program polling with D3DGETDATA_FLUSH until the answer comes, as the
// occlusion pass does, sees at most one S_FALSE, so it does not spin on the
// CPU the driver needs. Every other round an unflagged poll comes first: it
// must neither lose nor repeat the count. (The conformance program compares
// the first poll's answer with the reference; what follows is the layer's.)
TEST_F(DeviceTest, PollingWithTheFlushFlagAnswersPendingAtMostOnceThenTheCount) {
    IDirect3DQuery9 *query = nullptr;
    ASSERT_EQ(dev->CreateQuery(D3DQUERYTYPE_OCCLUSION, &query), D3D_OK);
    int worst = 0;
    for (int i = 1; i <= 40; ++i) {
        query->Issue(D3DISSUE_BEGIN);
        Quad(-0.5f, -0.5f, i - 0.5f, 2.5f, 0xFFFFFFFF);  // i x 3 pixels
        query->Issue(D3DISSUE_END);
        DWORD count = 0;
        if (i % 2) query->GetData(&count, sizeof count, 0);
        worst = std::max(worst, PollsPending(query, count));
        EXPECT_EQ(count, (DWORD)(3 * i));
    }
    EXPECT_LE(worst, 1);
    IDirect3DQuery9 *event = nullptr;
    ASSERT_EQ(dev->CreateQuery(D3DQUERYTYPE_EVENT, &event), D3D_OK);
    for (int i = 0; i < 10; ++i) {
        Quad(-0.5f, -0.5f, 63.5f, 63.5f, 0xFFFFFFFF);
        event->Issue(D3DISSUE_END);
        DWORD signalled = FALSE;
        EXPECT_LE(PollsPending(event, signalled), 1);
        EXPECT_EQ(signalled, (DWORD)TRUE);
    }
    event->Release();
    query->Release();
}

TEST(DeviceLifetime, EveryObjectIsReleasedWithItsLastReference) {
    int before = LiveObjectTotal();
    {
        HeadlessDevice d;
        ASSERT_TRUE(d.Create(32, 32));
        IDirect3DTexture9 *texture = nullptr;
        d.device->CreateTexture(16, 16, 0, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &texture, NULL);
        IDirect3DSurface9 *level = nullptr;
        texture->GetSurfaceLevel(1, &level);
        texture->Release();  // the surface keeps its texture alive
        EXPECT_EQ(LiveObjectCount(LiveTexture), 1);
        level->Release();
        EXPECT_EQ(LiveObjectCount(LiveTexture), 0);
        IDirect3DQuery9 *query = nullptr;
        d.device->CreateQuery(D3DQUERYTYPE_OCCLUSION, &query);
        d.device->Release();  // the query still holds the device
        d.device = nullptr;
        EXPECT_EQ(LiveObjectCount(LiveDevice), 1);
        query->Release();
        EXPECT_EQ(LiveObjectCount(LiveDevice), 0);
    }
    EXPECT_EQ(LiveObjectTotal(), before);
}

}  // namespace
