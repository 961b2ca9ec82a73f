#pragma once
// The pixel arithmetic of brush fills: a brush that repeats every 8 pixels, blended source-over
// onto premultiplied pixels. blendPhases runs the fastest version this processor has; each
// vector version must match the plain per-pixel one bit for bit.
#include <cstdint>

#include "platform/cpu/vector_support.h"
#include "platform/gdiplus/gdiplus_internal.h"

// Blends row[x] for from <= x < to with the terms of phase[x & 7].
void blendPhases(uint32_t* row, int32_t from, int32_t to, const BlendTerms phase[8]);
void blendPhasesPlain(uint32_t* row, int32_t from, int32_t to, const BlendTerms phase[8]);
#if DELUGE_HAS_SSE2
void blendPhasesSse2(uint32_t* row, int32_t from, int32_t to, const BlendTerms phase[8]);
#endif
#if DELUGE_HAS_AVX2
void blendPhasesAvx2(uint32_t* row, int32_t from, int32_t to, const BlendTerms phase[8]);  // with AVX2 only
#endif
