// The frame-rate meter, driven by a counter set by hand.
#include <gtest/gtest.h>

#include "app/frame_clock.h"
#include "win32/headless.h"

namespace {

// Read before any test runs: the values the program starts with.
const float StartFrameRate = FrameRate;
const int StartFrameCount = FrameCount;

TEST(FrameClockStart, TheFirstFramesAssume300PerSecond) {
    EXPECT_EQ(StartFrameRate, 300.0f);
    EXPECT_EQ(StartFrameCount, 1);
}

class FrameClock : public ::testing::Test {
protected:
    void SetUp() override {
        FrameRate = 300.0f;
        FrameCount = 1;
        LastPublishTime = 0.0f;
        CounterFrequencyRead = false;
        FrameIntervalStarted = false;
    }
    void TearDown() override { SetManualPerformanceCounter(false); }
    // One frame whose UpdateFrameRate reads the clock at `seconds`.
    void FrameAt(double seconds) {
        SetManualPerformanceCounter(true, (int64_t)(seconds * 1e9 + 0.5));
        UpdateFrameRate();
    }
};

TEST_F(FrameClock, FirstPublishComesStrictlyAfterOneSecondWithEveryCallCounted) {
    // Exact sixtieths from a round start, so the readings are exact floats.
    const double start = 8.0;
    for (int call = 1; call <= 61; ++call) {
        FrameAt(start + (call - 1) / 64.0);  // 1/64 s: exact in binary
        EXPECT_EQ(FrameRate, 300.0f) << "call " << call;
    }
    // Call 65 is exactly 1.0 s after the first: not a publish (strictly more).
    for (int call = 62; call <= 65; ++call) FrameAt(start + (call - 1) / 64.0);
    EXPECT_EQ(FrameRate, 300.0f);
    FrameAt(start + 65 / 64.0);  // call 66: just over a second
    EXPECT_EQ(FrameRate, 66.0f);  // every call of the interval, both ends included
    EXPECT_EQ(FrameCount, 2);     // the publishing call counts again in the next
}

TEST_F(FrameClock, LaterIntervalsCountThePublishingCallTwice) {
    FrameAt(4.0);
    FrameAt(5.5);  // a several-second frame publishes what it has: 2
    EXPECT_EQ(FrameRate, 2.0f);
    for (int i = 1; i <= 64; ++i) FrameAt(5.5 + i / 64.0);  // the 64th is exactly 1.0 s later
    EXPECT_EQ(FrameRate, 2.0f);
    FrameAt(5.5 + 65 / 64.0);
    EXPECT_EQ(FrameRate, 66.0f);
}

TEST_F(FrameClock, GetSecondsDividesTheCounterByItsFrequency) {
    SetManualPerformanceCounter(true, 2500000000LL);
    EXPECT_EQ(GetSeconds(), 2.5f);
    EXPECT_EQ(CounterFrequency.QuadPart, 1000000000LL);
    SetManualPerformanceCounter(false);
    float a = GetSeconds(), b = GetSeconds();
    EXPECT_LE(a, b);
    EXPECT_LT(a, 3600.0f);  // counted from process start
}

}  // namespace
