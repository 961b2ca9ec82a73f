// MessageBoxA as an SDL message box: the buttons, icon and results that the flags ask for.
// When no box can be shown, its text goes to stderr and the result is 0.
#include <SDL.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "platform/win32/win32.h"
#include "platform/window/window.h"

namespace {

struct ButtonSet {
    int count;
    int ids[3];
    const char* labels[3];
};

ButtonSet buttonsFor(UINT type) {
    switch (type & 0x0Fu) {
    case MB_OKCANCEL: return {2, {IDOK, IDCANCEL}, {"OK", "Cancel"}};
    case MB_ABORTRETRYIGNORE: return {3, {IDABORT, IDRETRY, IDIGNORE}, {"Abort", "Retry", "Ignore"}};
    case MB_YESNOCANCEL: return {3, {IDYES, IDNO, IDCANCEL}, {"Yes", "No", "Cancel"}};
    case MB_YESNO: return {2, {IDYES, IDNO}, {"Yes", "No"}};
    case MB_RETRYCANCEL: return {2, {IDRETRY, IDCANCEL}, {"Retry", "Cancel"}};
    default: return {1, {IDOK}, {"OK"}};
    }
}

Uint32 iconFor(UINT type) {
    switch (type & 0xF0u) {
    case MB_ICONERROR: return SDL_MESSAGEBOX_ERROR;
    case MB_ICONWARNING: return SDL_MESSAGEBOX_WARNING;
    case MB_ICONQUESTION:
    case MB_ICONINFORMATION: return SDL_MESSAGEBOX_INFORMATION;
    default: return 0;
    }
}

// On X11 SDL shows the box from a child process that it forks. The box must not outlive this
// process: a signal that ends the demo while its question waits would leave it on the screen.
bool boxOpening = false;
pid_t boxOwner = 0;

void onForkInChild() {
    if (!boxOpening) return;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != boxOwner) _exit(0);  // the owner ended before the line above took effect
}

int showBox(const SDL_MessageBoxData& box, int* pressed) {
    static const bool childrenWatched = pthread_atfork(nullptr, nullptr, onForkInChild) == 0;
    boxOwner = getpid();
    boxOpening = childrenWatched;
    int result = SDL_ShowMessageBox(&box, pressed);
    boxOpening = false;
    return result;
}

}  // namespace

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    ButtonSet set = buttonsFor(type);
    int defaultButton = (type & MB_DEFBUTTON3) ? 2 : (type & MB_DEFBUTTON2) ? 1 : 0;
    if (defaultButton >= set.count) defaultButton = 0;
    // Return presses the default button; Escape the last one (No, Cancel, or the only one).
    SDL_MessageBoxButtonData buttons[3];
    for (int i = 0; i < set.count; ++i) {
        Uint32 flags = 0;
        if (i == defaultButton) flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        if (i == set.count - 1) flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        buttons[i] = SDL_MessageBoxButtonData{flags, set.ids[i], set.labels[i]};
    }
    // The owner counts only when it is this library's open window (MB_TOPMOST has no SDL twin).
    SDL_Window* parent = owner && owner == windowNativeHandle() ? reinterpret_cast<SDL_Window*>(owner) : nullptr;
    SDL_MessageBoxData box{iconFor(type) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT, parent, caption ? caption : "",
                           text ? text : "", set.count, buttons, nullptr};
    int pressed = -1;
    if (showBox(box, &pressed) != 0) {
        std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
        return 0;
    }
    // Closing the box without a button counts as Escape.
    return pressed >= 0 ? pressed : set.ids[set.count - 1];
}
