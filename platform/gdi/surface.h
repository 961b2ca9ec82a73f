#pragma once
// A block of 32-bit pixels that a drawing call writes into: a DIB section, a GDI+ bitmap or a
// window's client area. Pixel (x, y) is pixels[x + y * stride]; blue in the low byte.
#include <cstddef>
#include <cstdint>

struct Surface {
    uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    ptrdiff_t stride = 0;  // in pixels; negative for a bottom-up bitmap

    uint32_t* row(int32_t y) const { return pixels + y * stride; }
};

// A rectangle of pixels, right and bottom exclusive.
struct PixelRect {
    int32_t left, top, right, bottom;
    bool empty() const { return right <= left || bottom <= top; }
};

inline PixelRect intersect(PixelRect a, PixelRect b) {
    return {a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
            a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
}

inline PixelRect boundsOf(const Surface& surface) { return {0, 0, surface.width, surface.height}; }
