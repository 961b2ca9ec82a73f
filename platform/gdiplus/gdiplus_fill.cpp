// Brushes, rectangle fills and clears.
#include <algorithm>
#include <cmath>
#include <new>

#include "platform/gdi/gdi_internal.h"
#include "platform/gdiplus/gdiplus_internal.h"

namespace {

// How much of pixel i, spanning [i + offset, i + 1 + offset), the interval [low, high) covers.
double coverage(int32_t i, double offset, double low, double high) {
    double from = std::max(low, i + offset);
    double to = std::min(high, i + 1 + offset);
    return std::clamp(to - from, 0.0, 1.0);
}

// The 8 × 8 hatch patterns, one byte a row, most significant bit leftmost, anchored at the
// device origin.
bool hatchPattern(GpHatchStyle style, uint8_t rows[8]) {
    if (style != HatchStyle25Percent) return false;
    for (int y = 0; y < 8; ++y) rows[y] = (y % 2 == 0) ? 0x88 : 0x22;
    return true;
}

// Blends one row of a brush over the pixels [from, to). rowScale is the row's coverage; with
// anti-aliasing the first and last pixel also get their own column coverage, while every pixel
// between them is covered whole.
void fillRow(uint32_t* row, int32_t y, int32_t from, int32_t to, const Brush& brush, double rowScale,
             double offset, double left, double right, bool smooth, bool premultiplied) {
    auto colorAt = [&](int32_t x) -> ARGB {
        if (brush.type == Brush::Type::Solid) return brush.color;
        return (brush.pattern[y & 7] >> (7 - (x & 7))) & 1 ? brush.foreground : brush.background;
    };
    auto termsAt = [&](int32_t x, double scale) {
        ARGB color = colorAt(x);
        return blendTermsOf(color, static_cast<uint32_t>(std::lrint((color >> 24) * scale)));
    };
    auto blendEdge = [&](int32_t x) {
        row[x] = blendTerms(row[x], termsAt(x, rowScale * (smooth ? coverage(x, offset, left, right) : 1.0)));
    };
    if (!premultiplied) {
        // A bitmap in straight ARGB: the rare case (text and fills into glyph bitmaps).
        for (int32_t x = from; x < to; ++x) {
            ARGB color = colorAt(x);
            double scale = rowScale * (smooth ? coverage(x, offset, left, right) : 1.0);
            row[x] = blendOverStraight(row[x], color, static_cast<uint32_t>(std::lrint((color >> 24) * scale)));
        }
        return;
    }
    blendEdge(from);
    if (to - from < 2) return;
    // The brush repeats every 8 pixels. Whole groups of 8 are blended a byte at a time with the
    // terms of each byte's phase; every intermediate fits 16 bits, so the loop vectorises.
    BlendTerms phase[8];
    uint16_t terms[32], inverse[32];
    for (int32_t j = 0; j < 8; ++j) {
        phase[j] = termsAt(j, rowScale);
        const uint32_t channels[4] = {phase[j].blue, phase[j].green, phase[j].red, phase[j].alpha};
        for (int32_t c = 0; c < 4; ++c) {
            terms[4 * j + c] = static_cast<uint16_t>(channels[c]);
            inverse[4 * j + c] = static_cast<uint16_t>(phase[j].inverse);
        }
    }
    int32_t x = from + 1;
    int32_t end = to - 1;
    for (; x < end && (x & 7); ++x) row[x] = blendTerms(row[x], phase[x & 7]);
    for (; x + 8 <= end; x += 8) {
        auto* bytes = reinterpret_cast<uint8_t*>(row + x);
        for (int32_t i = 0; i < 32; ++i) {
            uint16_t value = static_cast<uint16_t>(terms[i] + bytes[i] * inverse[i] + 128);
            bytes[i] = static_cast<uint8_t>((value + (value >> 8)) >> 8);
        }
    }
    for (; x < end; ++x) row[x] = blendTerms(row[x], phase[x & 7]);
    blendEdge(to - 1);
}

}  // namespace

GpStatus WINGDIPAPI GdipCreateSolidFill(ARGB color, GpSolidFill** brush) {
    if (!brush) return InvalidParameter;
    *brush = nullptr;
    if (!gdiplusReady("GdipCreateSolidFill")) return GdiplusNotInitialized;
    Brush* made = new (std::nothrow) Brush;
    if (!made) return OutOfMemory;
    made->color = color;
    *brush = handleCast<GpSolidFill*>(registerObject(ObjectKind::Brush, made, "GdipCreateSolidFill"));
    return Ok;
}

