#include "app/frame_limiter.h"

#include <cmath>

#include "platform/window/window.h"

FrameLimiter frameLimiter{};

int32_t nextSleepMs(int32_t targetFps, uint16_t& fps) {
    FrameLimiter& limiter = frameLimiter;
    double t = windowTimer();
    limiter.frameCount += 1.0;
    if (t - limiter.reportTime >= 1.0) {
        limiter.reportTime = t;
        fps = static_cast<uint16_t>(std::llrint(limiter.frameCount));
        limiter.frameCount = 0.0;
    }
    // The previous sleep corrected by how far the last period missed the wanted one.
    double x = (1.0 / targetFps - t + limiter.previousTime) * 1000.0 + limiter.sleepMs;
    if (x < 1.0) x = 1.0;
    limiter.sleepMs = x;
    limiter.previousTime = t;
    return static_cast<int32_t>(std::lrint(x));
}
