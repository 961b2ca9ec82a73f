#pragma once
// The offscreen window back-end, linked in place of the SDL one by tests and tools: no display,
// scripted answers to message boxes, scripted keys, a journal of the window-library and
// message-box calls, and optionally a simulated clock that a sleep advances instead of waiting.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/surface.h"

struct OffscreenScript {
    std::vector<int> messageBoxAnswers;  // results of MessageBoxA in order; IDNO (7) after they run out
    int32_t desktopWidth = 1920;
    int32_t desktopHeight = 1080;
    int64_t keyAfterPresents = 1;  // a key is waiting once this many frames were presented; −1: never
    bool keyIsCloseBox = false;    // the scripted key is a click on the close box
    bool simulatedTime = true;
    double clockStart = 1000.0;  // seconds from "boot" at which the simulated clock starts
    // Called after each present with the client area and the number of presents so far.
    void (*onPresent)(const Surface& clientArea, int64_t presents, void* context) = nullptr;
    void* presentContext = nullptr;
    int journalFd = -1;  // at windowEnd the journal and the live-object report are written here
    // Called at windowEnd, after shutdown, with the status the run ends with; returns the status to end with.
    int32_t (*onEnd)(int32_t status) = nullptr;
};

void offscreenConfigure(const OffscreenScript& script);

// One line per window-library and message-box call, for example "open 800 500 32 1 0x84 0".
const std::vector<std::string>& offscreenJournal();

// The simulated clock, in seconds.
void offscreenSetClock(double seconds);
