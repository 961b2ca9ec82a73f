// GDI+ bitmaps, their graphics contexts, image attributes and image drawing.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "platform/gdiplus/gdiplus_internal.h"
#include "platform/gdiplus/image_kernels.h"

namespace {

constexpr int64_t maxImagePixels = int64_t(1) << 28;

Image* imageOf(GpImage* image, const char* call) {
    if (!gdiplusReady(call)) return nullptr;
    return static_cast<Image*>(lookupObject(handleOf(image), ObjectKind::Image, call));
}

// A straight ARGB texel with the colour matrix applied: the components scaled to 0..1 form a
// row vector [r g b a 1] that multiplies the matrix; results are clamped and cut to whole bytes.
uint32_t transformTexel(uint32_t texel, const ColorMatrix& matrix) {
    double in[5] = {((texel >> 16) & 0xFF) / 255.0, ((texel >> 8) & 0xFF) / 255.0, (texel & 0xFF) / 255.0,
                    (texel >> 24) / 255.0, 1.0};
    uint32_t out[4];
    for (int column = 0; column < 4; ++column) {
        double value = 0;
        for (int row = 0; row < 5; ++row) value += in[row] * matrix.m[row][column];
        value = std::floor(std::clamp(value, 0.0, 1.0) * 255.0 + 1e-9);
        out[column] = static_cast<uint32_t>(value);
    }
    return out[2] | out[1] << 8 | out[0] << 16 | out[3] << 24;
}

// The source rectangle's pixels as straight ARGB, read from an image of either format.
struct Texels {
    const uint32_t* pixels;
    ptrdiff_t stride;
    int32_t left, top, right, bottom;  // the usable texels, right and bottom exclusive
    bool premultiplied;
};

// Where a destination line samples the source: texel index and the weight (0..256) of the
// next texel.
struct Sample {
    int32_t index;
    uint32_t weight;
};

inline Sample sampleAt(double t) {
    double floorT = std::floor(t);
    auto weight = static_cast<uint32_t>(std::lrint((t - floorT) * 256.0));
    auto index = static_cast<int32_t>(floorT);
    if (weight == 256) ++index, weight = 0;
    return {index, weight};
}

// The premultiplied texel at (x, y), transparent outside the source rectangle.
inline uint32_t texelAt(const Texels& t, int32_t x, int32_t y) {
    if (x < t.left || x >= t.right || y < t.top || y >= t.bottom) return 0;
    uint32_t p = t.pixels[x + y * t.stride];
    return t.premultiplied ? p : premultiply(p);
}

// A premultiplied sample over a pixel of a straight-ARGB bitmap.
uint32_t overStraight(uint32_t pixel, uint32_t sample) {
    uint32_t a = sample >> 24;
    return a ? blendOverStraight(pixel, unpremultiply(sample) & 0xFFFFFF, a) : pixel;
}

// Gathers the premultiplied texels that the pixels of `area` sample, transparent outside the
// source rectangle, and blends them as one block.
void blendTile(const DrawTarget& target, const Texels& texels, PixelRect area, Sample column, Sample row) {
    int32_t columns = area.right - area.left + 1, rows = area.bottom - area.top + 1;
    uint32_t block[maxBlockTexels * maxBlockTexels];
    int32_t from = std::clamp(texels.left - column.index, 0, columns);
    int32_t to = std::clamp(texels.right - column.index, from, columns);
    for (int32_t j = 0; j < rows; ++j) {
        uint32_t* out = block + j * maxBlockTexels;
        int32_t y = row.index + j;
        if (y < texels.top || y >= texels.bottom) {
            std::fill_n(out, columns, 0u);
            continue;
        }
        const uint32_t* source = texels.pixels + (y * texels.stride + column.index + from);
        std::fill_n(out, from, 0u);
        if (texels.premultiplied) std::copy(source, source + (to - from), out + from);
        else std::transform(source, source + (to - from), out + from, premultiply);
        std::fill(out + to, out + columns, 0u);
    }
    blendBlock(target.surface, area, block, maxBlockTexels, column.weight, row.weight);
}

// An unscaled draw onto a layer samples every pixel with the same weights, so it is blended in
// blocks, tile by tile.
bool drawBlocks(const DrawTarget& target, const Texels& texels, PixelRect area, Sample column, Sample row) {
    if (!target.premultiplied) return false;
    // Pixels whose texels all lie outside the source rectangle would stay as they are: leave them out.
    auto trim = [](int32_t& first, int32_t& last, Sample& sample, int32_t low, int32_t high) {
        int32_t skip = std::max(0, low - (sample.weight ? 1 : 0) - sample.index);
        first += skip;
        sample.index += skip;
        last = std::min(last, first + std::max(0, high - sample.index));
    };
    trim(area.left, area.right, column, texels.left, texels.right);
    trim(area.top, area.bottom, row, texels.top, texels.bottom);
    constexpr int32_t tile = maxBlockTexels - 1;  // a block holds one texel more each way
    for (int32_t top = area.top; top < area.bottom; top += tile)
        for (int32_t left = area.left; left < area.right; left += tile)
            blendTile(target, texels,
                      {left, top, std::min(left + tile, area.right), std::min(top + tile, area.bottom)},
                      {column.index + (left - area.left), column.weight}, {row.index + (top - area.top), row.weight});
    return true;
}

// The texels an image draw reads: owned straight pixels through the image's premultiplied copy.
// `ink` is where they are not transparent: the copy's ink bounds, or the whole image.
const uint32_t* drawablePixels(Image& image, bool* premultiplied, PixelRect* ink) {
    *premultiplied = image.premultiplied;
    *ink = boundsOf(image.surface);
    if (image.premultiplied || !image.memory) return image.surface.pixels;
    if (!image.copyCurrent) {
        const int32_t width = image.surface.width, height = image.surface.height;
        image.premultipliedCopy.resize(size_t(width) * size_t(height));
        PixelRect bounds{width, height, 0, 0};
        for (int32_t y = 0; y < height; ++y) {
            const uint32_t* from = image.surface.row(y);
            uint32_t* to = image.premultipliedCopy.data() + size_t(y) * size_t(width);
            for (int32_t x = 0; x < width; ++x) {
                to[x] = premultiply(from[x]);
                if (!(to[x] >> 24)) continue;
                bounds = {std::min(bounds.left, x), std::min(bounds.top, y), std::max(bounds.right, x + 1),
                          std::max(bounds.bottom, y + 1)};
            }
        }
        image.inkBounds = bounds;
        image.copyCurrent = true;
    }
    *premultiplied = true;
    *ink = image.inkBounds;
    return image.premultipliedCopy.data();
}

// Resamples the texels [sx, sx + sw) × [sy, sy + sh) onto [dx, dx + dw) × [dy, dy + dh) of the
// target. Pixel centres lie at +0.5 with the half-pixel offset mode and at whole numbers
// otherwise, in the source as in the destination, so an unscaled draw at a whole position copies
// texels exactly in either mode. Texels outside the source rectangle count as transparent.
void drawTexels(const DrawTarget& target, const Texels& texels, double dx, double dy, double dw, double dh,
                double sx, double sy, double sw, double sh, double offset) {
    double scaleX = sw / dw, scaleY = sh / dh;
    // The destination pixels whose samples can reach a texel.
    PixelRect area = intersect(boundsOf(target.surface),
                               {int32_t(std::max(-1.0, std::floor(dx - offset - 1.0))),
                                int32_t(std::max(-1.0, std::floor(dy - offset - 1.0))),
                                int32_t(std::min(1e9, std::ceil(dx + dw - offset + 1.0))),
                                int32_t(std::min(1e9, std::ceil(dy + dh - offset + 1.0)))});
    if (area.empty()) return;
    // An unscaled draw samples every pixel with the same weights: only the texel index moves.
    bool unscaled = scaleX == 1.0 && scaleY == 1.0;
    Sample firstColumn = sampleAt((area.left + offset - dx) * scaleX + sx - offset);
    Sample firstRow = sampleAt((area.top + offset - dy) * scaleY + sy - offset);
    if (unscaled && drawBlocks(target, texels, area, firstColumn, firstRow)) return;
    for (int32_t y = area.top; y < area.bottom; ++y) {
        Sample row = unscaled ? Sample{firstRow.index + (y - area.top), firstRow.weight}
                              : sampleAt((y + offset - dy) * scaleY + sy - offset);
        uint32_t* out = target.surface.row(y);
        for (int32_t x = area.left; x < area.right; ++x) {
            Sample column = unscaled ? Sample{firstColumn.index + (x - area.left), firstColumn.weight}
                                     : sampleAt((x + offset - dx) * scaleX + sx - offset);
            uint32_t sample = bilinearSample(texelAt(texels, column.index, row.index),
                                             texelAt(texels, column.index + 1, row.index),
                                             texelAt(texels, column.index, row.index + 1),
                                             texelAt(texels, column.index + 1, row.index + 1), column.weight,
                                             row.weight);
            if (sample >> 24) out[x] = target.premultiplied ? overPremultiplied(out[x], sample) : overStraight(out[x], sample);
        }
    }
}

// A pixel of an image as straight ARGB, whatever the image's format.
uint32_t straightPixel(const Image& image, int32_t x, int32_t y) {
    uint32_t p = image.surface.row(y)[x];
    return image.premultiplied ? unpremultiply(p) : p;
}

}  // namespace

