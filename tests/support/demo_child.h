#pragma once
// Runs the whole demo (start-up, frame loop, shutdown) in a child process against the offscreen
// window back-end, since the run ends by ending its process.
#include <string>
#include <vector>

#include "platform/window/window_offscreen.h"

struct DemoRun {
    int exitStatus = -1;             // -1 when the child did not exit normally
    std::vector<std::string> lines;  // the journal, then what the child's hooks wrote
    std::string liveObjects;         // the live-object report at the end ("" when clean)

    bool has(const std::string& line) const;
    // Lines that start with prefix, in order.
    std::vector<std::string> starting(const std::string& prefix) const;
};

// Before the run, `prepare` runs in the child (for example to inject a fault). A hook that the
// script sets may write lines with childWrite().
DemoRun runDemoInChild(OffscreenScript script, void (*prepare)() = nullptr);

// From inside the child: adds a line to what the parent receives.
void childWrite(const std::string& line);
