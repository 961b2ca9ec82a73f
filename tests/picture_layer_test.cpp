// The picture layer: where a picture lands in PictureLayer and which pixels it lights.
#include <gtest/gtest.h>

#include "picture/picture_layer.h"
#include "platform/objects/object_table.h"
#include "render/render_surfaces.h"
#include "tools/png_writer.h"

namespace {

// GDI+ started and the render surfaces made for a layer size of the test's choosing; at the end
// every layer is released and nothing may be left alive or misused.
class PictureLayerTest : public testing::Test {
protected:
    void SetUp() override {
        GdiplusStartupInput input;
        ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
        before = liveObjectReport();
    }
    void TearDown() override {
        GdiplusShutdown(token);
        LiveObjectReport after = liveObjectReport();
        EXPECT_EQ(after.live, before.live);
        EXPECT_EQ(after.misuse, before.misuse);
    }
    void build(uint16_t width, uint16_t height, GpImage* picture) {
        RenderSize = {width, height};
        createRenderSurfaces(nullptr);
        buildPictureLayerFrom(picture);
        pixels = static_cast<const uint32_t*>(PictureLayer.pixels);
        ASSERT_NE(pixels, nullptr);
    }
    void release() {
        releaseLayer(TrailLayer);
        releaseLayer(FrameLayer);
        releaseLayer(PictureLayer);
        releaseWindowDc();
    }
    uint32_t at(int x, int y) const { return pixels[x + y * RenderSize.width]; }

    ULONG_PTR token = 0;
    LiveObjectReport before;
    const uint32_t* pixels = nullptr;
};

GpImage* pictureOf(const std::vector<RgbaPixel>& pixels, uint32_t width, uint32_t height) {
    std::vector<uint8_t> file = encodePng(pixels, width, height);
    return imageFromMemory(file.data(), int32_t(file.size()));
}

// Opaque where a pattern with no symmetry under shifts says so, transparent elsewhere.
bool patternLit(int x, int y) { return (x * 7 + y * 13 + x * y) % 5 < 2; }

std::vector<RgbaPixel> patternPicture(uint32_t width, uint32_t height) {
    std::vector<RgbaPixel> pixels(size_t(width) * height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            pixels[y * width + x] = patternLit(int(x), int(y)) ? RgbaPixel{0xFF, 0xC0, 0x20, 0xFF}
                                                               : RgbaPixel{0xFF, 0xFF, 0xFF, 0x00};
    return pixels;
}

// Left-aligned always; a shorter picture sits on the bottom edge, a taller one starts at the top
// and is cut below, a wider one is cut on the right, and what it does not cover stays 0.
TEST_F(PictureLayerTest, Placement) {
    struct Case {
        const char* name;
        uint16_t layerWidth, layerHeight;
        uint32_t pictureWidth, pictureHeight;
        int shiftDown;  // layer row = picture row + shiftDown
    } cases[] = {
        {"exact height", 40, 30, 40, 30, 0},
        {"taller", 40, 30, 40, 37, 0},
        {"shorter by 8 rows", 40, 30, 40, 22, 8},
        {"narrower", 40, 30, 25, 30, 0},
        {"wider", 40, 30, 55, 30, 0},
        {"narrower and shorter", 40, 30, 17, 29, 1},
        {"a taller layer, as in full screen", 48, 36, 40, 30, 6},
    };
    for (const Case& c : cases) {
        build(c.layerWidth, c.layerHeight, pictureOf(patternPicture(c.pictureWidth, c.pictureHeight), c.pictureWidth,
                                                     c.pictureHeight));
        int wrong = 0, lit = 0;
        for (int y = 0; y < c.layerHeight; ++y)
            for (int x = 0; x < c.layerWidth; ++x) {
                int py = y - c.shiftDown;
                bool expected = x < int(c.pictureWidth) && py >= 0 && py < int(c.pictureHeight) && patternLit(x, py);
                lit += at(x, y) != 0;
                if ((at(x, y) != 0) != expected && wrong++ < 3)
                    ADD_FAILURE() << c.name << ": pixel " << x << "," << y << " is " << std::hex << at(x, y);
            }
        EXPECT_EQ(wrong, 0) << c.name;
        EXPECT_GT(lit, 0) << c.name;
        release();
    }
}

// Alpha is scaled by 0.0133333 and cut to a whole number: pixels with alpha 76 and more are lit,
// those below stay 0 whatever their colour. An opaque 0xFF channel leaves 3.
TEST_F(PictureLayerTest, LitExactlyWhereAlphaReaches76) {
    std::vector<RgbaPixel> sweep(256);
    for (int a = 0; a < 256; ++a) sweep[size_t(a)] = {0xFF, 0xFF, 0xFF, uint8_t(a)};
    build(256, 4, pictureOf(sweep, 256, 1));
    for (int a = 0; a < 256; ++a) {
        EXPECT_EQ(at(a, 3) != 0, a >= 76) << "alpha " << a;
        for (int y = 0; y < 3; ++y) EXPECT_EQ(at(a, y), 0u) << "above the picture, alpha " << a;
    }
    EXPECT_EQ(at(255, 3), 0x03030303u);
    EXPECT_EQ(at(76, 3) >> 24, 1u);
    release();
}

// Bytes that are not a picture give no image, and the layer is made all 0 all the same.
TEST_F(PictureLayerTest, NoPictureLeavesTheLayerZero) {
    const uint8_t garbage[] = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'};
    GpImage* none[] = {imageFromMemory(garbage, sizeof garbage), imageFromMemory(garbage, 0),
                       imageFromMemory(nullptr, 100), imageFromMemory(garbage, -1)};
    for (GpImage* image : none) {
        EXPECT_EQ(image, nullptr);
        build(20, 10, image);
        for (int i = 0; i < 20 * 10; ++i) ASSERT_EQ(pixels[i], 0u);
        release();
    }
}

}  // namespace
