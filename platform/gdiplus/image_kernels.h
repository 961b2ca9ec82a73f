#pragma once
// The pixel arithmetic of image draws: premultiplied 8-bit texels, bilinear samples with 8-bit
// weights per axis, and source-over onto premultiplied pixels. Every step rounds to 8 bits, so
// that a whole block of pixels can be computed in 16-bit lanes that the compiler vectorises.
//
// An unscaled draw samples every pixel with the same two weights; its texels are gathered into
// a block, and blendBlock computes all of its pixels with the widest vector instructions this
// processor has. blendBlockPlain is its per-pixel twin, the reference that every vector version
// must match bit for bit.
#include <cstdint>

#include "platform/cpu/vector_support.h"
#include "platform/gdi/surface.h"

// A straight ARGB pixel as premultiplied bytes: each colour round(colour × alpha / 255).
uint32_t premultiply(uint32_t straight);

// Its inverse, to the nearest straight colour; a transparent pixel stays as it is.
uint32_t unpremultiply(uint32_t premultiplied);

// The bilinear sample of four premultiplied texels, weights wx and wy (0 to 256) for the next
// column and row: t00 and t10 on the upper row, t01 and t11 on the lower.
uint32_t bilinearSample(uint32_t t00, uint32_t t10, uint32_t t01, uint32_t t11, uint32_t wx, uint32_t wy);

// A premultiplied sample over a premultiplied pixel: sample + pixel × (255 − sample alpha) / 255.
uint32_t overPremultiplied(uint32_t pixel, uint32_t sample);

// The largest block blendBlock takes, in texels per side.
constexpr int32_t maxBlockTexels = 40;

// Blends the pixels of `area` in `target`: pixel (area.left + i, area.top + j) samples the block
// texels (i, j), (i + 1, j), (i, j + 1) and (i + 1, j + 1). The block holds premultiplied texels,
// `stride` words a row, one more row and column than the area.
void blendBlock(const Surface& target, PixelRect area, const uint32_t* block, int32_t stride, uint32_t wx,
                uint32_t wy);
void blendBlockPlain(const Surface& target, PixelRect area, const uint32_t* block, int32_t stride, uint32_t wx,
                     uint32_t wy);
#if DELUGE_HAS_SSE2
void blendBlockSse2(const Surface& target, PixelRect area, const uint32_t* block, int32_t stride, uint32_t wx,
                    uint32_t wy);
#endif
#if DELUGE_HAS_AVX2
void blendBlockAvx2(const Surface& target, PixelRect area, const uint32_t* block, int32_t stride, uint32_t wx,
                    uint32_t wy);  // with AVX2 only
#endif
