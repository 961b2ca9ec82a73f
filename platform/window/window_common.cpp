#include "platform/window/window_common.h"

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>

#if !defined(_WIN32)
#include <unistd.h>
#endif

double performanceTimer() {
    LARGE_INTEGER count, frequency;
    if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0 && QueryPerformanceCounter(&count))
        return double(count.QuadPart) / double(frequency.QuadPart);
    return GetTickCount() * 0.001;
}

void windowFormatNumber(char* out, size_t size, double value, const char* mask) {
    if (!out || size == 0) return;
    int places = 0;
    for (const char* m = mask ? mask : ""; *m; ++m)
        if (*m == '0' || *m == '#') ++places;
    if (places == 0) places = 1;
    double whole = std::nearbyint(value);
    if (!std::isfinite(whole)) whole = 0;
    std::snprintf(out, size, "%0*.0f", places + (whole < 0 ? 1 : 0), whole);
}

#if !defined(_WIN32)
namespace {
volatile std::sig_atomic_t signalCaught = 0;
volatile std::sig_atomic_t signalEndsProcess = 0;

void onSignal(int) {
    if (signalEndsProcess) _exit(0);
    signalCaught = 1;
}

void handleTerminationSignals(bool endProcess) {
    signalEndsProcess = endProcess ? 1 : 0;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}
}  // namespace

void catchTerminationSignals() { handleTerminationSignals(false); }

void endOnTerminationSignals() { handleTerminationSignals(true); }

bool takeSignal() {
    if (!signalCaught) return false;
    signalCaught = 0;
    return true;
}

const char* programName() { return program_invocation_short_name; }
#endif