GpStatus WINGDIPAPI GdipCreateHatchBrush(GpHatchStyle style, ARGB foreground, ARGB background, GpHatch** brush) {
    if (!brush) return InvalidParameter;
    *brush = nullptr;
    if (!gdiplusReady("GdipCreateHatchBrush")) return GdiplusNotInitialized;
    Brush made;
    made.type = Brush::Type::Hatch;
    made.foreground = foreground;
    made.background = background;
    if (!hatchPattern(style, made.pattern)) return NotImplemented;
    Brush* copy = new (std::nothrow) Brush(made);
    if (!copy) return OutOfMemory;
    *brush = handleCast<GpHatch*>(registerObject(ObjectKind::Brush, copy, "GdipCreateHatchBrush"));
    return Ok;
}

GpStatus WINGDIPAPI GdipDeleteBrush(GpBrush* brush) {
    if (!gdiplusReady("GdipDeleteBrush")) return GdiplusNotInitialized;
    Brush* made = static_cast<Brush*>(unregisterObject(handleOf(brush), ObjectKind::Brush, "GdipDeleteBrush"));
    if (!made) return InvalidParameter;
    delete made;
    return Ok;
}

GpStatus WINGDIPAPI GdipGraphicsClear(GpGraphics* graphics, ARGB color) {
    Graphics* g = graphicsOf(graphics, "GdipGraphicsClear");
    if (!g) return InvalidParameter;
    DrawTarget target(g, "GdipGraphicsClear");
    if (!target.ready) return GenericError;
    uint32_t alpha = color >> 24;
    uint32_t value = !target.premultiplied ? color
                                           : div255((color & 0xFF) * alpha) | div255(((color >> 8) & 0xFF) * alpha) << 8 |
                                                 div255(((color >> 16) & 0xFF) * alpha) << 16 | alpha << 24;
    for (int32_t y = 0; y < target.surface.height; ++y) std::fill_n(target.surface.row(y), target.surface.width, value);
    return Ok;
}

// Fills with source-over blending. With anti-aliasing, an edge pixel that the rectangle covers
// only in part gets that part of the brush's alpha. Pixel i spans [i, i + 1) with the half-pixel
// offset mode and [i − 0.5, i + 0.5) otherwise.
GpStatus WINGDIPAPI GdipFillRectangle(GpGraphics* graphics, GpBrush* brush, REAL x, REAL y, REAL width, REAL height) {
    Graphics* g = graphicsOf(graphics, "GdipFillRectangle");
    auto* b = static_cast<const Brush*>(lookupObject(handleOf(brush), ObjectKind::Brush, "GdipFillRectangle"));
    if (!g || !b || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(width) || !std::isfinite(height))
        return InvalidParameter;
    if (width <= 0 || height <= 0) return Ok;
    DrawTarget target(g, "GdipFillRectangle");
    if (!target.ready) return GenericError;

    bool half = g->pixelOffset == PixelOffsetModeHalf || g->pixelOffset == PixelOffsetModeHighQuality;
    bool smooth = g->smoothing == SmoothingModeAntiAlias || g->smoothing == SmoothingModeHighQuality;
    double offset = half ? 0.0 : -0.5;
    double left = x, top = y, right = double(x) + width, bottom = double(y) + height;
    // Without anti-aliasing a pixel is filled when its centre lies inside the rectangle.
    auto firstPixel = [&](double edge) { return smooth ? std::floor(edge - offset) : std::ceil(edge - offset - 0.5); };
    PixelRect area = intersect(boundsOf(target.surface),
                               {int32_t(std::clamp(firstPixel(left), -1.0, 1e9)),
                                int32_t(std::clamp(firstPixel(top), -1.0, 1e9)),
                                int32_t(std::clamp(firstPixel(right) + (smooth ? 1 : 0), -1.0, 1e9)),
                                int32_t(std::clamp(firstPixel(bottom) + (smooth ? 1 : 0), -1.0, 1e9))});
    for (int32_t row = area.top; row < area.bottom; ++row) {
        double rowScale = smooth ? coverage(row, offset, top, bottom) : 1.0;
        if (rowScale > 0)
            fillRow(target.surface.row(row), row, area.left, area.right, *b, rowScale, offset, left, right, smooth,
                    target.premultiplied);
    }
    return Ok;
}
