// GDI fonts and DrawTextA, rendered anti-aliased with FreeType from the face fontconfig gives.
#include <cmath>
#include <cstring>
#include <new>

#include "platform/gdi/gdi_internal.h"
#include FT_TRUETYPE_TABLES_H
#include "platform/text/font_faces.h"

namespace {

// Sizes the face so that its cell (ascent plus descent, as GDI measures them) is `height`
// pixels, or, for a negative height, so that its em is -height pixels.
void sizeFont(GdiFont* font, int height) {
    FT_Face face = font->face;
    double unitsPerEm = face->units_per_EM ? face->units_per_EM : 2048;
    double ascent = face->ascender;
    double descent = -face->descender;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)); os2 && os2->usWinAscent) {
        ascent = os2->usWinAscent;
        descent = os2->usWinDescent;
    }
    if (ascent + descent <= 0) ascent = unitsPerEm, descent = 0;
    double emPixels = height < 0 ? -height : height * unitsPerEm / (ascent + descent);
    FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lrint(emPixels * 64)), 72, 72);
    font->ascent = static_cast<int32_t>(std::lrint(ascent * emPixels / unitsPerEm));
    font->cellHeight = static_cast<int32_t>(std::lrint((ascent + descent) * emPixels / unitsPerEm));
}

GdiFont* makeFont(int height, int weight, bool italic, const char* faceName) {
    GdiFont* font = new (std::nothrow) GdiFont;
    if (!font) return nullptr;
    font->face = openMatchingFace(faceName, weight, italic);
    if (font->face) sizeFont(font, height != 0 ? height : 16);
    return font;
}

// Coverage c (0 to 255) of colour over the pixel: each of blue, green and red becomes
// round((colour * c + pixel * (255 - c)) / 255); the fourth byte is kept.
inline uint32_t blendText(uint32_t pixel, uint32_t color, uint32_t coverage) {
    uint32_t result = pixel & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t value = ((color >> shift) & 0xFF) * coverage + ((pixel >> shift) & 0xFF) * (255 - coverage);
        result |= ((value + 127) / 255) << shift;
    }
    return result;
}

// The character as the font renders it, from the font's cache. Light hinting keeps the
// outlines' own widths, rounded to whole pixels as GDI lays text out; the faces' bytecode widens
// small sizes noticeably.
const RenderedGlyph& renderedGlyph(GdiFont& font, unsigned char character) {
    RenderedGlyph& glyph = font.glyphs[character];
    if (glyph.tried) return glyph;
    glyph.tried = true;
    if (FT_Load_Char(font.face, character, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) return glyph;
    FT_GlyphSlot slot = font.face->glyph;
    glyph.loaded = true;
    glyph.advance = slot->advance.x;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.width == 0 || bitmap.rows == 0) return glyph;
    glyph.width = int32_t(bitmap.width);
    glyph.rows = int32_t(bitmap.rows);
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.coverage.resize(size_t(glyph.width) * size_t(glyph.rows));
    for (int32_t y = 0; y < glyph.rows; ++y)
        std::memcpy(glyph.coverage.data() + size_t(y) * size_t(glyph.width), bitmap.buffer + y * bitmap.pitch,
                    size_t(glyph.width));
    return glyph;
}

void drawGlyph(const Surface& surface, PixelRect clip, const RenderedGlyph& glyph, int32_t left, int32_t top,
               uint32_t color) {
    PixelRect area = intersect(clip, {left, top, left + glyph.width, top + glyph.rows});
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const uint8_t* coverage = glyph.coverage.data() + size_t(y - top) * size_t(glyph.width);
        uint32_t* row = surface.row(y);
        for (int32_t x = area.left; x < area.right; ++x)
            if (uint32_t c = coverage[x - left]) row[x] = blendText(row[x], color, c);
    }
}

}  // namespace

ObjectHandle stockFont() {
    // The font a new device context holds: a 16-pixel bold system face, opened on first use.
    static GdiFont* font = makeFont(16, FW_BOLD, false, "sans-serif");
    static ObjectHandle handle = font ? registerStockObject(ObjectKind::Font, font, "the stock font") : 0;
    return handle;
}

HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                         DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                         DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
    // Only upright, undecorated text at the face's own width is drawn; the precisions, quality
    // and character set choose nothing here (every face is scalable and anti-aliased).
    (void)width, (void)escapement, (void)orientation, (void)underline, (void)strikeOut, (void)charSet;
    (void)outPrecision, (void)clipPrecision, (void)quality, (void)pitchAndFamily;
    if (weight < 0 || weight > 1000) return nullptr;
    GdiFont* font = makeFont(height, weight, italic != 0, faceName);
    if (!font) return nullptr;
    return handleCast<HFONT>(registerObject(ObjectKind::Font, font, "CreateFontA"));
}

int WINAPI DrawTextA(HDC dc, LPCSTR text, int length, LPRECT rect, UINT format) {
    DeviceContext* context = deviceContextOf(dc, "DrawTextA");
    if (!context || !text || !rect) return 0;
    auto* font = static_cast<GdiFont*>(lookupObject(context->font, ObjectKind::Font, "DrawTextA"));
    if (!font || !font->face) return 0;
    size_t count = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
    if (count == 0) return font->cellHeight;
    Surface surface;
    if (!beginDrawing(context, &surface)) return 0;

    PixelRect clip = boundsOf(surface);
    if (!(format & DT_NOCLIP)) clip = intersect(clip, {rect->left, rect->top, rect->right, rect->bottom});
    // GDI's COLORREF is red in the low byte; pixels have blue there.
    uint32_t c = context->textColor;
    uint32_t color = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    FT_Pos penX = FT_Pos(rect->left) * 64;
    int32_t baseline = rect->top + font->ascent;
    for (size_t i = 0; i < count; ++i) {
        // 8-bit text is taken as Latin-1.
        const RenderedGlyph& glyph = renderedGlyph(*font, static_cast<unsigned char>(text[i]));
        if (!glyph.loaded) continue;
        int32_t left = static_cast<int32_t>((penX + 32) >> 6);
        if (context->backgroundMode == OPAQUE) {
            int32_t right = static_cast<int32_t>((penX + glyph.advance + 32) >> 6);
            PixelRect cell = intersect(clip, {left, rect->top, right, rect->top + font->cellHeight});
            for (int32_t y = cell.top; y < cell.bottom; ++y)
                for (int32_t x = cell.left; x < cell.right; ++x) surface.row(y)[x] = 0xFFFFFF;  // white background
        }
        if (!glyph.coverage.empty()) drawGlyph(surface, clip, glyph, left + glyph.left, baseline - glyph.top, color);
        penX += glyph.advance;
    }
    endDrawing(context);
    return font->cellHeight;
}
