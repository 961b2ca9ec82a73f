#include "platform/gdiplus/image_kernels.h"

#include <algorithm>

#if DELUGE_HAS_SSE2
#include <immintrin.h>
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

#if DELUGE_HAS_SSE2

// The vector versions do the same arithmetic, one 16-bit lane a channel: each block row is
// blended across once, then each pair of rows down, then the samples over the pixels. Every
// intermediate fits 16 bits (at most 256 × 255 + 128), and div255(v) = ((v + 128) × 257) >> 16
// exactly for those, which is one high-half multiply.
namespace {

// The weights of a draw, each in every lane.
struct BlendWeights {
    __m128i left, right, up, down;
    BlendWeights(uint32_t wx, uint32_t wy)
        : left(_mm_set1_epi16(static_cast<short>(256 - wx))), right(_mm_set1_epi16(static_cast<short>(wx))),
          up(_mm_set1_epi16(static_cast<short>(256 - wy))), down(_mm_set1_epi16(static_cast<short>(wy))) {}
};

// Room for one pixel more than the area in every row, so that an odd last pixel is read as a
// pair (its partner lanes are zero), and rows of a whole number of 32-byte lines.
using AcrossRows = uint16_t[maxBlockTexels + 1][(maxBlockTexels + 4) * 4];

inline __m128i widen(__m128i bytes) { return _mm_unpacklo_epi8(bytes, _mm_setzero_si128()); }
inline __m128i lerp(__m128i a, __m128i b, __m128i weightA, __m128i weightB) {
    __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(a, weightA), _mm_mullo_epi16(b, weightB)),
                                _mm_set1_epi16(128));
    return _mm_srli_epi16(sum, 8);
}
inline __m128i loadPair(const uint32_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); }
inline __m128i loadOne(const uint32_t* p) { return _mm_cvtsi32_si128(static_cast<int>(*p)); }

// Pixels [i, columns) of one block row blended across, two at a time.
inline void acrossRest(const uint32_t* texels, uint16_t* out, int32_t i, int32_t columns, const BlendWeights& w) {
    for (; i + 2 <= columns; i += 2)
        _mm_store_si128(reinterpret_cast<__m128i*>(out + 4 * i),
                        lerp(widen(loadPair(texels + i)), widen(loadPair(texels + i + 1)), w.left, w.right));
    if (i < columns)
        _mm_store_si128(reinterpret_cast<__m128i*>(out + 4 * i),
                        lerp(widen(loadOne(texels + i)), widen(loadOne(texels + i + 1)), w.left, w.right));
}

// Pixels [i, columns) of one row: the samples from two rows blended across, over the pixels.
inline void overRest(const uint16_t* upper, const uint16_t* lower, uint32_t* out, int32_t i, int32_t columns,
                     const BlendWeights& w) {
    const __m128i opaque = _mm_set1_epi16(255), half = _mm_set1_epi16(128), by257 = _mm_set1_epi16(257);
    for (; i < columns; i += 2) {
        __m128i sample = lerp(_mm_load_si128(reinterpret_cast<const __m128i*>(upper + 4 * i)),
                              _mm_load_si128(reinterpret_cast<const __m128i*>(lower + 4 * i)), w.up, w.down);
        __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sample, 0xFF), 0xFF);
        bool pair = i + 2 <= columns;
        __m128i pixels = widen(pair ? loadPair(out + i) : loadOne(out + i));
        __m128i kept = _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(pixels, _mm_sub_epi16(opaque, alpha)), half), by257);
        __m128i result = _mm_packus_epi16(_mm_add_epi16(sample, kept), _mm_setzero_si128());
        if (pair) _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), result);
        else out[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(result));
    }
}

}  // namespace

void blendBlockSse2(const Surface& target, PixelRect area, const uint32_t* block, int32_t stride, uint32_t wx,
                    uint32_t wy) {
    const int32_t columns = area.right - area.left, rows = area.bottom - area.top;
    const BlendWeights w(wx, wy);
    alignas(32) AcrossRows across;
    for (int32_t j = 0; j <= rows; ++j) acrossRest(block + j * stride, across[j], 0, columns, w);
    for (int32_t j = 0; j < rows; ++j) overRest(across[j], across[j + 1], target.row(area.top + j) + area.left, 0, columns, w);
}

#endif

#if DELUGE_HAS_AVX2

namespace {

DELUGE_AVX2_TARGET inline __m256i lerp4(__m256i a, __m256i b, __m256i weightA, __m256i weightB) {
    __m256i sum = _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(a, weightA), _mm256_mullo_epi16(b, weightB)),
                                   _mm256_set1_epi16(128));
    return _mm256_srli_epi16(sum, 8);
}
DELUGE_AVX2_TARGET inline __m256i widen4(const uint32_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

}  // namespace

// Four pixels a step, then the SSE2 steps for the rest of each row.
DELUGE_AVX2_TARGET void blendBlockAvx2(const Surface& target, PixelRect area, const uint32_t* block, int32_t stride,
                                       uint32_t wx, uint32_t wy) {
    const int32_t columns = area.right - area.left, rows = area.bottom - area.top;
    const BlendWeights w(wx, wy);
    const __m256i left = _mm256_set1_epi16(static_cast<short>(256 - wx)), right = _mm256_set1_epi16(static_cast<short>(wx));
    const __m256i up = _mm256_set1_epi16(static_cast<short>(256 - wy)), down = _mm256_set1_epi16(static_cast<short>(wy));
    const __m256i half = _mm256_set1_epi16(128), opaque = _mm256_set1_epi16(255), by257 = _mm256_set1_epi16(257);
    alignas(32) AcrossRows across;
    for (int32_t j = 0; j <= rows; ++j) {
        const uint32_t* texels = block + j * stride;
        int32_t i = 0;
        for (; i + 4 <= columns; i += 4)
            _mm256_store_si256(reinterpret_cast<__m256i*>(across[j] + 4 * i),
                               lerp4(widen4(texels + i), widen4(texels + i + 1), left, right));
        acrossRest(texels, across[j], i, columns, w);
    }
    for (int32_t j = 0; j < rows; ++j) {
        uint32_t* out = target.row(area.top + j) + area.left;
        int32_t i = 0;
        for (; i + 4 <= columns; i += 4) {
            __m256i sample = lerp4(_mm256_load_si256(reinterpret_cast<const __m256i*>(across[j] + 4 * i)),
                                   _mm256_load_si256(reinterpret_cast<const __m256i*>(across[j + 1] + 4 * i)), up, down);
            __m256i alpha = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(sample, 0xFF), 0xFF);
            __m256i kept = _mm256_mulhi_epu16(
                _mm256_add_epi16(_mm256_mullo_epi16(widen4(out + i), _mm256_sub_epi16(opaque, alpha)), half), by257);
            __m256i result = _mm256_add_epi16(sample, kept);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                             _mm_packus_epi16(_mm256_castsi256_si128(result), _mm256_extracti128_si256(result, 1)));
        }
        overRest(across[j], across[j + 1], out, i, columns, w);
    }
}

#endif

void blendBlock(const Surface& target, PixelRect area, const uint32_t* block, int32_t stride, uint32_t wx,
                uint32_t wy) {
#if DELUGE_HAS_AVX2
    if (processorHasAvx2()) return blendBlockAvx2(target, area, block, stride, wx, wy);
#endif
#if DELUGE_HAS_SSE2
    blendBlockSse2(target, area, block, stride, wx, wy);
#else
    blendBlockPlain(target, area, block, stride, wx, wy);
#endif
}
