#pragma once
// The feedback controller of the frame loop's sleep, which also counts the frames of each second.
#include <cstdint>

struct FrameLimiter {
    double previousTime;  // timer reading at the previous call
    double sleepMs;       // the previous call's sleep, before conversion to an integer
    double reportTime;    // timer reading at the last report of fps
    double frameCount;    // calls counted since the last report
};

// One state for the whole process, zero at start and changed only by nextSleepMs.
extern FrameLimiter frameLimiter;

// The milliseconds to sleep after this frame (at least 1) for targetFps frames per second.
// Writes the frames counted in the last period of a second or more into fps when one ended.
int32_t nextSleepMs(int32_t targetFps, uint16_t& fps);
