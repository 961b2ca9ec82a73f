// The window library on Win32. The window lives on a thread of its own, which runs the message
// loop, fills the keyboard buffer and repaints the client area black when Windows asks; the
// caller's thread paints frames into the window through GetDC and polls the buffer.
#include <windows.h>

#include <cstdio>

#include "platform/window/window_common.h"

namespace {

constexpr char windowClassName[] = "DelugeWindow";
constexpr UINT showPointerMessage = WM_APP + 1;  // wParam: 1 shows the pointer, 0 hides it
constexpr UINT closeWindowMessage = WM_APP + 2;  // destroys the window and ends the loop

struct Win32Window {
    HWND window = nullptr;
    HANDLE thread = nullptr;
    HANDLE opened = nullptr;  // set by the window thread once the window exists, or could not
    CRITICAL_SECTION keyLock;
    KeyBuffer keys;
    // What the window thread creates.
    DWORD style = 0, exStyle = 0;
    RECT frame{};  // the whole window, in screen coordinates
    bool highPriority = false;
    // The display whose mode was switched for full screen, to be restored at the end.
    bool displaySwitched = false;
    char displayDevice[CCHDEVICENAME] = {};
    bool pointerClipped = false;
};

Win32Window& state() {
    static Win32Window instance;
    return instance;
}

void pushKey(WindowKey key) {
    Win32Window& s = state();
    EnterCriticalSection(&s.keyLock);
    s.keys.push(key);
    LeaveCriticalSection(&s.keyLock);
}

// A key without a character is named by its scan code (its virtual key when it has none).
WindowKey keyWithoutCharacter(WPARAM virtualKey, LPARAM flags) {
    BYTE scanCode = static_cast<BYTE>((flags >> 16) & 0xFF);
    return extendedKey(static_cast<char>(scanCode ? scanCode : static_cast<BYTE>(virtualKey)));
}

bool hasCharacter(WPARAM virtualKey) { return MapVirtualKeyA(static_cast<UINT>(virtualKey), MAPVK_VK_TO_CHAR) != 0; }

void showPointer(bool visible) {
    // The display count is this thread's; move it just across the threshold.
    if (visible)
        while (ShowCursor(TRUE) < 0) {
        }
    else
        while (ShowCursor(FALSE) >= 0) {
        }
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        // The close box is a key; the window stays open until the end.
        pushKey(extendedKey(windowCloseKeyCode));
        return 0;
    case WM_CHAR:
    case WM_DEADCHAR:
        pushKey(characterKey(static_cast<char>(wParam)));
        return 0;
    case WM_SYSCHAR:
        // Alt with a character, Alt+Enter among them: a key, never a switch of modes.
        pushKey(characterKey(static_cast<char>(wParam)));
        return 0;
    case WM_KEYDOWN:
        // Character keys arrive as WM_CHAR after TranslateMessage.
        if (!hasCharacter(wParam)) pushKey(keyWithoutCharacter(wParam, lParam));
        return 0;
    case WM_SYSKEYDOWN:
        if (!hasCharacter(wParam)) pushKey(keyWithoutCharacter(wParam, lParam));
        break;  // Alt+F4 still becomes WM_CLOSE
    case WM_SYSCOMMAND:
        // No maximising, whatever asks for it.
        if ((wParam & 0xFFF0) == SC_MAXIMIZE) return 0;
        break;
    case WM_ACTIVATE:
        if (state().highPriority)
            SetThreadPriority(GetCurrentThread(),
                              LOWORD(wParam) != WA_INACTIVE ? THREAD_PRIORITY_ABOVE_NORMAL : THREAD_PRIORITY_NORMAL);
        break;
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT covers the whole update region
    case WM_PAINT: {
        // The frames are the caller's; until the next one the window shows black.
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (dc) FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        EndPaint(window, &paint);
        return 0;
    }
    case showPointerMessage:
        showPointer(wParam != 0);
        return 0;
    case closeWindowMessage:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

DWORD WINAPI windowThread(LPVOID) {
    Win32Window& s = state();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = windowClassName;
    RegisterClassExA(&windowClass);
    const RECT& f = s.frame;
    s.window = CreateWindowExA(s.exStyle, windowClassName, "", s.style, f.left, f.top, f.right - f.left,
                               f.bottom - f.top, nullptr, nullptr, instance, nullptr);
    if (s.window) {
        ShowWindow(s.window, SW_SHOW);
        UpdateWindow(s.window);
        SetForegroundWindow(s.window);
    }
    SetEvent(s.opened);
    if (!s.window) return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

// The display that holds the pointer; the primary one when that cannot be told.
HMONITOR displayUnderPointer(MONITORINFOEXA* info) {
    POINT pointer{0, 0};
    GetCursorPos(&pointer);
    HMONITOR monitor = MonitorFromPoint(pointer, MONITOR_DEFAULTTOPRIMARY);
    info->cbSize = sizeof *info;
    if (!monitor || !GetMonitorInfoA(monitor, info)) {
        info->rcMonitor = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        info->szDevice[0] = 0;
    }
    return monitor;
}

// Switches the display to width × height at 32 bits per pixel; true when it was switched.
bool switchDisplay(const char* device, int32_t width, int32_t height) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmBitsPerPel = 32;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    return ChangeDisplaySettingsExA(device[0] ? device : nullptr, &mode, nullptr, CDS_FULLSCREEN, nullptr) ==
           DISP_CHANGE_SUCCESSFUL;
}

void restoreDisplay() {
    Win32Window& s = state();
    if (!s.displaySwitched) return;
    ChangeDisplaySettingsExA(s.displayDevice[0] ? s.displayDevice : nullptr, nullptr, nullptr, 0, nullptr);
    s.displaySwitched = false;
}

[[noreturn]] void endWithoutWindow(const char* why) {
    std::fprintf(stderr, "deluge: the window could not be opened: %s\n", why);
    windowEnd(0);
}

}  // namespace

void windowDesktopSize(int32_t* width, int32_t* height) {
    if (width) *width = GetSystemMetrics(SM_CXSCREEN);
    if (height) *height = GetSystemMetrics(SM_CYSCREEN);
}

void windowSelectBackend(const char*) {
    // Every window of this library is an ordinary GDI window, which is what "GDI" asks for.
}

bool windowOpen(int32_t width, int32_t height, int32_t, int32_t, uint32_t modeFlags, int32_t) {
    Win32Window& s = state();
    if (s.thread) return false;
    if (width <= 0 || height <= 0) endWithoutWindow("the requested size is empty");
    InitializeCriticalSection(&s.keyLock);
    s.highPriority = modeFlags & windowHighPriority;

    MONITORINFOEXA display{};
    HMONITOR monitor = displayUnderPointer(&display);
    if (modeFlags & windowFullScreen) {
        // A borderless pop-up over the whole display, switched to the requested mode.
        lstrcpynA(s.displayDevice, display.szDevice, CCHDEVICENAME);
        s.displaySwitched = switchDisplay(s.displayDevice, width, height);
        if (s.displaySwitched && monitor) GetMonitorInfoA(monitor, &display);
        s.style = WS_POPUP;
        s.exStyle = WS_EX_TOPMOST | WS_EX_APPWINDOW;
        const RECT& m = display.rcMonitor;
        s.frame = RECT{m.left, m.top, m.left + width, m.top + height};
    } else {
        // A caption with the window menu, close and minimise boxes; no maximise box and no
        // sizing border (this library never toggles to full screen, windowNoSwitching or not).
        s.style = (modeFlags & windowFrameless) ? WS_POPUP : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        s.exStyle = WS_EX_APPWINDOW;
        RECT outer{0, 0, width, height};
        AdjustWindowRectEx(&outer, s.style, FALSE, s.exStyle);
        const RECT& m = display.rcMonitor;
        LONG outerWidth = outer.right - outer.left, outerHeight = outer.bottom - outer.top;
        LONG left = m.left + (m.right - m.left - outerWidth) / 2;
        LONG top = m.top + (m.bottom - m.top - outerHeight) / 2;
        s.frame = RECT{left, top, left + outerWidth, top + outerHeight};
    }

    s.opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!s.opened) endWithoutWindow("no event for the window thread");
    s.thread = CreateThread(nullptr, 0, windowThread, nullptr, 0, nullptr);
    if (!s.thread) endWithoutWindow("the window thread could not be started");
    WaitForSingleObject(s.opened, INFINITE);
    if (!s.window) endWithoutWindow("CreateWindowEx failed");
    return true;
}