void freeImage(Image* image) {
    std::free(image->memory);
    delete image;
}

GpStatus WINGDIPAPI GdipCreateBitmapFromScan0(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0,
                                              GpBitmap** bitmap) {
    if (!bitmap) return InvalidParameter;
    *bitmap = nullptr;
    if (!gdiplusReady("GdipCreateBitmapFromScan0")) return GdiplusNotInitialized;
    if (width <= 0 || height <= 0 || int64_t(width) * height > maxImagePixels) return InvalidParameter;
    if (format != PixelFormat32bppARGB && format != PixelFormat32bppPARGB) return NotImplemented;
    if (scan0 && (stride == 0 || stride % 4 != 0 || std::abs(int64_t(stride)) < int64_t(width) * 4))
        return InvalidParameter;
    Image* image = new (std::nothrow) Image;
    if (!image) return OutOfMemory;
    image->format = format;
    image->premultiplied = format == PixelFormat32bppPARGB;
    image->surface.width = width;
    image->surface.height = height;
    if (scan0) {
        image->surface.pixels = reinterpret_cast<uint32_t*>(scan0);
        image->surface.stride = stride / 4;
    } else {
        // Owned pixels start transparent black.
        size_t bytes = size_t(width) * size_t(height) * 4;
        image->memory = std::calloc(1, bytes);
        if (!image->memory) {
            delete image;
            return OutOfMemory;
        }
        image->surface.pixels = static_cast<uint32_t*>(image->memory);
        image->surface.stride = width;
    }
    *bitmap = handleCast<GpBitmap*>(registerObject(ObjectKind::Image, image, "GdipCreateBitmapFromScan0"));
    return Ok;
}

