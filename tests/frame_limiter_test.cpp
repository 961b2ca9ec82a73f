#include <gtest/gtest.h>

#include "app/frame_limiter.h"
#include "platform/window/window_offscreen.h"

namespace {

class FrameLimiterTest : public testing::Test {
protected:
    void SetUp() override {
        offscreenConfigure(OffscreenScript{});  // simulated clock
        frameLimiter = FrameLimiter{};
    }
    double clock = 1000.0;
    void advance(double ms) { offscreenSetClock(clock += ms / 1000.0); }
};

TEST_F(FrameLimiterTest, FirstCallReportsOneFrameAndSleepsOneMillisecond) {
    offscreenSetClock(clock);
    uint16_t fps = 0;
    EXPECT_EQ(nextSleepMs(30, fps), 1);
    EXPECT_EQ(fps, 1);
    EXPECT_EQ(frameLimiter.reportTime, clock);
    EXPECT_EQ(frameLimiter.frameCount, 0.0);
    EXPECT_EQ(frameLimiter.sleepMs, 1.0);
}

// A frame whose work takes w ms settles at a sleep of about 33⅓ − w, or 1 ms when w is longer
// than the period; the frame count follows.
TEST_F(FrameLimiterTest, SettlesToThePeriodLessTheWork) {
    struct Case {
        double workMs;
        int sleepMs;
        int fpsLow, fpsHigh;
    } cases[] = {{0, 33, 29, 31}, {5, 28, 29, 31}, {20, 13, 29, 31}, {33, 1, 29, 31}, {40, 1, 24, 25}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.workMs);
        frameLimiter = FrameLimiter{};
        uint16_t fps = 0;
        int ms = 0;
        for (int frame = 0; frame < 300; ++frame) {
            advance(c.workMs);
            ms = nextSleepMs(30, fps);
            advance(ms);
        }
        EXPECT_NEAR(ms, c.sleepMs, 1);
        EXPECT_GE(fps, c.fpsLow);
        EXPECT_LE(fps, c.fpsHigh);
    }
}

TEST_F(FrameLimiterTest, NeverBelowOneAndHalvesGoToEven) {
    uint16_t fps = 0;
    struct Case {
        double previousSleep;
        double elapsed;
        int expected;
    } cases[] = {{2.5, 1.0 / 30, 2}, {3.5, 1.0 / 30, 4}, {0.0, 1.0 / 30, 1}, {5.0, 0.5, 1}};
    for (const Case& c : cases) {
        // previousTime 0 and the clock at the elapsed time keep the arithmetic exact.
        frameLimiter = FrameLimiter{0.0, c.previousSleep, 0.0, 0.0};
        offscreenSetClock(c.elapsed);
        EXPECT_EQ(nextSleepMs(30, fps), c.expected) << c.previousSleep << " " << c.elapsed;
        EXPECT_GE(frameLimiter.sleepMs, 1.0);
    }
}

}  // namespace
