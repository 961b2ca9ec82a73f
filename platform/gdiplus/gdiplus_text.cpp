// String formats, font families, fonts and GdipDrawString: anti-aliased text without grid
// fitting from the faces fontconfig gives, with a per-character fallback to a face that has
// the character, and a synthetic bold where the face has no bold of its own.
#include <cmath>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include "platform/gdiplus/gdiplus_internal.h"
#include "platform/text/font_faces.h"

namespace {

struct StringFormat {
    INT flags = 0;
    StringAlignment align = StringAlignmentNear;
    StringAlignment lineAlign = StringAlignmentNear;
};

struct FontFamily {
    std::string name;  // UTF-8
};

struct FontFace {
    FT_Face face = nullptr;
    bool embolden = false;
};

struct Font {
    std::string family;
    INT style = 0;
    double emPixels = 0;
    FontFace primary;
    std::vector<FontFace> fallbacks;  // faces found for characters the primary face lacks
    double ascent = 0, descent = 0;   // of the primary face's cell, in pixels
};

constexpr double dotsPerInch = 96.0;

std::string utf8(const WCHAR* text) {
    std::string out;
    for (; text && *text; ++text) {
        unsigned c = *text;
        if (c < 0x80) out += char(c);
        else if (c < 0x800) out += char(0xC0 | (c >> 6)), out += char(0x80 | (c & 0x3F));
        else out += char(0xE0 | (c >> 12)), out += char(0x80 | ((c >> 6) & 0x3F)), out += char(0x80 | (c & 0x3F));
    }
    return out;
}

void closeFont(Font* font) {
    if (font->primary.face) FT_Done_Face(font->primary.face);
    for (FontFace& f : font->fallbacks) FT_Done_Face(f.face);
    delete font;
}

bool sizeFace(FT_Face face, double emPixels) {
    return FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lrint(emPixels * 64)), 72, 72) == 0;
}

// The face to draw a character with: the font's own when it has the character, else a fallback
// already opened for another character, else the face fontconfig ranks first for the family
// and that character.
const FontFace* faceFor(Font& font, unsigned character) {
    if (font.primary.face && FT_Get_Char_Index(font.primary.face, character)) return &font.primary;
    for (const FontFace& f : font.fallbacks)
        if (FT_Get_Char_Index(f.face, character)) return &f;
    FontFace found;
    found.face = openMatchingFace(font.family.c_str(), font.style & FontStyleBold ? 700 : 400,
                                  font.style & FontStyleItalic, character, &found.embolden);
    if (!found.face) return nullptr;
    if (!sizeFace(found.face, font.emPixels)) {
        FT_Done_Face(found.face);
        return nullptr;
    }
    font.fallbacks.push_back(found);
    return &font.fallbacks.back();
}

// Loads a character's outline, unhinted and emboldened if need be.
FT_GlyphSlot loadOutline(const FontFace& face, unsigned character) {
    FT_UInt index = FT_Get_Char_Index(face.face, character);
    if (FT_Load_Glyph(face.face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return nullptr;
    FT_GlyphSlot slot = face.face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return nullptr;
    if (face.embolden) FT_GlyphSlot_Embolden(slot);
    return slot;
}

double advanceOf(const FontFace& face, unsigned character) {
    FT_GlyphSlot slot = loadOutline(face, character);
    return slot ? slot->advance.x / 64.0 : 0.0;
}

// The coverage of one glyph, with its origin at (originX, originY) on the baseline, blended
// with the brush into the target, clipped to `clip`.
void drawGlyph(const DrawTarget& target, PixelRect clip, const FontFace& face, unsigned character, double originX,
               double originY, const Brush& brush) {
    FT_GlyphSlot slot = loadOutline(face, character);
    if (!slot) return;
    double wholeX = std::floor(originX), wholeY = std::floor(originY);
    // FreeType's y axis points up: moving the outline down by the fraction is a negative shift.
    FT_Outline_Translate(&slot->outline, static_cast<FT_Pos>(std::lrint((originX - wholeX) * 64)),
                         -static_cast<FT_Pos>(std::lrint((originY - wholeY) * 64)));
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return;
    const FT_Bitmap& bitmap = slot->bitmap;
    int32_t left = int32_t(wholeX) + slot->bitmap_left;
    int32_t top = int32_t(wholeY) - slot->bitmap_top;
    PixelRect area = intersect(clip, {left, top, left + int32_t(bitmap.width), top + int32_t(bitmap.rows)});
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const unsigned char* coverage = bitmap.buffer + (y - top) * bitmap.pitch;
        uint32_t* row = target.surface.row(y);
        for (int32_t x = area.left; x < area.right; ++x) {
            uint32_t c = coverage[x - left];
            if (!c) continue;
            ARGB color = brushColorAt(brush, x, y);
            uint32_t alpha = div255((color >> 24) * c);
            row[x] = target.premultiplied ? blendOver(row[x], color, alpha) : blendOverStraight(row[x], color, alpha);
        }
    }
}

double alignedStart(StringAlignment align, double start, double room, double extent) {
    if (align == StringAlignmentCenter) return start + (room - extent) / 2.0;
    if (align == StringAlignmentFar) return start + room - extent;
    return start;
}

template <typename T> T* objectOf(const void* handle, ObjectKind kind, const char* call) {
    if (!gdiplusReady(call)) return nullptr;
    return static_cast<T*>(lookupObject(handleOf(handle), kind, call));
}

}  // namespace

