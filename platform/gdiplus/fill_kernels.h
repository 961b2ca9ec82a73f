#pragma once
// The pixel arithmetic of brush fills: a brush that repeats every 8 pixels, blended source-over
// onto premultiplied pixels. blendPhases is the fast kernel; blendPhasesPlain is its per-pixel
// twin, the reference that the fast one must match bit for bit.
#include <cstdint>

#include "platform/gdiplus/gdiplus_internal.h"

// Blends row[x] for from <= x < to with the terms of phase[x & 7].
void blendPhases(uint32_t* row, int32_t from, int32_t to, const BlendTerms phase[8]);
void blendPhasesPlain(uint32_t* row, int32_t from, int32_t to, const BlendTerms phase[8]);