GpStatus WINGDIPAPI GdipGetImageGraphicsContext(GpImage* image, GpGraphics** graphics) {
    if (!graphics) return InvalidParameter;
    *graphics = nullptr;
    if (!imageOf(image, "GdipGetImageGraphicsContext")) return InvalidParameter;
    Graphics* made = new (std::nothrow) Graphics;
    if (!made) return OutOfMemory;
    made->image = handleOf(image);
    *graphics = handleCast<GpGraphics*>(registerObject(ObjectKind::Graphics, made, "GdipGetImageGraphicsContext"));
    return Ok;
}

GpStatus WINGDIPAPI GdipGetImageDimension(GpImage* image, REAL* width, REAL* height) {
    Image* i = imageOf(image, "GdipGetImageDimension");
    if (!i || !width || !height) return InvalidParameter;
    *width = static_cast<REAL>(i->surface.width);
    *height = static_cast<REAL>(i->surface.height);
    return Ok;
}

// The pixel as straight ARGB, whatever the bitmap's format.
GpStatus WINGDIPAPI GdipBitmapGetPixel(GpBitmap* bitmap, INT x, INT y, ARGB* color) {
    Image* i = imageOf(bitmap, "GdipBitmapGetPixel");
    if (!i || !color || x < 0 || y < 0 || x >= i->surface.width || y >= i->surface.height) return InvalidParameter;
    *color = straightPixel(*i, x, y);
    return Ok;
}

GpStatus WINGDIPAPI GdipDisposeImage(GpImage* image) {
    if (!imageOf(image, "GdipDisposeImage")) return InvalidParameter;
    freeImage(static_cast<Image*>(unregisterObject(handleOf(image), ObjectKind::Image, "GdipDisposeImage")));
    return Ok;
}

GpStatus WINGDIPAPI GdipDrawImageRect(GpGraphics* graphics, GpImage* image, REAL x, REAL y, REAL width,
                                      REAL height) {
    Image* i = imageOf(image, "GdipDrawImageRect");
    if (!i) return InvalidParameter;
    return GdipDrawImageRectRect(graphics, image, x, y, width, height, 0, 0, REAL(i->surface.width),
                                 REAL(i->surface.height), UnitPixel, nullptr, nullptr, nullptr);
}