void windowSetTitle(const char* title) {
    if (state().window) SetWindowTextA(state().window, title ? title : "");
}

HWND windowNativeHandle() { return state().window; }

void windowSetMousePointer(int32_t x, int32_t y, int32_t visibility, int32_t clipping) {
    Win32Window& s = state();
    if (!s.window) return;
    RECT client{};
    GetClientRect(s.window, &client);
    LONG right = client.right > 0 ? client.right - 1 : 0, bottom = client.bottom > 0 ? client.bottom - 1 : 0;
    POINT point{x < 0 ? 0 : (x > right ? right : x), y < 0 ? 0 : (y > bottom ? bottom : y)};
    ClientToScreen(s.window, &point);
    SetCursorPos(point.x, point.y);
    // The pointer's display count belongs to the thread that owns the window.
    SendMessageA(s.window, showPointerMessage, visibility ? 1 : 0, 0);
    if (clipping > 0) {
        POINT topLeft{0, 0}, bottomRight{client.right, client.bottom};
        ClientToScreen(s.window, &topLeft);
        ClientToScreen(s.window, &bottomRight);
        RECT area{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
        s.pointerClipped = ClipCursor(&area) != 0;
    } else if (clipping == 0) {
        ClipCursor(nullptr);
        s.pointerClipped = false;
    }
}

WindowKey windowPollKey() {
    Win32Window& s = state();
    if (!s.thread) return WindowKey{{0, 0, 0}, 0};
    EnterCriticalSection(&s.keyLock);
    WindowKey key = s.keys.pop();
    LeaveCriticalSection(&s.keyLock);
    return key;
}

double windowTimer() { return performanceTimer(); }

void windowSleep(int32_t milliseconds) { Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0); }

void windowEnd(int32_t status) {
    Win32Window& s = state();
    if (s.window) {
        PostMessageA(s.window, closeWindowMessage, 0, 0);
        WaitForSingleObject(s.thread, 2000);
        s.window = nullptr;
    }
    restoreDisplay();
    if (s.pointerClipped) ClipCursor(nullptr);
    ExitProcess(static_cast<UINT>(status));
}
