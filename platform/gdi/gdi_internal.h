#pragma once
// The GDI objects behind the handles, shared by the GDI calls and by GDI+ (which draws through
// device contexts).
#include <array>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"
#include "platform/objects/object_table.h"

struct DibSection {
    Surface surface;
    void* memory = nullptr;        // what CreateDIBSection handed out; freed with the bitmap
    ObjectHandle selectedInto = 0; // the device context that holds it, if any
};

// A character of a font as DrawTextA draws it: its coverage bytes, where they go from the pen
// and the baseline, and how far the pen moves on.
struct RenderedGlyph {
    bool tried = false, loaded = false;
    std::vector<uint8_t> coverage;  // rows × width bytes, or none for a blank glyph
    int32_t width = 0, rows = 0, left = 0, top = 0;
    FT_Pos advance = 0;
};

struct GdiFont {
    FT_Face face = nullptr;  // null when no face could be found: the font draws nothing
    int32_t ascent = 0;      // pixels from the cell's top to the baseline
    int32_t cellHeight = 0;
    ObjectHandle selectedInto = 0;
    // Each Latin-1 character is rendered once, the first time it is drawn, so that drawing the
    // same text again (a label every frame) allocates nothing.
    std::array<RenderedGlyph, 256> glyphs;
};

struct DeviceContext {
    HWND window = nullptr;  // set for a window's device context, null for a memory one
    ObjectHandle bitmap = 0;
    ObjectHandle font = 0;
    COLORREF textColor = 0;
    int backgroundMode = OPAQUE;
};

DeviceContext* deviceContextOf(HDC dc, const char* call);

// The pixels a device context draws into: the selected bitmap of a memory device context, or
// the client area of a window. Pair every successful beginDrawing with endDrawing, which puts
// a window's pixels on the screen.
bool beginDrawing(DeviceContext* context, Surface* surface);
void endDrawing(DeviceContext* context);

// The font a device context selects when it is made.
ObjectHandle stockFont();
