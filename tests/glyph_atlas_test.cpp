#include <cmath>
#include <set>

#include "tests/support/render_fixture.h"

namespace {

using GlyphAtlas = RenderFixture;

ARGB pixelOf(uint16_t glyph, GlyphVariant variant, int x, int y) {
    ARGB p = 0;
    EXPECT_EQ(GdipBitmapGetPixel(glyphBitmap(glyph, variant), x, y, &p), Ok);
    return p;
}

TEST_F(GlyphAtlas, CellIsTwelveNotThirteen) {
    EXPECT_EQ(cellWidth, 12);
    EXPECT_EQ(cellHeight, 12);
    EXPECT_EQ(glyphCount, 55);
    EXPECT_LT(glyphFontSize * cellSizeFactor, 12.5) << "7.5 × 1.6666 rounds down";
}

// Every bitmap is 12 × 12, inked somewhere, and where it has no ink it is zero; the three
// variants carry their brushes' colours, and the 56 glyphs all differ.
TEST_F(GlyphAtlas, EveryBitmapIsInkedInItsColourAndTransparentElsewhere) {
    std::set<std::vector<ARGB>> distinct[3];
    for (uint16_t glyph = 0; glyph <= 55; ++glyph) {
        for (GlyphVariant variant : {Trail, Head, Highlight}) {
            SCOPED_TRACE(testing::Message() << "glyph " << glyph << " variant " << int(variant));
            GpBitmap* bitmap = glyphBitmap(glyph, variant);
            ASSERT_NE(bitmap, nullptr);
            REAL w = 0, h = 0;
            GdipGetImageDimension(bitmap, &w, &h);
            EXPECT_EQ(w, 12.0f);
            EXPECT_EQ(h, 12.0f);
            std::vector<ARGB> pixels;
            int inked = 0;
            for (int y = 0; y < 12; ++y)
                for (int x = 0; x < 12; ++x) {
                    ARGB p = pixelOf(glyph, variant, x, y);
                    pixels.push_back(p);
                    if (p >> 24 == 0) {
                        EXPECT_EQ(p, 0u) << x << "," << y;
                        continue;
                    }
                    ++inked;
                    if (variant == Trail) continue;
                    ARGB brush = variant == Head ? 0xE8E8FFE8 : 0xF0FFD0D0;
                    EXPECT_EQ(p & 0xFFFFFF, brush & 0xFFFFFF);
                    EXPECT_LE(p >> 24, brush >> 24);
                }
            EXPECT_GT(inked, 8);
            distinct[variant].insert(pixels);
        }
    }
    for (const auto& set : distinct) EXPECT_EQ(set.size(), 56u);
}

// The small variants fit their cell (at most a faint fringe on its border); the large Trail
// glyph is drawn at its size and cut at the cell's edges.
TEST_F(GlyphAtlas, SmallGlyphsFitTheCellAndTrailGlyphsAreCut) {
    int headEdgeInk = 0, trailEdgeInk = 0;
    for (uint16_t glyph = 0; glyph <= 55; ++glyph) {
        for (int i = 0; i < 12; ++i) {
            for (auto [x, y] : {std::pair{i, 0}, {i, 11}, {0, i}, {11, i}}) {
                headEdgeInk += (pixelOf(glyph, Head, x, y) >> 24) > 0x40;
                trailEdgeInk += (pixelOf(glyph, Trail, x, y) >> 24) > 0x40;
            }
        }
    }
    EXPECT_EQ(headEdgeInk, 0);
    EXPECT_GT(trailEdgeInk, 100);
}

// The Trail brush: the same colour down each column, light green fully at the centre column,
// falling off symmetrically towards nearly transparent green at the sides.
TEST_F(GlyphAtlas, TrailProfile) {
    const uint32_t measured[] = {0x82FF82, 0x95FF95, 0x9CFF9C, 0x9FFF9F, 0xA0FFA0};  // columns 2 to 6
    for (uint16_t glyph = 0; glyph <= 55; ++glyph) {
        for (int x = 0; x < 12; ++x) {
            uint32_t columnColor = 0, maxAlpha = 0;
            for (int y = 0; y < 12; ++y) {
                ARGB p = pixelOf(glyph, Trail, x, y);
                if (!(p >> 24)) continue;
                if (!columnColor) columnColor = p & 0xFFFFFF;
                EXPECT_EQ(p & 0xFFFFFF, columnColor) << glyph << " column " << x;
                maxAlpha = std::max(maxAlpha, p >> 24);
            }
            if (!columnColor) continue;
            if (x >= 2 && x <= 6) {
                uint32_t expected = measured[x - 2];
                EXPECT_NEAR(double(columnColor >> 16), double(expected >> 16), 1.0) << "column " << x;
                EXPECT_EQ((columnColor >> 8) & 0xFF, 0xFFu);
            }
            if (x > 6) {
                ARGB mirror = 0;
                for (int y = 0; y < 12 && !mirror; ++y) mirror = pixelOf(glyph, Trail, 12 - x, y);
                if (mirror) EXPECT_EQ(columnColor, mirror & 0xFFFFFF) << "column " << x << " mirrors " << 12 - x;
            }
            EXPECT_LE(maxAlpha, x == 6 ? 0xE0u : 0xDFu);
        }
    }
    int fullCentre = 0;
    for (uint16_t glyph = 0; glyph <= 55; ++glyph)
        for (int y = 0; y < 12; ++y) fullCentre += pixelOf(glyph, Trail, 6, y) == 0xE0A0FFA0;
    EXPECT_GT(fullCentre, 20) << "fully inked centre-column pixels are 0xE0A0FFA0";
}

// Index 0 is U+FF66 and index 55 is U+FF9D: the same text drawn on its own matches the atlas.
TEST_F(GlyphAtlas, IndicesRunFromWoToN) {
    GpStringFormat* format = nullptr;
    GdipCreateStringFormat(0, 0, &format);
    GdipSetStringFormatAlign(format, StringAlignmentCenter);
    GdipSetStringFormatLineAlign(format, StringAlignmentCenter);
    GpFontFamily* family = nullptr;
    const WCHAR name[] = {'T', 'i', 'm', 'e', 's', ' ', 'N', 'e', 'w', ' ', 'R', 'o', 'm', 'a', 'n', 0};
    GdipCreateFontFamilyFromName(name, nullptr, &family);
    GpFont* font = nullptr;
    GdipCreateFont(family, 7.5f, FontStyleBold, UnitPoint, &font);
    GpSolidFill* brush = nullptr;
    GdipCreateSolidFill(0xE8E8FFE8, &brush);
    RectF rect{0, 0, 12, 12};
    for (auto [index, character] : {std::pair<uint16_t, WCHAR>{0, 0xFF66}, {55, 0xFF9D}, {10, 0xFF70}}) {
        GpBitmap* bitmap = nullptr;
        GdipCreateBitmapFromScan0(12, 12, 0, PixelFormat32bppARGB, nullptr, &bitmap);
        GpGraphics* g = nullptr;
        GdipGetImageGraphicsContext(bitmap, &g);
        GdipSetPixelOffsetMode(g, PixelOffsetModeHalf);
        GdipSetTextRenderingHint(g, TextRenderingHintAntiAlias);
        GdipSetSmoothingMode(g, SmoothingModeAntiAlias);
        const WCHAR text[] = {character, 0};
        GdipDrawString(g, text, -1, font, &rect, format, brush);
        GdipDeleteGraphics(g);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x) {
                ARGB expected = 0;
                GdipBitmapGetPixel(bitmap, x, y, &expected);
                ASSERT_EQ(pixelOf(index, Head, x, y), expected) << index << " at " << x << "," << y;
            }
        GdipDisposeImage(bitmap);
    }
    GdipDeleteBrush(brush);
    GdipDeleteFont(font);
    GdipDeleteFontFamily(family);
    GdipDeleteStringFormat(format);
}

}  // namespace
