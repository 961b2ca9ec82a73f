// BitBlt and StretchBlt between device contexts, with the two raster operations the demo uses.
#include <cstdint>
#include <cstring>

#include "platform/cpu/vector_support.h"
#include "platform/gdi/gdi_internal.h"

#if DELUGE_HAS_SSE2
#include <emmintrin.h>
#endif

namespace {

enum class Rop { Copy, Paint };

bool ropOf(DWORD rop, Rop* out) {
    if (rop == SRCCOPY) *out = Rop::Copy;
    else if (rop == SRCPAINT) *out = Rop::Paint;
    else return false;
    return true;
}

// SRCPAINT is a bitwise OR of all 32 bits, the fourth byte included. The loop vectorises; where
// the processor has AVX2 the same loop runs twice as wide.
void orRowDefault(uint32_t* dest, const uint32_t* source, int32_t count) {
    for (int32_t i = 0; i < count; ++i) dest[i] |= source[i];
}

#if DELUGE_HAS_AVX2
DELUGE_AVX2_TARGET void orRowAvx2(uint32_t* dest, const uint32_t* source, int32_t count) {
    for (int32_t i = 0; i < count; ++i) dest[i] |= source[i];
}
#endif

void orRow(uint32_t* dest, const uint32_t* source, int32_t count) {
#if DELUGE_HAS_AVX2
    if (processorHasAvx2()) return orRowAvx2(dest, source, count);
#endif
    orRowDefault(dest, source, count);
}

void applyRow(Rop rop, uint32_t* dest, const uint32_t* source, int32_t count) {
    if (rop == Rop::Copy) std::memmove(dest, source, static_cast<size_t>(count) * 4);
    else orRow(dest, source, count);
}

// dest[2i] = dest[2i + 1] = source[i] for i < count. The doubled frame goes to the screen and is
// not read again here, so the vector version writes past the cache, which saves reading each
// line in before it is written.
void doublePixelsPlain(uint32_t* dest, const uint32_t* source, int32_t count) {
    for (int32_t i = 0; i < count; ++i) dest[2 * i] = dest[2 * i + 1] = source[i];
}

#if DELUGE_HAS_SSE2
void doublePixels(uint32_t* dest, const uint32_t* source, int32_t count) {
    int32_t i = 0;
    // Streaming stores need 16-byte-aligned addresses; one pair more reaches one if any can.
    if (reinterpret_cast<uintptr_t>(dest) % 16 == 8 && count > 0) {
        dest[0] = dest[1] = source[0];
        i = 1;
    }
    bool aligned = reinterpret_cast<uintptr_t>(dest + 2 * i) % 16 == 0;
    for (; i + 4 <= count; i += 4) {
        __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        auto* out = reinterpret_cast<__m128i*>(dest + 2 * i);
        if (aligned) {
            _mm_stream_si128(out, _mm_unpacklo_epi32(four, four));
            _mm_stream_si128(out + 1, _mm_unpackhi_epi32(four, four));
        } else {
            _mm_storeu_si128(out, _mm_unpacklo_epi32(four, four));
            _mm_storeu_si128(out + 1, _mm_unpackhi_epi32(four, four));
        }
    }
    doublePixelsPlain(dest + 2 * i, source + i, count - i);
}
#else
void doublePixels(uint32_t* dest, const uint32_t* source, int32_t count) { doublePixelsPlain(dest, source, count); }
#endif

// A source and destination that are both open for drawing, closed again on scope exit.
struct BlitSurfaces {
    DeviceContext* dest;
    DeviceContext* source;
    Surface destSurface{};
    Surface sourceSurface{};
    bool ready = false;

    BlitSurfaces(HDC destDc, HDC sourceDc, const char* call)
        : dest(deviceContextOf(destDc, call)), source(deviceContextOf(sourceDc, call)) {
        if (!dest || !source || !beginDrawing(source, &sourceSurface)) return;
        if (!beginDrawing(dest, &destSurface)) {
            endDrawing(source);
            return;
        }
        ready = true;
    }
    ~BlitSurfaces() {
        if (!ready) return;
        endDrawing(dest);
        endDrawing(source);
    }
};

// A copy of equal sizes: the rectangle is clipped to both surfaces. Rows run in the order that
// keeps an overlapping copy within one surface correct.
void blitRect(Rop rop, const Surface& dest, int x, int y, int cx, int cy, const Surface& source, int x1, int y1) {
    PixelRect wanted{x, y, x + cx, y + cy};
    PixelRect sourceInDest{x - x1, y - y1, x - x1 + source.width, y - y1 + source.height};
    PixelRect area = intersect(intersect(wanted, boundsOf(dest)), sourceInDest);
    if (area.empty()) return;
    int32_t count = area.right - area.left;
    bool upwards = source.pixels == dest.pixels && y > y1;
    for (int32_t i = 0; i < area.bottom - area.top; ++i) {
        int32_t row = upwards ? area.bottom - 1 - i : area.top + i;
        uint32_t* to = dest.row(row) + area.left;
        const uint32_t* from = source.row(row - y + y1) + (area.left - x + x1);
        if (rop == Rop::Paint && source.pixels == dest.pixels && to > from && to < from + count) {
            for (int32_t k = count - 1; k >= 0; --k) to[k] |= from[k];
        } else {
            applyRow(rop, to, from, count);
        }
    }
}

// Nearest-neighbour resampling that samples each destination pixel at its centre: source
// index = floor((2 * d + 1) * sourceSize / (2 * destSize)). An exact doubling turns every
// source pixel into a 2 × 2 block; an odd destination size gives one source line a third copy.
struct SampleStep {
    int64_t numerator, denominator, increment;
    int32_t index;

