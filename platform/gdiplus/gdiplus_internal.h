#pragma once
// The GDI+ objects behind the handles and the pixel arithmetic they share.
#include <vector>

#include "platform/gdi/surface.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/objects/object_table.h"

// A GDI+ bitmap: straight (non-premultiplied) ARGB unless `premultiplied`.
struct Image {
    Surface surface;
    void* memory = nullptr;  // owned pixels, or null when the caller supplied them
    PixelFormat format = PixelFormat32bppARGB;
    bool premultiplied = false;
    // Owned pixels in premultiplied form, as image draws read them: made on the first draw of
    // the image and made again after something was drawn into it.
    std::vector<uint32_t> premultipliedCopy;
    bool copyCurrent = false;
    // The smallest rectangle that holds every texel of the copy that is not fully transparent:
    // a draw reads nothing from outside it.
    PixelRect inkBounds{};
};

void freeImage(Image* image);

// Deletes a string format, font family or font.
void deleteTextObject(ObjectKind kind, void* object);

struct ImageAttributes {
    bool hasColorMatrix = false;
    ColorMatrix colorMatrix{};
};

struct Graphics {
    HDC dc = nullptr;              // the device context drawn through, or
    ObjectHandle image = 0;        // the image drawn into
    SmoothingMode smoothing = SmoothingModeNone;
    PixelOffsetMode pixelOffset = PixelOffsetModeNone;
    TextRenderingHint textHint = TextRenderingHintSystemDefault;
};

struct Brush {
    enum class Type { Solid, Hatch, LinearGradient } type = Type::Solid;
    ARGB color = 0;       // solid
    ARGB foreground = 0;  // hatch
    ARGB background = 0;
    uint8_t pattern[8] = {};  // hatch rows, most significant bit leftmost
    // Linear gradient: colour 1 at the start of the rectangle along the angle, colour 2 at its end,
    // or, with a sigma blend, colour 2 at the focus and colour 1 at both ends.
    RectF rect{};
    ARGB color1 = 0, color2 = 0;
    double angle = 0;
    WrapMode wrap = WrapModeTile;
    bool sigmaBlend = false;
    double focus = 0, scale = 1;
    bool gammaCorrection = false;
};

// The brush's straight ARGB colour for the pixel at column x, row y.
ARGB brushColorAt(const Brush& brush, int32_t x, int32_t y);

const Brush* brushOf(const GpBrush* brush, const char* call);

// True when GDI+ is started; otherwise records the call as misuse.
bool gdiplusReady(const char* call);

// The graphics context behind a handle, when GDI+ is started.
Graphics* graphicsOf(GpGraphics* graphics, const char* call);

// The pixels a graphics context draws into, open for drawing while this lives. Layers (device
// contexts) hold premultiplied pixels; a bitmap holds them as its format says.
struct DrawTarget {
    DrawTarget(const Graphics* graphics, const char* call);
    ~DrawTarget();
    DrawTarget(const DrawTarget&) = delete;
    DrawTarget& operator=(const DrawTarget&) = delete;

    Surface surface{};
    bool premultiplied = true;
    bool ready = false;

private:
    HDC dc_ = nullptr;
};

// Source-over of a straight colour with alpha (both 0 to 255) onto a straight pixel.
uint32_t blendOverStraight(uint32_t pixel, uint32_t color, uint32_t alpha);

// round(x / 255) for x from 0 to 255 × 255, without a division.
inline uint32_t div255(uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}

// The parts of a source-over blend that depend on the source alone, so that a run of pixels
// with the same source costs four multiply-adds a pixel.
struct BlendTerms {
    uint32_t blue, green, red, alpha;  // colour × alpha per channel, and 255 × alpha
    uint32_t inverse;                  // 255 − alpha
};

inline BlendTerms blendTermsOf(uint32_t color, uint32_t alpha) {
    return BlendTerms{(color & 0xFF) * alpha, ((color >> 8) & 0xFF) * alpha, ((color >> 16) & 0xFF) * alpha,
                      255 * alpha, 255 - alpha};
}

inline uint32_t blendTerms(uint32_t pixel, const BlendTerms& t) {
    uint32_t b = div255(t.blue + (pixel & 0xFF) * t.inverse);
    uint32_t g = div255(t.green + ((pixel >> 8) & 0xFF) * t.inverse);
    uint32_t r = div255(t.red + ((pixel >> 16) & 0xFF) * t.inverse);
    uint32_t a = div255(t.alpha + (pixel >> 24) * t.inverse);
    return b | (g << 8) | (r << 16) | (a << 24);
}

// Source-over of a straight colour with alpha onto a premultiplied pixel: every channel becomes
// round((colour × alpha + pixel × (255 − alpha)) / 255), the alpha byte alpha + its remainder.
inline uint32_t blendOver(uint32_t pixel, uint32_t color, uint32_t alpha) {
    return blendTerms(pixel, blendTermsOf(color, alpha));
}
