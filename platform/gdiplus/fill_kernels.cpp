#include "platform/gdiplus/fill_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void blendPhasesPlain(uint32_t* row, int32_t from, int32_t to, const BlendTerms phase[8]) {
    for (int32_t x = from; x < to; ++x) row[x] = blendTerms(row[x], phase[x & 7]);
}

#if defined(__SSE2__)

// Eight pixels at a time, one 16-bit lane a channel, with the phases turned so that the first
// group starts at `from`: every channel is div255(term + byte × inverse), and
// div255(v) = ((v + 128) × 257) >> 16 exactly for the v < 65536 - 128 that arise here, which is
// one high-half multiply.
void blendPhases(uint32_t* row, int32_t from, int32_t to, const BlendTerms phase[8]) {
    __m128i terms[4], inverse[4];  // for the pixel pairs 0-1, 2-3, 4-5 and 6-7 of a group
    for (int32_t pair = 0; pair < 4; ++pair) {
        const BlendTerms& a = phase[(from + 2 * pair) & 7];
        const BlendTerms& b = phase[(from + 2 * pair + 1) & 7];
        auto lane = [](uint32_t term) { return static_cast<short>(term + 128); };
        terms[pair] = _mm_setr_epi16(lane(a.blue), lane(a.green), lane(a.red), lane(a.alpha), lane(b.blue),
                                     lane(b.green), lane(b.red), lane(b.alpha));
        auto ia = static_cast<short>(a.inverse), ib = static_cast<short>(b.inverse);
        inverse[pair] = _mm_setr_epi16(ia, ia, ia, ia, ib, ib, ib, ib);
    }
    const __m128i zero = _mm_setzero_si128();
    const __m128i by257 = _mm_set1_epi16(257);
    // Four pixels starting with pair `pair`.
    auto blendFour = [&](uint32_t* pixels, int32_t pair) {
        auto* line = reinterpret_cast<__m128i*>(pixels);
        __m128i bytes = _mm_loadu_si128(line);
        auto mix = [&](__m128i channels, int32_t which) {
            __m128i sum = _mm_add_epi16(_mm_mullo_epi16(channels, inverse[which]), terms[which]);
            return _mm_mulhi_epu16(sum, by257);
        };
        _mm_storeu_si128(line, _mm_packus_epi16(mix(_mm_unpacklo_epi8(bytes, zero), pair),
                                                mix(_mm_unpackhi_epi8(bytes, zero), pair + 1)));
    };
    int32_t x = from;
    for (; x + 8 <= to; x += 8) {
        blendFour(row + x, 0);
        blendFour(row + x + 4, 2);
    }
    if (x + 4 <= to) {
        blendFour(row + x, 0);
        x += 4;
    }
    blendPhasesPlain(row, x, to, phase);
}

#else

void blendPhases(uint32_t* row, int32_t from, int32_t to, const BlendTerms phase[8]) {
    blendPhasesPlain(row, from, to, phase);
}

#endif