    SampleStep(int32_t first, int32_t sourceSize, int32_t destSize)
        : numerator((2 * int64_t(first) + 1) * sourceSize), denominator(2 * int64_t(destSize)),
          increment(2 * int64_t(sourceSize)), index(static_cast<int32_t>(numerator / denominator)) {}
    void next() {
        numerator += increment;
        while (numerator >= (int64_t(index) + 1) * denominator) ++index;
    }
};

// One destination row from one source row, each pixel sampled at its centre.
void resampleRow(Rop rop, uint32_t* to, const uint32_t* from, int32_t left, int32_t right, int32_t xDest,
                 int32_t wDest, int32_t sourceWidth, int32_t xSrc, int32_t wSrc) {
    SampleStep column(left - xDest, wSrc, wDest);
    for (int32_t x = left; x < right; ++x, column.next()) {
        int32_t sx = xSrc + column.index;
        if (sx < 0 || sx >= sourceWidth) continue;
        to[x] = rop == Rop::Copy ? from[sx] : (to[x] | from[sx]);
    }
}

// The same for an exact doubling, where destination pixel x shows source pixel
// xSrc + (x − xDest) / 2: every source pixel written twice.
void doubleColumns(uint32_t* to, const uint32_t* from, int32_t left, int32_t right, int32_t xDest, int32_t xSrc) {
    int32_t x = left;
    if ((x - xDest) % 2) {
        to[x] = from[xSrc + (x - xDest) / 2];
        ++x;
    }
    const uint32_t* source = from + xSrc + (x - xDest) / 2;
    int32_t pairs = (right - x) / 2;
    doublePixels(to + x, source, pairs);
    if ((right - x) % 2) to[x + 2 * pairs] = source[pairs];
}

void stretchRect(Rop rop, const Surface& dest, int xDest, int yDest, int wDest, int hDest, const Surface& source,
                 int xSrc, int ySrc, int wSrc, int hSrc) {
    PixelRect area = intersect({xDest, yDest, xDest + wDest, yDest + hDest}, boundsOf(dest));
    if (area.empty()) return;
    bool columnsInside = xSrc >= 0 && int64_t(xSrc) + wSrc <= source.width;
    const uint32_t* previousSourceRow = nullptr;
    const uint32_t* previousDestRow = nullptr;
    SampleStep rowStep(area.top - yDest, hSrc, hDest);
    for (int32_t y = area.top; y < area.bottom; ++y, rowStep.next()) {
        int32_t sy = ySrc + rowStep.index;
        if (sy < 0 || sy >= source.height) continue;
        const uint32_t* from = source.row(sy);
        uint32_t* to = dest.row(y);
        bool doubling = rop == Rop::Copy && columnsInside && wDest == 2 * int64_t(wSrc);
        // Consecutive destination rows that sample the same source row are the same pixels. A
        // doubled row is made again instead: its copy went past the cache.
        if (rop == Rop::Copy && columnsInside && !doubling && from == previousSourceRow) {
            std::memcpy(to + area.left, previousDestRow + area.left, size_t(area.right - area.left) * 4);
            continue;
        }
        if (doubling) {
            doubleColumns(to, from, area.left, area.right, xDest, xSrc);
        } else {
            resampleRow(rop, to, from, area.left, area.right, xDest, wDest, source.width, xSrc, wSrc);
        }
        previousSourceRow = from;
        previousDestRow = to;
    }
#if DELUGE_HAS_SSE2
    _mm_sfence();  // the streaming stores are seen before whatever reads the pixels next
#endif
}

}  // namespace

BOOL WINAPI BitBlt(HDC dc, int x, int y, int cx, int cy, HDC source, int x1, int y1, DWORD rop) {
    Rop operation;
    if (!ropOf(rop, &operation) || cx <= 0 || cy <= 0) return FALSE;
    BlitSurfaces surfaces(dc, source, "BitBlt");
    if (!surfaces.ready) return FALSE;
    blitRect(operation, surfaces.destSurface, x, y, cx, cy, surfaces.sourceSurface, x1, y1);
    return TRUE;
}

BOOL WINAPI StretchBlt(HDC dest, int xDest, int yDest, int wDest, int hDest, HDC source, int xSrc, int ySrc,
                       int wSrc, int hSrc, DWORD rop) {
    Rop operation;
    if (!ropOf(rop, &operation) || wDest <= 0 || hDest <= 0 || wSrc <= 0 || hSrc <= 0) return FALSE;
    BlitSurfaces surfaces(dest, source, "StretchBlt");
    if (!surfaces.ready) return FALSE;
    if (wDest == wSrc && hDest == hSrc)
        blitRect(operation, surfaces.destSurface, xDest, yDest, wDest, hDest, surfaces.sourceSurface, xSrc, ySrc);
    else
        stretchRect(operation, surfaces.destSurface, xDest, yDest, wDest, hDest, surfaces.sourceSurface, xSrc, ySrc,
                    wSrc, hSrc);
    return TRUE;
}
