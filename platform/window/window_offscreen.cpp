// The offscreen window back-end: a client area in memory, a scripted user and a journal.
#include "platform/window/window_offscreen.h"

#include <unistd.h>

#include <cstdarg>

#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "platform/objects/object_table.h"
#include "platform/window/window_common.h"
#include "platform/window/window_pixels.h"

namespace {

struct OffscreenWindow {
    OffscreenScript script;
    size_t answersGiven = 0;
    std::vector<std::string> journal;
    bool open = false;
    int32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;
    int64_t presents = 0;
    bool scriptedKeyGiven = false;
    double clock = 0;
    KeyBuffer keys;
};

OffscreenWindow& state() {
    static OffscreenWindow instance;
    return instance;
}

HWND handle() { return reinterpret_cast<HWND>(&state()); }

void note(const char* format, ...) __attribute__((format(printf, 1, 2)));
void note(const char* format, ...) {
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    state().journal.emplace_back(line);
}

void writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

}  // namespace

void offscreenConfigure(const OffscreenScript& script) {
    OffscreenWindow& s = state();
    s = OffscreenWindow{};
    s.script = script;
    s.clock = script.clockStart;
}

const std::vector<std::string>& offscreenJournal() { return state().journal; }

void offscreenSetClock(double seconds) { state().clock = seconds; }

int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    OffscreenWindow& s = state();
    int answer = s.answersGiven < s.script.messageBoxAnswers.size() ? s.script.messageBoxAnswers[s.answersGiven++]
                                                                     : IDNO;
    note("MessageBoxA \"%s\" \"%s\" 0x%X -> %d", text ? text : "", caption ? caption : "", type, answer);
    return answer;
}

void windowDesktopSize(int32_t* width, int32_t* height) {
    OffscreenWindow& s = state();
    if (width) *width = s.script.desktopWidth;
    if (height) *height = s.script.desktopHeight;
    note("desktop size -> %dx%d", s.script.desktopWidth, s.script.desktopHeight);
}

void windowSelectBackend(const char* name) { note("backend %s", name ? name : ""); }

bool windowOpen(int32_t width, int32_t height, int32_t bitsPerPixel, int32_t pages, uint32_t modeFlags,
                int32_t refreshRate) {
    OffscreenWindow& s = state();
    note("open %d %d %d %d 0x%X %d", width, height, bitsPerPixel, pages, modeFlags, refreshRate);
    if (s.open || width <= 0 || height <= 0) return false;
    s.open = true;
    s.width = width;
    s.height = height;
    s.pixels.assign(size_t(width) * size_t(height), 0);
    catchTerminationSignals();
    return true;
}

void windowSetTitle(const char* title) { note("title \"%s\"", title ? title : ""); }

HWND windowNativeHandle() { return state().open ? handle() : nullptr; }

void windowSetMousePointer(int32_t x, int32_t y, int32_t visibility, int32_t clipping) {
    note("mouse pointer %d %d %d %d", x, y, visibility, clipping);
}

WindowKey windowPollKey() {
    OffscreenWindow& s = state();
    const OffscreenScript& script = s.script;
    if (!s.scriptedKeyGiven && script.keyAfterPresents >= 0 && s.presents >= script.keyAfterPresents) {
        s.scriptedKeyGiven = true;
        s.keys.push(script.keyIsCloseBox ? extendedKey(windowCloseKeyCode) : characterKey('q'));
    }
    if (takeSignal()) s.keys.push(extendedKey(windowCloseKeyCode));
    WindowKey key = s.keys.pop();
    if (key.length) note("key after %lld presents", static_cast<long long>(s.presents));
    return key;
}

double windowTimer() { return state().script.simulatedTime ? state().clock : performanceTimer(); }

void windowSleep(int32_t milliseconds) {
    if (milliseconds < 0) milliseconds = 0;
    if (state().script.simulatedTime) state().clock += milliseconds / 1000.0;
    else Sleep(static_cast<DWORD>(milliseconds));
}

void windowEnd(int32_t status) {
    OffscreenWindow& s = state();
    note("end %d", status);
    if (s.script.journalFd >= 0) {
        std::string text;
        for (const std::string& line : s.journal) text += line + "\n";
        text += "--- live objects\n" + formatLiveObjectReport(liveObjectReport());
        writeAll(s.script.journalFd, text);
    }
    if (s.script.onEnd) status = s.script.onEnd(status);
    std::fflush(nullptr);
#if defined(__SANITIZE_ADDRESS__)
    // _exit skips the leak check that LeakSanitizer runs at exit; a leak ends the run with its error status.
    __lsan_do_leak_check();
#endif
    _exit(status);
}

bool lockWindowPixels(HWND window, Surface* surface) {
    OffscreenWindow& s = state();
    if (!s.open || window != handle()) return false;
    *surface = Surface{s.pixels.data(), s.width, s.height, s.width};
    return true;
}

void unlockWindowPixels(HWND window) {
    OffscreenWindow& s = state();
    if (!s.open || window != handle()) return;
    ++s.presents;
    if (s.script.onPresent)
        s.script.onPresent(Surface{s.pixels.data(), s.width, s.height, s.width}, s.presents, s.script.presentContext);
}
