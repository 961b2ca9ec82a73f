#pragma once
// What the GDI device context of a window needs from the window library: the client area's
// pixels to draw into, and a way to put them on the screen. Each window back-end implements it.
#include "platform/gdi/surface.h"
#include "platform/win32/win32.h"

// Fills `surface` with the client area of `window` at its current size; false when the handle
// is not an open window of this library.
bool lockWindowPixels(HWND window, Surface* surface);

// Shows what was drawn since lockWindowPixels.
void unlockWindowPixels(HWND window);
