#pragma once
// The per-frame composition of the layers and the frame count behind its two timed effects.
#include <cstdint>

#include "platform/gdiplus/gdiplus.h"

// Black at alpha 13: every frame the trails keep 242/255 of their brightness.
constexpr ARGB fadeColor = 0x0D000000;
// A quarter of the pixels dark green at alpha 240, the others opaque black.
constexpr ARGB hatchForeground = 0xF0003800;
constexpr ARGB hatchBackground = 0xFF000000;

extern int32_t frameCounter;
extern int32_t pulseSign;
// Made and deleted with the glyph drawing resources.
extern GpSolidFill* fadeBrush;
extern GpHatch* hatchBrush;

// TrailLayer starts opaque black.
void clearTrailLayer();
void initFrameCounter();

// Builds the frame in FrameLayer: hatch background and stream heads, then the faded trails with
// this frame's stamps and, in pulse periods, the picture, OR-ed over them.
void composeFrame();