void deleteTextObject(ObjectKind kind, void* object) {
    if (kind == ObjectKind::StringFormat) delete static_cast<StringFormat*>(object);
    else if (kind == ObjectKind::FontFamily) delete static_cast<FontFamily*>(object);
    else if (kind == ObjectKind::GdiplusFont) closeFont(static_cast<Font*>(object));
}

GpStatus WINGDIPAPI GdipCreateStringFormat(INT formatAttributes, LANGID language, GpStringFormat** format) {
    (void)language;  // one line of one character or a few: no language-specific layout
    if (!format) return InvalidParameter;
    *format = nullptr;
    if (!gdiplusReady("GdipCreateStringFormat")) return GdiplusNotInitialized;
    StringFormat* made = new (std::nothrow) StringFormat;
    if (!made) return OutOfMemory;
    made->flags = formatAttributes;
    *format = handleCast<GpStringFormat*>(registerObject(ObjectKind::StringFormat, made, "GdipCreateStringFormat"));
    return Ok;
}

GpStatus WINGDIPAPI GdipSetStringFormatAlign(GpStringFormat* format, StringAlignment align) {
    auto* f = objectOf<StringFormat>(format, ObjectKind::StringFormat, "GdipSetStringFormatAlign");
    if (!f || align < StringAlignmentNear || align > StringAlignmentFar) return InvalidParameter;
    f->align = align;
    return Ok;
}

GpStatus WINGDIPAPI GdipSetStringFormatLineAlign(GpStringFormat* format, StringAlignment align) {
    auto* f = objectOf<StringFormat>(format, ObjectKind::StringFormat, "GdipSetStringFormatLineAlign");
    if (!f || align < StringAlignmentNear || align > StringAlignmentFar) return InvalidParameter;
    f->lineAlign = align;
    return Ok;
}

GpStatus WINGDIPAPI GdipDeleteStringFormat(GpStringFormat* format) {
    if (!objectOf<StringFormat>(format, ObjectKind::StringFormat, "GdipDeleteStringFormat")) return InvalidParameter;
    delete static_cast<StringFormat*>(
        unregisterObject(handleOf(format), ObjectKind::StringFormat, "GdipDeleteStringFormat"));
    return Ok;
}

// Any name makes a family: fontconfig always finds a face for it, the closest it has.
GpStatus WINGDIPAPI GdipCreateFontFamilyFromName(const WCHAR* name, GpFontCollection* fontCollection,
                                                 GpFontFamily** fontFamily) {
    if (!fontFamily) return InvalidParameter;
    *fontFamily = nullptr;
    if (!gdiplusReady("GdipCreateFontFamilyFromName")) return GdiplusNotInitialized;
    if (!name || fontCollection) return InvalidParameter;  // only the installed fonts
    FontFamily* made = new (std::nothrow) FontFamily{utf8(name)};
    if (!made) return OutOfMemory;
    *fontFamily =
        handleCast<GpFontFamily*>(registerObject(ObjectKind::FontFamily, made, "GdipCreateFontFamilyFromName"));
    return Ok;
}

GpStatus WINGDIPAPI GdipDeleteFontFamily(GpFontFamily* fontFamily) {
    if (!objectOf<FontFamily>(fontFamily, ObjectKind::FontFamily, "GdipDeleteFontFamily")) return InvalidParameter;
    delete static_cast<FontFamily*>(
        unregisterObject(handleOf(fontFamily), ObjectKind::FontFamily, "GdipDeleteFontFamily"));
    return Ok;
}