GpStatus WINGDIPAPI GdipDrawImageRectRect(GpGraphics* graphics, GpImage* image, REAL dstx, REAL dsty, REAL dstwidth,
                                          REAL dstheight, REAL srcx, REAL srcy, REAL srcwidth, REAL srcheight,
                                          GpUnit srcUnit, const GpImageAttributes* imageAttributes,
                                          DrawImageAbort callback, void* callbackData) {
    (void)callbackData;
    const char* call = "GdipDrawImageRectRect";
    Graphics* g = graphicsOf(graphics, call);
    Image* i = imageOf(image, call);
    if (!g || !i || srcUnit != UnitPixel) return InvalidParameter;
    const ImageAttributes* attributes = nullptr;
    if (imageAttributes) {
        attributes = static_cast<const ImageAttributes*>(
            lookupObject(handleOf(imageAttributes), ObjectKind::ImageAttributes, call));
        if (!attributes) return InvalidParameter;
    }
    for (REAL v : {dstx, dsty, dstwidth, dstheight, srcx, srcy, srcwidth, srcheight})
        if (!std::isfinite(v)) return InvalidParameter;
    if (dstwidth <= 0 || dstheight <= 0 || srcwidth <= 0 || srcheight <= 0) return Ok;
    if (callback && callback(callbackData)) return Aborted;
    DrawTarget target(g, call);
    if (!target.ready) return GenericError;

    const Surface& source = i->surface;
    bool premultipliedTexels = false;
    PixelRect ink{};
    const uint32_t* drawable = drawablePixels(*i, &premultipliedTexels, &ink);
    bool recolour = attributes && attributes->hasColorMatrix;
    // Texels outside the source rectangle count as transparent, and so may those outside the
    // ink, unless a colour matrix could make them visible.
    PixelRect readable = recolour ? boundsOf(source) : ink;
    Texels texels{drawable,
                  source.stride,
                  std::max<int32_t>(readable.left, int32_t(std::floor(srcx))),
                  std::max<int32_t>(readable.top, int32_t(std::floor(srcy))),
                  int32_t(std::min<double>(readable.right, std::ceil(double(srcx) + srcwidth))),
                  int32_t(std::min<double>(readable.bottom, std::ceil(double(srcy) + srcheight))),
                  premultipliedTexels};
    if (texels.right <= texels.left || texels.bottom <= texels.top) return Ok;

    // A colour matrix recolours the straight texels once, into a copy of the source rectangle.
    std::vector<uint32_t> recoloured;
    if (recolour) {
        int32_t w = texels.right - texels.left, h = texels.bottom - texels.top;
        recoloured.resize(size_t(w) * size_t(h));
        // Pictures have long runs of one colour, so the last result is kept.
        uint32_t lastIn = 0, lastOut = transformTexel(0, attributes->colorMatrix);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint32_t in = straightPixel(*i, texels.left + x, texels.top + y);
                if (in != lastIn) lastIn = in, lastOut = transformTexel(in, attributes->colorMatrix);
                recoloured[size_t(y) * size_t(w) + size_t(x)] = lastOut;
            }
        texels = Texels{recoloured.data() - texels.left - ptrdiff_t(texels.top) * w, w, texels.left, texels.top,
                        texels.right, texels.bottom, false};
    }
    bool half = g->pixelOffset == PixelOffsetModeHalf || g->pixelOffset == PixelOffsetModeHighQuality;
    drawTexels(target, texels, dstx, dsty, dstwidth, dstheight, srcx, srcy, srcwidth, srcheight, half ? 0.5 : 0.0);
    return Ok;
}

GpStatus WINGDIPAPI GdipCreateImageAttributes(GpImageAttributes** imageattr) {
    if (!imageattr) return InvalidParameter;
    *imageattr = nullptr;
    if (!gdiplusReady("GdipCreateImageAttributes")) return GdiplusNotInitialized;
    ImageAttributes* made = new (std::nothrow) ImageAttributes;
    if (!made) return OutOfMemory;
    *imageattr = handleCast<GpImageAttributes*>(
        registerObject(ObjectKind::ImageAttributes, made, "GdipCreateImageAttributes"));
    return Ok;
}

GpStatus WINGDIPAPI GdipSetImageAttributesColorMatrix(GpImageAttributes* imageattr, ColorAdjustType type,
                                                      BOOL enableFlag, const ColorMatrix* colorMatrix,
                                                      const ColorMatrix* grayMatrix, ColorMatrixFlags flags) {
    const char* call = "GdipSetImageAttributesColorMatrix";
    if (!gdiplusReady(call)) return GdiplusNotInitialized;
    auto* attributes =
        static_cast<ImageAttributes*>(lookupObject(handleOf(imageattr), ObjectKind::ImageAttributes, call));
    // Only the default adjustment of every colour is made here; grey-only matrices are not.
    if (!attributes || type != ColorAdjustTypeDefault || flags != ColorMatrixFlagsDefault || grayMatrix)
        return attributes ? NotImplemented : InvalidParameter;
    if (!enableFlag) {
        attributes->hasColorMatrix = false;
        return Ok;
    }
    if (!colorMatrix) return InvalidParameter;
    attributes->hasColorMatrix = true;
    attributes->colorMatrix = *colorMatrix;
    return Ok;
}

GpStatus WINGDIPAPI GdipDisposeImageAttributes(GpImageAttributes* imageattr) {
    if (!gdiplusReady("GdipDisposeImageAttributes")) return GdiplusNotInitialized;
    auto* attributes = static_cast<ImageAttributes*>(
        unregisterObject(handleOf(imageattr), ObjectKind::ImageAttributes, "GdipDisposeImageAttributes"));
    if (!attributes) return InvalidParameter;
    delete attributes;
    return Ok;
}
