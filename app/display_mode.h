#pragma once
// The sizes and window-library mode flags that follow from the answer to the display-mode question.
#include <cstdint>

#include "render/render_surfaces.h"

struct DisplayMode {
    ScreenSize window;
    LayerSize render;
    uint32_t modeFlags;
};

// A window is 800 × 500 at 800 × 500; full screen is the desktop size, drawn at half of it
// (rounded down) and enlarged by present.
DisplayMode chooseDisplayMode(bool fullScreen, int32_t desktopWidth, int32_t desktopHeight);
