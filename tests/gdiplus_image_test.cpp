#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "picture/picture_layer.h"
#include "platform/gdiplus/image_kernels.h"
#include "tools/png_writer.h"

#include "tests/support/small_layer.h"

namespace {

// The layer and a straight-ARGB bitmap to draw on it.
class ImageDrawTest : public SmallLayer {
protected:
    void TearDown() override {
        if (image) GdipDisposeImage(image);
        SmallLayer::TearDown();
    }
    // A w × h straight-ARGB bitmap holding the given pixels.
    void makeImage(int w, int h, const std::vector<uint32_t>& values) {
        source = values;
        ASSERT_EQ(GdipCreateBitmapFromScan0(w, h, w * 4, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(source.data()),
                                            reinterpret_cast<GpBitmap**>(&image)),
                  Ok);
    }

    GpImage* image = nullptr;
    std::vector<uint32_t> source;
};

TEST_F(ImageDrawTest, WholePositionsCopyTexelsInEitherOffsetMode) {
    makeImage(2, 2, {0xFF102030, 0xFFFFFFFF, 0x80FF0000, 0x00FFFFFF});
    for (PixelOffsetMode mode : {PixelOffsetModeHalf, PixelOffsetModeNone}) {
        std::fill(pixels, pixels + width * height, 0u);
        GdipSetPixelOffsetMode(graphics, mode);
        ASSERT_EQ(GdipDrawImageRect(graphics, image, 3, 2, 2, 2), Ok);
        EXPECT_EQ(at(3, 2), 0xFF102030u);
        EXPECT_EQ(at(4, 2), 0xFFFFFFFFu);
        EXPECT_EQ(at(3, 3), 0x80800000u) << "the layer holds premultiplied colour";
        EXPECT_EQ(at(4, 3), 0u) << "a transparent texel changes nothing";
        int changed = 0;
        for (int i = 0; i < width * height; ++i) changed += pixels[i] != 0;
        EXPECT_EQ(changed, 3);
    }
}

// Half a pixel to the right, with centres at half-integers: each texel is shared equally
// between two pixels, and the edges fade into transparency.
TEST_F(ImageDrawTest, FractionalPositionsResampleBilinearly) {
    makeImage(1, 1, {0xFFFFFFFF});
    GdipSetPixelOffsetMode(graphics, PixelOffsetModeHalf);
    ASSERT_EQ(GdipDrawImageRect(graphics, image, 4.5f, 1.0f, 1, 1), Ok);
    EXPECT_EQ(at(4, 1), 0x80808080u);
    EXPECT_EQ(at(5, 1), 0x80808080u);
    EXPECT_EQ(at(3, 1), 0u);
    EXPECT_EQ(at(6, 1), 0u);
    EXPECT_EQ(at(4, 0), 0u);
    EXPECT_EQ(at(4, 2), 0u);
    ASSERT_EQ(GdipDrawImageRect(graphics, image, -0.5f, -0.5f, 1, 1), Ok) << "clipped at the layer's edges";
    EXPECT_EQ(at(0, 0), 0x40404040u);
}

// The picture's faint draw: alpha × 0.0133333 leaves 3 of an opaque 0xFF channel and nothing of
// a pixel whose alpha is 0x40 or less.
// Unscaled draws of small and large images (the large ones blended in several tiles) at random
// fractional positions, partly off a premultiplied bitmap, against a reference that samples and
// blends each pixel alone with the per-pixel kernels.
TEST_F(ImageDrawTest, UnscaledDrawsMatchAPerPixelReference) {
    constexpr int targetWidth = 100, targetHeight = 60;
    std::vector<uint32_t> targetPixels(targetWidth * targetHeight);
    GpBitmap* target = nullptr;
    ASSERT_EQ(GdipCreateBitmapFromScan0(targetWidth, targetHeight, targetWidth * 4, PixelFormat32bppPARGB,
                                        reinterpret_cast<BYTE*>(targetPixels.data()), &target),
              Ok);
    GpGraphics* onTarget = nullptr;
    ASSERT_EQ(GdipGetImageGraphicsContext(target, &onTarget), Ok);
    std::mt19937 random(3);
    auto byte = [&] { return uint32_t(random() & 0xFF); };
    for (int trial = 0; trial < 300; ++trial) {
        bool large = trial % 4 == 0;
        int w = 1 + int(random() % (large ? 90 : 14)), h = 1 + int(random() % (large ? 55 : 10));
        std::vector<uint32_t> texels(size_t(w * h));
        for (uint32_t& t : texels) t = random() % 3 ? byte() | byte() << 8 | byte() << 16 | byte() << 24 : 0;
        if (image) GdipDisposeImage(image);
        if (trial % 2) {
            makeImage(w, h, texels);
        } else {
            // A bitmap of its own, as decoded pictures and the glyphs are, drawn through its
            // premultiplied copy; a transparent margin leaves its ink smaller than the bitmap.
            int top = int(random() % 4), left = int(random() % 4), bottom = int(random() % 4), right = int(random() % 4);
            std::vector<RgbaPixel> rgba(texels.size());
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    uint32_t& t = texels[size_t(x + y * w)];
                    if (y < top || x < left || y >= h - bottom || x >= w - right) t = 0;
                    rgba[size_t(x + y * w)] = {uint8_t(t >> 16), uint8_t(t >> 8), uint8_t(t), uint8_t(t >> 24)};
                }
            std::vector<uint8_t> png = encodePng(rgba, uint32_t(w), uint32_t(h));
            image = imageFromMemory(png.data(), int32_t(png.size()));
            ASSERT_NE(image, nullptr);
            // A transparent texel reads the same whatever its colour, as the reference takes it.
            for (uint32_t& t : texels)
                if (!(t >> 24)) t = 0;
        }
        for (uint32_t& p : targetPixels) p = premultiply(uint32_t(random()));
        std::vector<uint32_t> expected = targetPixels;
        float dx = float(int(random() % 12000) - 2000) / 100.0f, dy = float(int(random() % 7000) - 1000) / 100.0f;
        GdipSetPixelOffsetMode(onTarget, trial % 2 ? PixelOffsetModeHalf : PixelOffsetModeNone);
        ASSERT_EQ(GdipDrawImageRect(onTarget, image, dx, dy, float(w), float(h)), Ok);
        auto texel = [&](int x, int y) { return x < 0 || y < 0 || x >= w || y >= h ? 0u : premultiply(texels[size_t(x + y * w)]); };
        auto sampleAt = [](double t, int* index) {
            int i = int(std::floor(t));
            auto weight = uint32_t(std::lrint((t - i) * 256.0));
            if (weight == 256) ++i, weight = 0;
            *index = i;
            return weight;
        };
        for (int y = 0; y < targetHeight; ++y)
            for (int x = 0; x < targetWidth; ++x) {
                int tx, ty;
                uint32_t wx = sampleAt(x - double(dx), &tx), wy = sampleAt(y - double(dy), &ty);
                uint32_t sample = bilinearSample(texel(tx, ty), texel(tx + 1, ty), texel(tx, ty + 1),
                                                 texel(tx + 1, ty + 1), wx, wy);
                uint32_t& pixel = expected[size_t(x + y * targetWidth)];
                if (sample >> 24) pixel = overPremultiplied(pixel, sample);
            }
        ASSERT_EQ(targetPixels, expected) << "trial " << trial << ": " << w << "x" << h << " at " << dx << "," << dy;
    }
    GdipDeleteGraphics(onTarget);
    GdipDisposeImage(target);
}

