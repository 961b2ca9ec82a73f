// The window library on SDL2. Everything runs on the caller's thread: events are pumped in the
// key poll and the sleep, and the client area is SDL's window surface, which GDI draws into.
#include <SDL.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/objects/object_table.h"
#include "platform/window/window_common.h"
#include "platform/window/window_pixels.h"

namespace {

struct SdlWindow {
    bool videoTried = false;
    bool videoReady = false;
    char videoError[256] = "";  // why the video subsystem did not start; later calls overwrite SDL's
    SDL_Window* window = nullptr;
    int32_t width = 0, height = 0;
    std::vector<uint32_t> staging;  // used only when the window surface is not 32-bit XRGB
    KeyBuffer keys;
};

SdlWindow& state() {
    static SdlWindow instance;
    return instance;
}

// SDL's invisible video drivers count as a display only when the user asked for one.
bool invisibleDriverUnasked(const char* driver) {
    if (!driver || (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0)) return false;
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    return !asked || SDL_strcasecmp(asked, driver) != 0;
}

// Xlib calls this when the connection to the X server breaks (the server ended, or killed
// this client), and ends the process itself if it returns; its own handler ends with status 1.
// Nothing can be put back over a dead connection, and no further Xlib call may be made, so
// the process ends at once, the way every run ends: with status 0.
int endOnDisplayLoss(Display*) {
    std::fprintf(stderr, "%s: the connection to the display was lost\n", programName());
    _exit(0);
}

// From the process start, before the question box and the video subsystem: until the window
// opens a termination signal ends the process at once (the box cannot be cut short, and
// nothing has changed yet that would need putting back), and a broken X connection, the box's
// included, ends it with status 0.
const bool processGuarded = [] {
    endOnTerminationSignals();
    XSetIOErrorHandler(endOnDisplayLoss);
    return true;
}();

bool startVideo() {
    SdlWindow& s = state();
    if (s.videoTried) return s.videoReady;
    s.videoTried = true;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The frame is drawn in software: a plain copy to the window is all it needs, where an
    // OpenGL texture in between would cost a software renderer's threads on a machine
    // without a graphics card.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        SDL_strlcpy(s.videoError, SDL_GetError(), sizeof s.videoError);
        return false;
    }
    if (invisibleDriverUnasked(SDL_GetCurrentVideoDriver())) {
        SDL_snprintf(s.videoError, sizeof s.videoError, "only the invisible '%s' video driver is available",
                     SDL_GetCurrentVideoDriver());
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    s.videoReady = true;
    return true;
}

int displayUnderPointer() {
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    SDL_Point point{x, y};
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(i, &bounds) == 0 && SDL_PointInRect(&point, &bounds)) return i;
    }
    return 0;
}

bool isXrgbSurface(const SDL_Surface* surface) {
    const SDL_PixelFormat* f = surface->format;
    return f->BytesPerPixel == 4 && f->Rmask == 0x00FF0000u && f->Gmask == 0x0000FF00u && f->Bmask == 0x000000FFu;
}

WindowKey keyFor(const SDL_Keysym& key) {
    SDL_Keycode code = key.sym;
    bool character = (code >= 0x20 && code < 0x7F) || code == SDLK_RETURN || code == SDLK_ESCAPE ||
                     code == SDLK_BACKSPACE || code == SDLK_TAB;
    if (character) {
        char c = static_cast<char>(code);
        if ((key.mod & (KMOD_SHIFT | KMOD_CAPS)) && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return characterKey(c);
    }
    return extendedKey(static_cast<char>(key.scancode & 0x7F));
}

// Moves waiting events into the keyboard buffer and repaints a window that was uncovered.
void pumpEvents() {
    SdlWindow& s = state();
    if (!s.window) return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) s.keys.push(extendedKey(windowCloseKeyCode));
        else if (event.type == SDL_KEYDOWN) s.keys.push(keyFor(event.key.keysym));
        else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED)
            SDL_UpdateWindowSurface(s.window);
    }
    if (takeSignal()) s.keys.push(extendedKey(windowCloseKeyCode));
}

[[noreturn]] void endWithoutDisplay(const char* reason) {
    std::fprintf(stderr, "%s: no display could be opened: %s\n", programName(), reason);
    windowEnd(0);
}

}  // namespace

void windowDesktopSize(int32_t* width, int32_t* height) {
    SDL_DisplayMode mode{};
    bool known = startVideo() && SDL_GetDesktopDisplayMode(0, &mode) == 0;
    if (width) *width = known ? mode.w : 0;
    if (height) *height = known ? mode.h : 0;
}

void windowSelectBackend(const char*) {
    // SDL gives one kind of window here, which is what "GDI" asks for.
}

