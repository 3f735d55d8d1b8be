// How the device answers a program that polls a query with
// D3DGETDATA_FLUSH until the answer comes, as the occlusion pass does: at
// most one S_FALSE, then the answer, so the program does not spin on the
// CPU that the driver needs. The conformance program compares the first
// poll's answer with the reference; how many come after it is the layer's.
#include <algorithm>

#include "headless_device.h"

namespace {

class QueryPollTest : public ::testing::Test {
protected:
    HeadlessDevice d;
    IDirect3DDevice9 *dev = nullptr;
    void SetUp() override {
        ASSERT_TRUE(d.Create(64, 64));
        dev = d.device;
        dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    }
    // A w x h rectangle of pixels at the top left.
    void Rectangle(float w, float h) {
        ScreenVertex quad[4] = {{-0.5f, -0.5f, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                {w - 0.5f, -0.5f, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                {-0.5f, h - 0.5f, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                {w - 0.5f, h - 0.5f, 0.5f, 1, 0xFFFFFFFF, 0, 0}};
        dev->SetFVF(ScreenVertexFormat);
        dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
    }
    // Polls with the flag until the answer comes; returns the S_FALSE count.
    int PollsPending(IDirect3DQuery9 *query, DWORD &data) {
        int pending = 0;
        while (query->GetData(&data, sizeof data, D3DGETDATA_FLUSH) == S_FALSE && pending < 1000) ++pending;
        return pending;
    }
};

// Every other round an unflagged poll comes first: it must neither lose nor
// repeat the count, and the flagged polls after it still wait at most once.
TEST_F(QueryPollTest, PollingWithTheFlushFlagAnswersPendingAtMostOnceThenTheCount) {
    IDirect3DQuery9 *query = nullptr;
    ASSERT_EQ(dev->CreateQuery(D3DQUERYTYPE_OCCLUSION, &query), D3D_OK);
    int worst = 0;
    for (int i = 1; i <= 40; ++i) {
        query->Issue(D3DISSUE_BEGIN);
        Rectangle((float)i, 3.0f);
        query->Issue(D3DISSUE_END);
        DWORD count = 0;
        if (i % 2) query->GetData(&count, sizeof count, 0);
        worst = std::max(worst, PollsPending(query, count));
        EXPECT_EQ(count, (DWORD)(3 * i));
    }
    EXPECT_LE(worst, 1);
    query->Release();
}

TEST_F(QueryPollTest, AnEventQueryIsSignalledAfterAtMostOnePendingPollWithTheFlag) {
    IDirect3DQuery9 *query = nullptr;
    ASSERT_EQ(dev->CreateQuery(D3DQUERYTYPE_EVENT, &query), D3D_OK);
    for (int i = 0; i < 10; ++i) {
        Rectangle(64.0f, 64.0f);
        query->Issue(D3DISSUE_END);
        DWORD signalled = FALSE;
        EXPECT_LE(PollsPending(query, signalled), 1);
        EXPECT_EQ(signalled, (DWORD)TRUE);
    }
    query->Release();
}

}  // namespace
