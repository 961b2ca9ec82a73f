#pragma once
// The framebuffer window library: one window (or one full-screen mode) per process, its
// keyboard buffer, the mouse pointer, a timer and a sleep. The demo uses the library only for
// its window and paints the client area itself through GDI (GetDC on windowNativeHandle()).
//
// On Linux two back-ends implement this header: the real one on SDL2 (window_sdl.cpp) and an
// offscreen one for headless tests and tools (window_offscreen.cpp), linked in its place. On
// Windows it is implemented on Win32 (window_win32.cpp).
#include <cstddef>
#include <cstdint>

#include "platform/win32/win32.h"

// Mode flags of windowOpen.
constexpr uint32_t windowFullScreen = 0x01;    // switch the display to the size; borderless pop-up over it
constexpr uint32_t windowNoSwitching = 0x04;   // no Alt+Enter or maximise toggling; no maximise box
constexpr uint32_t windowFrameless = 0x08;     // no caption and no border
constexpr uint32_t windowHighPriority = 0x80;  // the window's thread above normal priority while active

// The size of the primary display's current mode, in pixels; 0 × 0 when there is no display.
void windowDesktopSize(int32_t* width, int32_t* height);

// Chooses what the next windowOpen creates. "GDI" is an ordinary window of the platform whose
// client area is painted through GetDC; it is also what an unknown name gives.
void windowSelectBackend(const char* name);

// Opens the window, or the full-screen mode, with a client area of width × height. A process
// that cannot open it is told so on stderr and ends with status 0.
bool windowOpen(int32_t width, int32_t height, int32_t bitsPerPixel, int32_t pages, uint32_t modeFlags,
                int32_t refreshRate);

void windowSetTitle(const char* title);

// The native handle of the open window; null when none is open.
HWND windowNativeHandle();

// Moves the pointer to (x, y), clamped into the client area. Visibility 0 hides it over the
// client area, 1 shows it; clipping 0 frees it, 1 confines it to the window, negative leaves
// the confinement as it is.
void windowSetMousePointer(int32_t x, int32_t y, int32_t visibility, int32_t clipping);

// A key taken from the keyboard buffer: empty when none is waiting, one character for a
// character key, two characters (0xFF and a code) for any other key. The close box (and on
// Linux SIGINT and SIGTERM) puts the two-character key (0xFF, windowCloseKeyCode) into the buffer.
struct WindowKey {
    char text[3];  // zero-terminated
    uint8_t length;
};
constexpr char windowCloseKeyCode = 0x7F;
WindowKey windowPollKey();

// Seconds from system start: the performance counter over its frequency.
double windowTimer();

// Sleeps the calling thread; the window stays responsive meanwhile.
void windowSleep(int32_t milliseconds);

// Formats a whole number by a mask of digit places ('0' and '#'): every place shows a digit,
// leading places a zero; a number with more digits than places shows all of them. "0#" gives
// 07 for 7, 30 for 30 and 123 for 123. Writes at most size bytes, zero included.
void windowFormatNumber(char* out, size_t size, double value, const char* mask);

// Closes the window (restoring the display mode after full screen) and ends the process.
[[noreturn]] void windowEnd(int32_t status);
