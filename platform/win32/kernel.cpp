// Process, sleep and clock calls on POSIX.
#include "platform/win32/win32.h"

#include <cerrno>
#include <ctime>
#include <sys/resource.h>

namespace {
// The handle GetCurrentProcess gives on Windows: a constant that means "this process".
HANDLE const currentProcessHandle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));

// The nice value that stands for each priority class.
bool niceValueFor(DWORD priorityClass, int* nice) {
    switch (priorityClass) {
    case 0x00000040u: *nice = 19; return true;   // IDLE_PRIORITY_CLASS
    case 0x00004000u: *nice = 10; return true;   // BELOW_NORMAL_PRIORITY_CLASS
    case NORMAL_PRIORITY_CLASS: *nice = 0; return true;
    case 0x00008000u: *nice = -5; return true;   // ABOVE_NORMAL_PRIORITY_CLASS
    case HIGH_PRIORITY_CLASS: *nice = -10; return true;
    case 0x00000100u: *nice = -20; return true;  // REALTIME_PRIORITY_CLASS
    default: return false;
    }
}

uint64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}
}  // namespace

HANDLE WINAPI GetCurrentProcess() { return currentProcessHandle; }

// Raising the priority needs privileges that an ordinary user lacks; then it fails, as the
// caller may expect of any priority change.
BOOL WINAPI SetPriorityClass(HANDLE process, DWORD priorityClass) {
    int nice = 0;
    if (process != currentProcessHandle || !niceValueFor(priorityClass, &nice)) return FALSE;
    return setpriority(PRIO_PROCESS, 0, nice) == 0 ? TRUE : FALSE;
}

void WINAPI Sleep(DWORD milliseconds) {
    timespec remaining{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

// The performance counter counts nanoseconds of the monotonic clock, which runs from boot.
BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (!count) return FALSE;
    count->QuadPart = static_cast<LONGLONG>(monotonicNanoseconds());
    return TRUE;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (!frequency) return FALSE;
    frequency->QuadPart = 1000000000;
    return TRUE;
}

DWORD WINAPI GetTickCount() { return static_cast<DWORD>(monotonicNanoseconds() / 1000000u); }
