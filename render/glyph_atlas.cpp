#include "render/glyph_atlas.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "render/frame_composition.h"

uint16_t cellWidth = 0;
uint16_t cellHeight = 0;
uint16_t glyphCount = 0;

namespace {

constexpr WCHAR firstGlyph = 0xFF66;  // HALFWIDTH KATAKANA LETTER WO; the last is U+FF9D, N
constexpr ARGB headColor = 0xE8E8FFE8;
constexpr ARGB highlightColor = 0xF0FFD0D0;
constexpr ARGB trailEdgeColor = 0x1000FF00;    // nearly transparent green at the cell's sides
constexpr ARGB trailCentreColor = 0xE0A0FFA0;  // light green along its centre line
const WCHAR familyName[] = {'T', 'i', 'm', 'e', 's', ' ', 'N', 'e', 'w', ' ', 'R', 'o', 'm', 'a', 'n', 0};

RectF layoutRect{};
RectF gradientRect{};
GpStringFormat* glyphFormat = nullptr;
GpFontFamily* glyphFamily = nullptr;
GpFont* smallGlyphFont = nullptr;
GpFont* largeGlyphFont = nullptr;
GpSolidFill* headBrush = nullptr;
GpLineGradient* trailBrush = nullptr;
GpSolidFill* highlightBrush = nullptr;

// One zero-terminated UTF-16 glyph per entry; [glyph][variant] bitmaps.
std::vector<WCHAR> glyphText;
std::vector<GpBitmap*> glyphAtlas;

GpFont* fontFor(GlyphVariant variant) { return variant == Trail ? largeGlyphFont : smallGlyphFont; }

GpBrush* brushFor(GlyphVariant variant) {
    if (variant == Trail) return trailBrush;
    return variant == Head ? static_cast<GpBrush*>(headBrush) : highlightBrush;
}

}  // namespace

void initGlyphMetrics() {
    cellWidth = static_cast<uint16_t>(std::lrint(glyphFontSize * cellSizeFactor));
    cellHeight = static_cast<uint16_t>(std::lrint(glyphFontSize * cellSizeFactor));
    glyphCount = 55;
}

void initGlyphRectangles() {
    layoutRect = RectF{0.0f, 0.0f, float(cellWidth), float(cellHeight)};
    gradientRect = RectF{0.0f, 0.0f, float(cellWidth), float(cellHeight)};
}

void createGlyphResources() {
    GdipCreateStringFormat(0, 0, &glyphFormat);
    GdipCreateFontFamilyFromName(familyName, nullptr, &glyphFamily);
    GdipCreateFont(glyphFamily, glyphFontSize, FontStyleBold, UnitPoint, &smallGlyphFont);
    GdipCreateFont(glyphFamily, float(cellWidth), FontStyleBold, UnitPoint, &largeGlyphFont);
    GdipSetStringFormatAlign(glyphFormat, StringAlignmentCenter);
    GdipSetStringFormatLineAlign(glyphFormat, StringAlignmentCenter);
    GdipCreateSolidFill(fadeColor, &fadeBrush);
    GdipCreateSolidFill(headColor, &headBrush);
    GdipCreateLineBrushFromRectWithAngle(&gradientRect, trailEdgeColor, trailCentreColor, 0.0f, FALSE,
                                         WrapModeTileFlipX, &trailBrush);
    GdipSetLineSigmaBlend(trailBrush, 0.5f, 1.0f);
    GdipSetLineGammaCorrection(trailBrush, TRUE);
    GdipCreateHatchBrush(HatchStyle25Percent, hatchForeground, hatchBackground, &hatchBrush);
    GdipCreateSolidFill(highlightColor, &highlightBrush);
}

void buildGlyphAtlas() {
    glyphText.assign(size_t(glyphCount + 1) * 2, 0);
    for (uint16_t i = 0; i <= glyphCount; ++i) glyphText[i * 2] = WCHAR(firstGlyph + i);
    glyphAtlas.assign(size_t(glyphCount + 1) * glyphVariantCount, nullptr);
    for (uint16_t i = 0; i <= glyphCount; ++i) {
        for (GlyphVariant variant : {Trail, Head, Highlight}) {
            GpBitmap*& bitmap = glyphAtlas[i * glyphVariantCount + variant];
            GdipCreateBitmapFromScan0(cellWidth, cellHeight, 0, PixelFormat32bppARGB, nullptr, &bitmap);
            // A slot whose bitmap or context could not be made stays empty.
            GpGraphics* graphics = nullptr;
            if (!bitmap || GdipGetImageGraphicsContext(bitmap, &graphics) != Ok) continue;
            GdipSetPixelOffsetMode(graphics, PixelOffsetModeHalf);
            GdipSetTextRenderingHint(graphics, TextRenderingHintAntiAlias);
            GdipSetSmoothingMode(graphics, SmoothingModeAntiAlias);
            GdipDrawString(graphics, &glyphText[i * 2], -1, fontFor(variant), &layoutRect, glyphFormat,
                           brushFor(variant));
            GdipDeleteGraphics(graphics);
        }
    }
}

GpBitmap* glyphBitmap(uint16_t glyph, GlyphVariant variant) {
    size_t slot = size_t(glyph) * glyphVariantCount + variant;
    return slot < glyphAtlas.size() ? glyphAtlas[slot] : nullptr;
}

void releaseGlyphAtlas() {
    for (GpBitmap* bitmap : glyphAtlas)
        if (bitmap) GdipDisposeImage(bitmap);
    GdipDeleteBrush(fadeBrush);
    GdipDeleteBrush(headBrush);
    GdipDeleteBrush(trailBrush);
    GdipDeleteBrush(highlightBrush);
    GdipDeleteBrush(hatchBrush);
    GdipDeleteFont(smallGlyphFont);
    GdipDeleteFont(largeGlyphFont);
    GdipDeleteFontFamily(glyphFamily);
    GdipDeleteStringFormat(glyphFormat);
    std::fill(glyphAtlas.begin(), glyphAtlas.end(), nullptr);
    fadeBrush = nullptr, headBrush = nullptr, trailBrush = nullptr, highlightBrush = nullptr, hatchBrush = nullptr;
    smallGlyphFont = nullptr, largeGlyphFont = nullptr, glyphFamily = nullptr, glyphFormat = nullptr;
}

void freeGlyphTables() {
    glyphAtlas.clear();
    glyphAtlas.shrink_to_fit();
    glyphText.clear();
    glyphText.shrink_to_fit();
}