bool windowOpen(int32_t width, int32_t height, int32_t, int32_t, uint32_t modeFlags, int32_t refreshRate) {
    SdlWindow& s = state();
    if (s.window) return false;
    if (!startVideo()) endWithoutDisplay(s.videoError);
    if (width <= 0 || height <= 0) {
        SDL_SetError("the requested size %dx%d is empty", width, height);
        endWithoutDisplay(SDL_GetError());
    }
    int display = displayUnderPointer();
    // The window is never resizable, and this library never toggles between window and full
    // screen, so windowNoSwitching holds whether asked for or not.
    Uint32 flags = SDL_WINDOW_SHOWN;
    SDL_DisplayMode desktop{};
    bool fullScreen = modeFlags & windowFullScreen;
    bool sameAsDesktop = SDL_GetDesktopDisplayMode(display, &desktop) == 0 && desktop.w == width &&
                         desktop.h == height;
    if (fullScreen) flags |= sameAsDesktop ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_FULLSCREEN;
    else if (modeFlags & windowFrameless) flags |= SDL_WINDOW_BORDERLESS;
    // From here a termination signal ends the run through the keyboard buffer, so that
    // shutdown puts the display back.
    catchTerminationSignals();
    int position = SDL_WINDOWPOS_CENTERED_DISPLAY(display);
    s.window = SDL_CreateWindow("", position, position, width, height, flags);
    if (!s.window) endWithoutDisplay(SDL_GetError());
    if (fullScreen && !sameAsDesktop) {
        SDL_DisplayMode wanted{SDL_PIXELFORMAT_RGB888, width, height, refreshRate, nullptr};
        SDL_DisplayMode closest{};
        if (SDL_GetClosestDisplayMode(display, &wanted, &closest)) SDL_SetWindowDisplayMode(s.window, &closest);
    }
    // With one thread there is no window thread to raise; windowHighPriority has nothing to do.
    SDL_StopTextInput();
    // Making the window surface can recreate the X11 window (and put the pointer back where it
    // was): make it now, so that pointer moves after the open stay where they are put.
    SDL_GetWindowSurface(s.window);
    s.width = width;
    s.height = height;
    pumpEvents();
    return true;
}

void windowSetTitle(const char* title) {
    if (state().window) SDL_SetWindowTitle(state().window, title ? title : "");
}

HWND windowNativeHandle() { return reinterpret_cast<HWND>(state().window); }

void windowSetMousePointer(int32_t x, int32_t y, int32_t visibility, int32_t clipping) {
    SdlWindow& s = state();
    if (!s.window) return;
    int w = 0, h = 0;
    SDL_GetWindowSize(s.window, &w, &h);
    x = x < 0 ? 0 : (x >= w ? w - 1 : x);
    y = y < 0 ? 0 : (y >= h ? h - 1 : y);
    SDL_WarpMouseInWindow(s.window, x, y);
    SDL_ShowCursor(visibility ? SDL_ENABLE : SDL_DISABLE);
    if (clipping >= 0) SDL_SetWindowGrab(s.window, clipping > 0 ? SDL_TRUE : SDL_FALSE);
}

WindowKey windowPollKey() {
    pumpEvents();
    return state().keys.pop();
}

double windowTimer() { return performanceTimer(); }

void windowSleep(int32_t milliseconds) {
    Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0);
    pumpEvents();
}

void windowEnd(int32_t status) {
    SdlWindow& s = state();
    if (s.window) SDL_DestroyWindow(s.window);  // leaves full screen and restores the display mode
    s.window = nullptr;
    SDL_Quit();
    LiveObjectReport report = liveObjectReport();
    if (!report.clean())
        std::fprintf(stderr, "%s: graphics objects at exit:\n%s", programName(),
                     formatLiveObjectReport(report).c_str());
    std::exit(status);
}

bool lockWindowPixels(HWND window, Surface* surface) {
    SdlWindow& s = state();
    if (!s.window || window != reinterpret_cast<HWND>(s.window)) return false;
    SDL_Surface* screen = SDL_GetWindowSurface(s.window);
    if (!screen) return false;
    if (isXrgbSurface(screen)) {
        if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) != 0) return false;
        *surface = Surface{static_cast<uint32_t*>(screen->pixels), screen->w, screen->h, screen->pitch / 4};
        return true;
    }
    s.staging.resize(size_t(screen->w) * size_t(screen->h));
    *surface = Surface{s.staging.data(), screen->w, screen->h, screen->w};
    return true;
}

void unlockWindowPixels(HWND window) {
    SdlWindow& s = state();
    if (!s.window || window != reinterpret_cast<HWND>(s.window)) return;
    SDL_Surface* screen = SDL_GetWindowSurface(s.window);
    if (!screen) return;
    if (isXrgbSurface(screen)) {
        if (SDL_MUSTLOCK(screen)) SDL_UnlockSurface(screen);
    } else if (s.staging.size() == size_t(screen->w) * size_t(screen->h)) {
        SDL_ConvertPixels(screen->w, screen->h, SDL_PIXELFORMAT_RGB888, s.staging.data(), screen->w * 4,
                          screen->format->format, screen->pixels, screen->pitch);
    }
    SDL_UpdateWindowSurface(s.window);
}
