#pragma once
// The same frame drawn with cairo, as a Linux program would draw it without our graphics layer:
// ARGB32 image surfaces, OVER fills with a solid colour and a repeating 8 × 8 hatch tile, each
// glyph a bilinear-filtered source surface at its fractional position, the OR copies as a plain
// loop (cairo has no OR operator), the label as cairo text, and a nearest-neighbour present.
#include <cairo.h>

#include "bench/frame_draws.h"

// Makes the layers at RenderSize and the window at WindowSize, and copies our glyph bitmaps and
// picture layer into cairo surfaces. Needs the atlas and the picture layer built. False when
// cairo could not make a surface.
bool createCairoFrame();

// One frame: hatch, fade, the recorded glyph draws, the OR copies, the label and the present.
void drawCairoFrame(const FrameDraws& frame);

// The window surface, which holds the last presented frame.
cairo_surface_t* cairoWindow();

void releaseCairoFrame();
