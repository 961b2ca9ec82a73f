#pragma once
// The glyph atlas: the 56 half-width katakana U+FF66 to U+FF9D, each pre-rendered at start-up
// in three 12 × 12 ARGB variants, and the drawing resources that render them.
#include <cstdint>

#include "platform/gdiplus/gdiplus.h"

enum GlyphVariant : uint8_t { Trail = 0, Head = 1, Highlight = 2 };

constexpr float glyphFontSize = 7.5f;    // em of the small glyph font, in points
constexpr double cellSizeFactor = 1.6666;  // 7.5 × 1.6666 = 12.4995: the cell is 12, not 13
constexpr unsigned glyphVariantCount = 3;

extern uint16_t cellWidth;
extern uint16_t cellHeight;
extern uint16_t glyphCount;  // stored as the highest glyph index, 55

// The cell size and glyph count; they depend on nothing else.
void initGlyphMetrics();

// The layout and gradient rectangles, (0, 0, cellWidth, cellHeight).
void initGlyphRectangles();

// Creates the string format, font family, two fonts and the glyph brushes, with the
// composition's fade and hatch brushes among them.
void createGlyphResources();

// Renders the 168 glyph bitmaps.
void buildGlyphAtlas();

// The bitmap of a glyph in a variant; null when it could not be made.
GpBitmap* glyphBitmap(uint16_t glyph, GlyphVariant variant);

// Disposes of the bitmaps and deletes every resource createGlyphResources made.
void releaseGlyphAtlas();

// Frees the atlas table and the glyph text table.
void freeGlyphTables();
