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
    // 64ths of a second from a round start: exact floats. Call 65 is exactly
    // 1.0 s after the first: not a publish (it takes strictly more).
    const double start = 8.0;
    for (int call = 1; call <= 65; ++call) {
        FrameAt(start + (call - 1) / 64.0);
        EXPECT_EQ(FrameRate, 300.0f) << "call " << call;
    }
    FrameAt(start + 65 / 64.0);  // call 66: just over a second
    EXPECT_EQ(FrameRate, 66.0f);  // every call of the interval, both ends included
    // The publishing call counts again in the next interval; a frame of
    // several seconds publishes what it has.
    FrameAt(start + 3);
    EXPECT_EQ(FrameRate, 2.0f);
}

}  // namespace
