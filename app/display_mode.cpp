#include "app/display_mode.h"

DisplayMode chooseDisplayMode(bool fullScreen, int32_t desktopWidth, int32_t desktopHeight) {
    if (!fullScreen) return DisplayMode{{800, 500}, {800, 500}, 0};
    return DisplayMode{{desktopWidth, desktopHeight},
                       {static_cast<uint16_t>(desktopWidth / 2), static_cast<uint16_t>(desktopHeight / 2)},
                       0x09};
}
