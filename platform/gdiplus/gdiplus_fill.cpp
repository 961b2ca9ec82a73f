// Brushes, rectangle fills and clears.
#include <algorithm>
#include <cmath>
#include <new>

#include "platform/gdi/gdi_internal.h"
#include "platform/gdiplus/fill_kernels.h"
#include "platform/gdiplus/gdiplus_internal.h"

namespace {

// The position along a gradient, 0 at the rectangle's start and 1 at its end, after the wrap.
double gradientPosition(const Brush& brush, int32_t x, int32_t y) {
    double radians = brush.angle * 3.14159265358979323846 / 180.0;
    double c = std::cos(radians), s = std::sin(radians);
    double length = brush.rect.Width * std::fabs(c) + brush.rect.Height * std::fabs(s);
    if (length <= 0) return 0;
    double t = ((x - brush.rect.X) * c + (y - brush.rect.Y) * s) / length;
    switch (brush.wrap) {
    case WrapModeClamp: return std::clamp(t, 0.0, 1.0);
    case WrapModeTileFlipX:
    case WrapModeTileFlipXY: {
        double m = t - 2.0 * std::floor(t / 2.0);
        return m <= 1.0 ? m : 2.0 - m;
    }
    default: return t - std::floor(t);
    }
}

// A bell-shaped rise from 0 at u = 0 to 1 at u = 1: the normal distribution's integral,
// steepest half-way. Its steepness reproduces the measured profile of glyphs drawn with a
// sigma-blended brush (see the atlas tests).
double bellRise(double u) {
    constexpr double steepness = 1.45;
    return (std::erf(steepness * (2.0 * u - 1.0)) + std::erf(steepness)) / (2.0 * std::erf(steepness));
}

// How much of colour 2 the gradient shows at position t.
double gradientFactor(const Brush& brush, double t) {
    if (!brush.sigmaBlend) return t;
    double u = t <= brush.focus ? (brush.focus > 0 ? t / brush.focus : 1.0)
                                : (brush.focus < 1 ? (1.0 - t) / (1.0 - brush.focus) : 1.0);
    return brush.scale * bellRise(u);
}

// Colours are mixed as premultiplied values, so a nearly transparent colour 1 tints the mix
// little. The profile this gives matches the measured gamma-corrected one; no other profile has
// been measured, so both settings of gamma correction share it.
ARGB mixColors(ARGB color1, ARGB color2, double f) {
    double a1 = (color1 >> 24) / 255.0, a2 = (color2 >> 24) / 255.0;
    double alpha = a1 + f * (a2 - a1);
    uint32_t result = static_cast<uint32_t>(std::lrint(alpha * 255.0)) << 24;
    if (alpha <= 0) return result;
    for (int shift = 0; shift < 24; shift += 8) {
        double c = (((color1 >> shift) & 0xFF) * a1 * (1.0 - f) + ((color2 >> shift) & 0xFF) * a2 * f) / alpha;
        result |= static_cast<uint32_t>(std::lrint(std::clamp(c, 0.0, 255.0))) << shift;
    }
    return result;
}

// How much of pixel i, spanning [i + offset, i + 1 + offset), the interval [low, high) covers.
double coverage(int32_t i, double offset, double low, double high) {
    double from = std::max(low, i + offset);
    double to = std::min(high, i + 1 + offset);
    return std::clamp(to - from, 0.0, 1.0);
}

// The blend terms of the brush at pixel (x, y), its alpha scaled by `scale`.
BlendTerms termsOf(const Brush& brush, int32_t x, int32_t y, double scale) {
    ARGB color = brushColorAt(brush, x, y);
    return blendTermsOf(color, static_cast<uint32_t>(std::lrint((color >> 24) * scale)));
}

// The 8 × 8 hatch patterns, one byte a row, most significant bit leftmost, anchored at the
// device origin.
bool hatchPattern(GpHatchStyle style, uint8_t rows[8]) {
    if (style != HatchStyle25Percent) return false;
    for (int y = 0; y < 8; ++y) rows[y] = (y % 2 == 0) ? 0x88 : 0x22;
    return true;
}

// The terms of a brush that repeats every 8 pixels along row y, with alpha scaled by rowScale.
// Interior rows share them with the row 8 above, so they are kept per row phase and only
// worked out again when the row's coverage differs.
struct RowPhases {
    double scale[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    BlendTerms terms[8][8];

    const BlendTerms* of(const Brush& brush, int32_t y, double rowScale) {
        int32_t slot = y & 7;
        if (scale[slot] != rowScale) {
            for (int32_t x = 0; x < 8; ++x) terms[slot][x] = termsOf(brush, x, y, rowScale);
            scale[slot] = rowScale;
        }
        return terms[slot];
    }
};

// Blends one row of a brush over the pixels [from, to). rowScale is the row's coverage; with
// anti-aliasing the first and last pixel also get their own column coverage, while every pixel
// between them is covered whole.
void fillRow(uint32_t* row, int32_t y, int32_t from, int32_t to, const Brush& brush, double rowScale,
             double offset, double left, double right, bool smooth, bool premultiplied, RowPhases& phases) {
    auto blendEdge = [&](int32_t x) {
        row[x] = blendTerms(row[x], termsOf(brush, x, y, rowScale * (smooth ? coverage(x, offset, left, right) : 1.0)));
    };
    if (!premultiplied || brush.type == Brush::Type::LinearGradient) {
        // The rare cases, a pixel at a time: a bitmap in straight ARGB, a gradient.
        for (int32_t x = from; x < to; ++x) {
            ARGB color = brushColorAt(brush, x, y);
            double scale = rowScale * (smooth ? coverage(x, offset, left, right) : 1.0);
            auto alpha = static_cast<uint32_t>(std::lrint((color >> 24) * scale));
            row[x] = premultiplied ? blendOver(row[x], color, alpha) : blendOverStraight(row[x], color, alpha);
        }
        return;
    }
    blendEdge(from);
    if (to - from < 2) return;
    blendPhases(row, from + 1, to - 1, phases.of(brush, y, rowScale));
    blendEdge(to - 1);
}

}  // namespace

ARGB brushColorAt(const Brush& brush, int32_t x, int32_t y) {
    switch (brush.type) {
    case Brush::Type::Solid: return brush.color;
    case Brush::Type::Hatch: return (brush.pattern[y & 7] >> (7 - (x & 7))) & 1 ? brush.foreground : brush.background;
    case Brush::Type::LinearGradient:
        return mixColors(brush.color1, brush.color2, gradientFactor(brush, gradientPosition(brush, x, y)));
    }
    return 0;
}

const Brush* brushOf(const GpBrush* brush, const char* call) {
    if (!gdiplusReady(call)) return nullptr;
    return static_cast<const Brush*>(lookupObject(handleOf(brush), ObjectKind::Brush, call));
}

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

GpStatus WINGDIPAPI GdipCreateLineBrushFromRectWithAngle(const RectF* rect, ARGB color1, ARGB color2, REAL angle,
                                                         BOOL isAngleScalable, GpWrapMode wrapMode,
                                                         GpLineGradient** lineGradient) {
    (void)isAngleScalable;  // only matters under a world transform, which is never set here
    if (!lineGradient) return InvalidParameter;
    *lineGradient = nullptr;
    if (!gdiplusReady("GdipCreateLineBrushFromRectWithAngle")) return GdiplusNotInitialized;
    if (!rect || !(rect->Width > 0) || !(rect->Height > 0) || !std::isfinite(angle) || wrapMode < WrapModeTile ||
        wrapMode > WrapModeClamp)
        return InvalidParameter;
    Brush* made = new (std::nothrow) Brush;
    if (!made) return OutOfMemory;
    made->type = Brush::Type::LinearGradient;
    made->rect = *rect;
    made->color1 = color1;
    made->color2 = color2;
    made->angle = angle;
    made->wrap = wrapMode;
    *lineGradient = handleCast<GpLineGradient*>(
        registerObject(ObjectKind::Brush, made, "GdipCreateLineBrushFromRectWithAngle"));
    return Ok;
}

namespace {
Brush* gradientOf(GpLineGradient* brush, const char* call) {
    auto* b = const_cast<Brush*>(brushOf(brush, call));
    return b && b->type == Brush::Type::LinearGradient ? b : nullptr;
}
}  // namespace

GpStatus WINGDIPAPI GdipSetLineSigmaBlend(GpLineGradient* brush, REAL focus, REAL scale) {
    Brush* b = gradientOf(brush, "GdipSetLineSigmaBlend");
    if (!b || !(focus >= 0 && focus <= 1) || !(scale >= 0 && scale <= 1)) return InvalidParameter;
    b->sigmaBlend = true;
    b->focus = focus;
    b->scale = scale;
    return Ok;
}

GpStatus WINGDIPAPI GdipSetLineGammaCorrection(GpLineGradient* brush, BOOL useGammaCorrection) {
    Brush* b = gradientOf(brush, "GdipSetLineGammaCorrection");
    if (!b) return InvalidParameter;
    b->gammaCorrection = useGammaCorrection != 0;
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
    const Brush* b = brushOf(brush, "GdipFillRectangle");
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
    RowPhases phases;
    for (int32_t row = area.top; row < area.bottom; ++row) {
        double rowScale = smooth ? coverage(row, offset, top, bottom) : 1.0;
        if (rowScale > 0)
            fillRow(target.surface.row(row), row, area.left, area.right, *b, rowScale, offset, left, right, smooth,
                    target.premultiplied, phases);
    }
    return Ok;
}
