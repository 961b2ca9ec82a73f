#pragma once
// The paced frame loop and its frame-rate label.
#include <cstdint>
#include <string>

#include "platform/gdi/gdi.h"

extern uint16_t fps;
extern std::string fpsLabel;

// The label's font and colours on FrameLayer's device context.
void createFpsLabel();
void releaseFpsLabel();

// Composes, labels and presents frames at about 30 per second until a key is polled.
void runFrameLoop();
