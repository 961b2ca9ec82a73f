#pragma once
// Pieces that the window back-ends share.
#include <cstdint>

#include "platform/window/window.h"

// The keyboard buffer: keys in the order they came, the oldest dropped when it is full.
class KeyBuffer {
public:
    void push(WindowKey key) {
        if (count_ == capacity) pop();
        keys_[(first_ + count_) % capacity] = key;
        ++count_;
    }
    WindowKey pop() {
        if (count_ == 0) return WindowKey{{0, 0, 0}, 0};
        WindowKey key = keys_[first_];
        first_ = (first_ + 1) % capacity;
        --count_;
        return key;
    }

private:
    static constexpr int capacity = 64;
    WindowKey keys_[capacity] = {};
    int first_ = 0;
    int count_ = 0;
};

inline WindowKey characterKey(char c) { return WindowKey{{c, 0, 0}, 1}; }
inline WindowKey extendedKey(char code) { return WindowKey{{char(0xFF), code, 0}, 2}; }

// Seconds from system start by the performance counter, or by the tick count without one.
double performanceTimer();

#if !defined(_WIN32)
// Makes SIGINT and SIGTERM set a flag instead of ending the process, so that the run ends
// through the keyboard buffer and the display is restored. takeSignal() reads and clears it.
void catchTerminationSignals();
bool takeSignal();

// Makes SIGINT and SIGTERM end the process at once with status 0: for the time before the
// window opens, when a modal box may be waiting and nothing needs restoring.
void endOnTerminationSignals();

// The short name of the running program, for messages on stderr.
const char* programName();
#endif