// Points are 1/72 inch at 96 dots per inch: 7.5 pt is a 10-pixel em, 12 pt a 16-pixel one.
GpStatus WINGDIPAPI GdipCreateFont(const GpFontFamily* fontFamily, REAL emSize, INT style, Unit unit, GpFont** font) {
    if (!font) return InvalidParameter;
    *font = nullptr;
    auto* family = objectOf<FontFamily>(fontFamily, ObjectKind::FontFamily, "GdipCreateFont");
    if (!family || !(emSize > 0) || !std::isfinite(emSize)) return InvalidParameter;
    double pixels = unit == UnitPixel || unit == UnitWorld || unit == UnitDisplay ? emSize
                    : unit == UnitPoint                                           ? emSize * dotsPerInch / 72.0
                    : unit == UnitInch                                            ? emSize * dotsPerInch
                    : unit == UnitDocument                                        ? emSize * dotsPerInch / 300.0
                    : unit == UnitMillimeter                                      ? emSize * dotsPerInch / 25.4
                                                                                  : -1.0;
    if (pixels <= 0 || pixels > 4096) return InvalidParameter;
    auto made = std::unique_ptr<Font, void (*)(Font*)>(new (std::nothrow) Font, closeFont);
    if (!made) return OutOfMemory;
    made->family = family->name;
    made->style = style;
    made->emPixels = pixels;
    made->primary.face = openMatchingFace(family->name.c_str(), style & FontStyleBold ? 700 : 400,
                                          style & FontStyleItalic, 0, &made->primary.embolden);
    if (!made->primary.face || !sizeFace(made->primary.face, pixels)) return FontFamilyNotFound;
    // The cell as GDI+ measures it: the face's Windows ascent and descent.
    FT_Face face = made->primary.face;
    double ascent = face->ascender, descent = -face->descender;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)); os2 && os2->usWinAscent)
        ascent = os2->usWinAscent, descent = os2->usWinDescent;
    made->ascent = ascent * pixels / face->units_per_EM;
    made->descent = descent * pixels / face->units_per_EM;
    *font = handleCast<GpFont*>(registerObject(ObjectKind::GdiplusFont, made.release(), "GdipCreateFont"));
    return Ok;
}

GpStatus WINGDIPAPI GdipDeleteFont(GpFont* font) {
    if (!objectOf<Font>(font, ObjectKind::GdiplusFont, "GdipDeleteFont")) return InvalidParameter;
    closeFont(static_cast<Font*>(unregisterObject(handleOf(font), ObjectKind::GdiplusFont, "GdipDeleteFont")));
    return Ok;
}

// One line of text laid out in the rectangle by the format's alignments, drawn at full size and
// clipped to the rectangle (and the target), never left out for not fitting.
GpStatus WINGDIPAPI GdipDrawString(GpGraphics* graphics, const WCHAR* string, INT length, const GpFont* font,
                                   const RectF* layoutRect, const GpStringFormat* stringFormat, const GpBrush* brush) {
    const char* call = "GdipDrawString";
    Graphics* g = graphicsOf(graphics, call);
    auto* f = objectOf<Font>(font, ObjectKind::GdiplusFont, call);
    const Brush* b = brushOf(brush, call);
    if (!g || !f || !b || !string || !layoutRect) return InvalidParameter;
    StringFormat defaults;
    const StringFormat* format = &defaults;
    if (stringFormat && !(format = objectOf<StringFormat>(stringFormat, ObjectKind::StringFormat, call)))
        return InvalidParameter;
    size_t count = 0;
    if (length < 0)
        while (string[count]) ++count;
    else
        count = size_t(length);
    if (count == 0) return Ok;

    DrawTarget target(g, call);
    if (!target.ready) return GenericError;
    double width = 0;
    for (size_t i = 0; i < count; ++i)
        if (const FontFace* face = faceFor(*f, string[i])) width += advanceOf(*face, string[i]);
    const RectF& r = *layoutRect;
    double x = alignedStart(format->align, r.X, r.Width, width);
    double top = alignedStart(format->lineAlign, r.Y, r.Height, f->ascent + f->descent);
    PixelRect clip = intersect(boundsOf(target.surface),
                               {int32_t(std::floor(r.X)), int32_t(std::floor(r.Y)), int32_t(std::ceil(r.X + r.Width)),
                                int32_t(std::ceil(r.Y + r.Height))});
    for (size_t i = 0; i < count; ++i) {
        const FontFace* face = faceFor(*f, string[i]);
        if (!face) continue;
        double advance = advanceOf(*face, string[i]);
        drawGlyph(target, clip, *face, string[i], x, top + f->ascent, *b);
        x += advance;
    }
    return Ok;
}
