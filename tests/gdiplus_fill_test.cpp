#include "tests/support/small_layer.h"

namespace {

// The layer in the layers' quality settings.
class FillTest : public SmallLayer {
protected:
    void SetUp() override {
        SmallLayer::SetUp();
        GdipSetSmoothingMode(graphics, SmoothingModeAntiAlias);
        GdipSetPixelOffsetMode(graphics, PixelOffsetModeHalf);
        GdipSetTextRenderingHint(graphics, TextRenderingHintAntiAlias);
    }
    void fill(GpBrush* brush, float x = 0, float y = 0, float w = width, float h = height) {
        ASSERT_EQ(GdipFillRectangle(graphics, brush, x, y, w, h), Ok);
    }
};

// The fade: black at alpha 13 leaves round(v × 242 / 255) of every channel and keeps alpha 0xFF.
TEST_F(FillTest, FadeFillDarkensByRoundedSteps) {
    ASSERT_EQ(GdipGraphicsClear(graphics, 0xFFFFFFFF), Ok);
    pixels[1] = 0xFFA03509;
    GpSolidFill* fade = nullptr;
    ASSERT_EQ(GdipCreateSolidFill(0x0D000000, &fade), Ok);
    const uint32_t white[] = {0xFFF2F2F2, 0xFFE6E6E6, 0xFFDADADA, 0xFFCFCFCF};
    for (uint32_t expected : white) {
        fill(fade);
        EXPECT_EQ(at(0, 0), expected);
        EXPECT_EQ(at(width - 1, height - 1), expected);
        if (expected == white[0]) {
            EXPECT_EQ(at(1, 0), 0xFF983209u) << "0xA0 to 0x98, 0x35 to 0x32";
        }
    }
    EXPECT_EQ(at(1, 0) & 0xFF, 9u) << "9 is the fixed point: trails never fade to black";
    GdipDeleteBrush(fade);
}

// The 25 % hatch: rows alternate 0x88 and 0x22 from the device origin; 0xF0003800 over black
// gives 0xFF003500, the background replaces with opaque black.
TEST_F(FillTest, HatchPatternAndColours) {
    GpHatch* hatch = nullptr;
    ASSERT_EQ(GdipCreateHatchBrush(HatchStyle25Percent, 0xF0003800, 0xFF000000, &hatch), Ok);
    for (ARGB under : {0xFF000000u, 0xFF808080u}) {
        ASSERT_EQ(GdipGraphicsClear(graphics, under), Ok);
        fill(hatch);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                bool foreground = (y % 2 == 0 && x % 4 == 0) || (y % 2 == 1 && x % 4 == 2);
                uint32_t expected = !foreground ? 0xFF000000u : under == 0xFF000000u ? 0xFF003500u : 0xFF083C08u;
                EXPECT_EQ(at(x, y), expected) << x << "," << y << " over " << std::hex << under;
            }
    }
    GdipDeleteBrush(hatch);
}

TEST_F(FillTest, FractionalEdgesGetPartialCoverage) {
    GpSolidFill* white = nullptr;
    ASSERT_EQ(GdipCreateSolidFill(0xFFFFFFFF, &white), Ok);
    fill(white, 2.5f, 1.0f, 3.0f, 1.0f);  // half of pixel 2, pixels 3 and 4, half of pixel 5
    EXPECT_EQ(at(1, 1), 0u);
    EXPECT_EQ(at(2, 1), 0x80808080u);
    EXPECT_EQ(at(3, 1), 0xFFFFFFFFu);
    EXPECT_EQ(at(4, 1), 0xFFFFFFFFu);
    EXPECT_EQ(at(5, 1), 0x80808080u);
    EXPECT_EQ(at(6, 1), 0u);
    EXPECT_EQ(at(3, 0), 0u);
    EXPECT_EQ(at(3, 2), 0u);
    fill(white, -100, -100, 1e6f, 0.0f);  // empty: nothing changes
    EXPECT_EQ(at(0, 0), 0u);
    GdipDeleteBrush(white);
}

TEST(Gdiplus, StartupAndShutdown) {
    ULONG_PTR token = 0;
    GdiplusStartupInput input;
    input.GdiplusVersion = 4;
    EXPECT_EQ(GdiplusStartup(&token, &input, nullptr), UnsupportedGdiplusVersion);
    GpSolidFill* brush = reinterpret_cast<GpSolidFill*>(1);
    EXPECT_EQ(GdipCreateSolidFill(0, &brush), GdiplusNotInitialized);
    EXPECT_EQ(brush, nullptr);
    input.GdiplusVersion = 1;
    ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
    EXPECT_NE(token, 0u);
    ASSERT_EQ(GdipCreateSolidFill(0, &brush), Ok);
    GdiplusShutdown(token);
    EXPECT_EQ(GdipDeleteBrush(brush), GdiplusNotInitialized) << "shutdown freed what was left";
}

}  // namespace