TEST_F(ImageDrawTest, ColorMatrixScalesAlphaBeforeTheDraw) {
    makeImage(3, 1, {0xFFFF8000, 0x40FFFFFF, 0xFF0000FF});
    ColorMatrix matrix{};
    for (int i = 0; i < 5; ++i) matrix.m[i][i] = 1.0f;
    matrix.m[3][3] = 0.0133333f;
    GpImageAttributes* attributes = nullptr;
    ASSERT_EQ(GdipCreateImageAttributes(&attributes), Ok);
    ASSERT_EQ(GdipSetImageAttributesColorMatrix(attributes, ColorAdjustTypeDefault, TRUE, &matrix, nullptr,
                                                ColorMatrixFlagsDefault),
              Ok);
    ASSERT_EQ(GdipDrawImageRectRect(graphics, image, 0, 0, 3, 1, 0, 0, 3, 1, UnitPixel, attributes, nullptr, nullptr),
              Ok);
    EXPECT_EQ(at(0, 0), 0x03030200u);
    EXPECT_EQ(at(1, 0), 0u);
    EXPECT_EQ(at(2, 0), 0x03000003u);
    EXPECT_EQ(GdipDisposeImageAttributes(attributes), Ok);
}

TEST_F(ImageDrawTest, SourceRectangleSelectsRows) {
    makeImage(1, 3, {0xFF000001, 0xFF000002, 0xFF000003});
    ASSERT_EQ(GdipDrawImageRectRect(graphics, image, 0, 0, 1, 2, 0, 1, 1, 2, UnitPixel, nullptr, nullptr, nullptr), Ok);
    EXPECT_EQ(at(0, 0), 0xFF000002u);
    EXPECT_EQ(at(0, 1), 0xFF000003u);
    EXPECT_EQ(at(0, 2), 0u);
}

TEST(GdiplusBitmap, NewBitmapIsTransparentAndHasItsSize) {
    ULONG_PTR token = 0;
    GdiplusStartupInput input;
    ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
    GpBitmap* bitmap = nullptr;
    ASSERT_EQ(GdipCreateBitmapFromScan0(12, 12, 0, PixelFormat32bppARGB, nullptr, &bitmap), Ok);
    REAL w = 0, h = 0;
    ASSERT_EQ(GdipGetImageDimension(bitmap, &w, &h), Ok);
    EXPECT_EQ(w, 12.0f);
    EXPECT_EQ(h, 12.0f);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            ARGB c = 1;
            ASSERT_EQ(GdipBitmapGetPixel(bitmap, x, y, &c), Ok);
            EXPECT_EQ(c, 0u);
        }
    GpGraphics* g = nullptr;
    ASSERT_EQ(GdipGetImageGraphicsContext(bitmap, &g), Ok);
    ASSERT_EQ(GdipGraphicsClear(g, 0x80FF0000), Ok);
    ARGB c = 0;
    GdipBitmapGetPixel(bitmap, 5, 5, &c);
    EXPECT_EQ(c, 0x80FF0000u) << "a straight ARGB bitmap keeps straight colour";
    GdipDeleteGraphics(g);
    EXPECT_EQ(GdipDisposeImage(bitmap), Ok);
    EXPECT_NE(GdipDisposeImage(bitmap), Ok);
    GdiplusShutdown(token);
}

}  // namespace
