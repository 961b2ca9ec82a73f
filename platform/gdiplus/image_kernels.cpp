#include "platform/gdiplus/image_kernels.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/gdiplus/gdiplus_internal.h"

namespace {

inline uint32_t lerp8(uint32_t a, uint32_t b, uint32_t weight) {
    return ((256 - weight) * a + weight * b + 128) >> 8;
}

}  // namespace

uint32_t premultiply(uint32_t straight) {
    uint32_t a = straight >> 24;
    if (a == 255) return straight;
    return div255((straight & 0xFF) * a) | div255(((straight >> 8) & 0xFF) * a) << 8 |
           div255(((straight >> 16) & 0xFF) * a) << 16 | a << 24;
}

uint32_t unpremultiply(uint32_t premultiplied) {
    uint32_t a = premultiplied >> 24;
    if (a == 0) return premultiplied;
    auto channel = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
    return channel(premultiplied & 0xFF) | channel((premultiplied >> 8) & 0xFF) << 8 |
           channel((premultiplied >> 16) & 0xFF) << 16 | a << 24;
}

uint32_t bilinearSample(uint32_t t00, uint32_t t10, uint32_t t01, uint32_t t11, uint32_t wx, uint32_t wy) {
    uint32_t result = 0;
    for (uint32_t shift = 0; shift < 32; shift += 8) {
        uint32_t upper = lerp8((t00 >> shift) & 0xFF, (t10 >> shift) & 0xFF, wx);
        uint32_t lower = lerp8((t01 >> shift) & 0xFF, (t11 >> shift) & 0xFF, wx);
        result |= lerp8(upper, lower, wy) << shift;
    }
    return result;
}

uint32_t overPremultiplied(uint32_t pixel, uint32_t sample) {
    uint32_t inverse = 255 - (sample >> 24);
    uint32_t result = 0;
    for (uint32_t shift = 0; shift < 32; shift += 8)
        result |= (((sample >> shift) & 0xFF) + div255(((pixel >> shift) & 0xFF) * inverse)) << shift;
    return result;
}

void blendBlockPlain(const Surface& target, PixelRect area, const uint32_t* block, int32_t stride, uint32_t wx,
                     uint32_t wy) {
    for (int32_t j = 0; j < area.bottom - area.top; ++j) {
        uint32_t* out = target.row(area.top + j) + area.left;
        const uint32_t* upper = block + j * stride;
        const uint32_t* lower = upper + stride;
        for (int32_t i = 0; i < area.right - area.left; ++i)
            out[i] = overPremultiplied(out[i], bilinearSample(upper[i], upper[i + 1], lower[i], lower[i + 1], wx, wy));
    }
}

#if defined(__SSE2__)

// The same arithmetic two pixels at a time, one 16-bit lane a channel: each block row is blended
// across once, then each pair of rows down, then the samples over the pixels. Every
// intermediate fits 16 bits (at most 256 × 255 + 128), and div255(v) = ((v + 128) × 257) >> 16
// exactly for those, which is one high-half multiply.
void blendBlock(const Surface& target, PixelRect area, const uint32_t* block, int32_t stride, uint32_t wx,
                uint32_t wy) {
    const int32_t columns = area.right - area.left, rows = area.bottom - area.top;
    const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi16(128), by257 = _mm_set1_epi16(257);
    const __m128i opaque = _mm_set1_epi16(255);
    const __m128i left = _mm_set1_epi16(static_cast<short>(256 - wx)), right = _mm_set1_epi16(static_cast<short>(wx));
    const __m128i up = _mm_set1_epi16(static_cast<short>(256 - wy)), down = _mm_set1_epi16(static_cast<short>(wy));
    auto widen = [&](__m128i bytes) { return _mm_unpacklo_epi8(bytes, zero); };
    auto lerp = [&](__m128i a, __m128i b, __m128i weightA, __m128i weightB) {
        __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(a, weightA), _mm_mullo_epi16(b, weightB)), half);
        return _mm_srli_epi16(sum, 8);
    };
    // Room for one pixel more than the area in every row, so that an odd last pixel is read as a
    // pair (its partner lanes are zero), and rows of a whole number of 16-byte lines.
    alignas(16) uint16_t across[maxBlockTexels + 1][(maxBlockTexels + 2) * 4];
    for (int32_t j = 0; j <= rows; ++j) {
        const uint32_t* texels = block + j * stride;
        uint16_t* out = across[j];
        int32_t i = 0;
        for (; i + 2 <= columns; i += 2) {
            __m128i a = widen(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(texels + i)));
            __m128i b = widen(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(texels + i + 1)));
            _mm_store_si128(reinterpret_cast<__m128i*>(out + 4 * i), lerp(a, b, left, right));
        }
        if (i < columns) {
            __m128i a = widen(_mm_cvtsi32_si128(static_cast<int>(texels[i])));
            __m128i b = widen(_mm_cvtsi32_si128(static_cast<int>(texels[i + 1])));
            _mm_store_si128(reinterpret_cast<__m128i*>(out + 4 * i), lerp(a, b, left, right));
        }
    }
    for (int32_t j = 0; j < rows; ++j) {
        auto* out = target.row(area.top + j) + area.left;
        for (int32_t i = 0; i < columns; i += 2) {
            __m128i sample = lerp(_mm_load_si128(reinterpret_cast<const __m128i*>(across[j] + 4 * i)),
                                  _mm_load_si128(reinterpret_cast<const __m128i*>(across[j + 1] + 4 * i)), up, down);
            __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sample, 0xFF), 0xFF);
            __m128i inverse = _mm_sub_epi16(opaque, alpha);
            bool pair = i + 2 <= columns;
            __m128i pixels = widen(pair ? _mm_loadl_epi64(reinterpret_cast<const __m128i*>(out + i))
                                        : _mm_cvtsi32_si128(static_cast<int>(out[i])));
            __m128i kept = _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(pixels, inverse), half), by257);
            __m128i result = _mm_packus_epi16(_mm_add_epi16(sample, kept), zero);
            if (pair) _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), result);
            else out[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(result));
        }
    }
}

#else

void blendBlock(const Surface& target, PixelRect area, const uint32_t* block, int32_t stride, uint32_t wx,
                uint32_t wy) {
    blendBlockPlain(target, area, block, stride, wx, wy);
}

#endif
