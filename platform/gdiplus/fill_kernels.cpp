#include "platform/gdiplus/fill_kernels.h"

#if DELUGE_HAS_SSE2
#include <immintrin.h>
#endif

void blendPhasesPlain(uint32_t* row, int32_t from, int32_t to, const BlendTerms phase[8]) {
    for (int32_t x = from; x < to; ++x) row[x] = blendTerms(row[x], phase[x & 7]);
}

#if DELUGE_HAS_SSE2

// The vector versions work in 16-bit lanes, one a channel, with the phases turned so that the
// first group of 8 pixels starts at `from`. Every channel is div255(term + byte × inverse), and
// div255(v) = ((v + 128) × 257) >> 16 exactly for the v < 65536 − 128 that arise here, which is
// one high-half multiply.
namespace {

// The lanes of the pixel pairs 0-1, 2-3, 4-5 and 6-7 of a group that starts at `from`.
struct PairLanes {
    __m128i terms[4], inverse[4];

    PairLanes(int32_t from, const BlendTerms phase[8]) {
        auto lane = [](uint32_t term) { return static_cast<short>(term + 128); };
        for (int32_t pair = 0; pair < 4; ++pair) {
            const BlendTerms& a = phase[(from + 2 * pair) & 7];
            const BlendTerms& b = phase[(from + 2 * pair + 1) & 7];
            terms[pair] = _mm_setr_epi16(lane(a.blue), lane(a.green), lane(a.red), lane(a.alpha), lane(b.blue),
                                         lane(b.green), lane(b.red), lane(b.alpha));
            auto ia = static_cast<short>(a.inverse), ib = static_cast<short>(b.inverse);
            inverse[pair] = _mm_setr_epi16(ia, ia, ia, ia, ib, ib, ib, ib);
        }
    }
};

// Four pixels that begin with pair `pair` of the group.
inline void blendFour(uint32_t* pixels, const PairLanes& lanes, int32_t pair) {
    const __m128i zero = _mm_setzero_si128(), by257 = _mm_set1_epi16(257);
    auto mix = [&](__m128i channels, int32_t which) {
        __m128i sum = _mm_add_epi16(_mm_mullo_epi16(channels, lanes.inverse[which]), lanes.terms[which]);
        return _mm_mulhi_epu16(sum, by257);
    };
    auto* line = reinterpret_cast<__m128i*>(pixels);
    __m128i bytes = _mm_loadu_si128(line);
    _mm_storeu_si128(line, _mm_packus_epi16(mix(_mm_unpacklo_epi8(bytes, zero), pair),
                                            mix(_mm_unpackhi_epi8(bytes, zero), pair + 1)));
}

// What is left after the whole groups: four pixels more if they fit, then one at a time.
inline void blendRest(uint32_t* row, int32_t x, int32_t to, const PairLanes& lanes, const BlendTerms phase[8]) {
    if (x + 4 <= to) {
        blendFour(row + x, lanes, 0);
        x += 4;
    }
    blendPhasesPlain(row, x, to, phase);
}

}  // namespace

void blendPhasesSse2(uint32_t* row, int32_t from, int32_t to, const BlendTerms phase[8]) {
    PairLanes lanes(from, phase);
    int32_t x = from;
    for (; x + 8 <= to; x += 8) {
        blendFour(row + x, lanes, 0);
        blendFour(row + x + 4, lanes, 2);
    }
    blendRest(row, x, to, lanes, phase);
}

#endif

#if DELUGE_HAS_AVX2

// A whole group a step. AVX2 unpacks within each 128-bit half, so the low unpack holds pairs
// 0-1 and 4-5 and the high one pairs 2-3 and 6-7; the pack puts them back in order.
DELUGE_AVX2_TARGET void blendPhasesAvx2(uint32_t* row, int32_t from, int32_t to, const BlendTerms phase[8]) {
    PairLanes lanes(from, phase);
    const __m256i termsLow = _mm256_setr_m128i(lanes.terms[0], lanes.terms[2]);
    const __m256i termsHigh = _mm256_setr_m128i(lanes.terms[1], lanes.terms[3]);
    const __m256i inverseLow = _mm256_setr_m128i(lanes.inverse[0], lanes.inverse[2]);
    const __m256i inverseHigh = _mm256_setr_m128i(lanes.inverse[1], lanes.inverse[3]);
    const __m256i zero = _mm256_setzero_si256(), by257 = _mm256_set1_epi16(257);
    int32_t x = from;
    for (; x + 8 <= to; x += 8) {
        auto* line = reinterpret_cast<__m256i*>(row + x);
        __m256i bytes = _mm256_loadu_si256(line);
        __m256i low = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(bytes, zero), inverseLow), termsLow);
        __m256i high = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(bytes, zero), inverseHigh), termsHigh);
        _mm256_storeu_si256(line, _mm256_packus_epi16(_mm256_mulhi_epu16(low, by257), _mm256_mulhi_epu16(high, by257)));
    }
    blendRest(row, x, to, lanes, phase);
}

#endif

void blendPhases(uint32_t* row, int32_t from, int32_t to, const BlendTerms phase[8]) {
#if DELUGE_HAS_AVX2
    if (processorHasAvx2()) return blendPhasesAvx2(row, from, to, phase);
#endif
#if DELUGE_HAS_SSE2
    blendPhasesSse2(row, from, to, phase);
#else
    blendPhasesPlain(row, from, to, phase);
#endif
}
