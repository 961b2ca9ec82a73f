// deluge_make_icon: draws the demo's icon through our own GDI+ layer and writes it as an RGBA
// PNG: four columns of falling half-width katakana over the dark green hatch, each with a
// bright head and a trail that fades upwards, on a tile with rounded corners. The output
// depends only on the size and the installed faces (those the demo uses), so it is the same on
// every run.
//
//   deluge_make_icon SIZE FILE
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/gdiplus/gdiplus.h"
#include "tools/png_writer.h"

namespace {

const char usage[] = "usage: deluge_make_icon SIZE FILE   (SIZE from 16 to 1024)\n";

constexpr WCHAR firstGlyph = 0xFF66;  // the demo's glyphs are U+FF66 to U+FF9D
constexpr int glyphCount = 56;
const WCHAR familyName[] = {'T', 'i', 'm', 'e', 's', ' ', 'N', 'e', 'w', ' ', 'R', 'o', 'm', 'a', 'n', 0};

constexpr ARGB headColor = 0xFFE8FFE8;
constexpr ARGB trailColors[] = {0xF0A0FFA0, 0xB060E060, 0x7040B040};  // nearest the head first
constexpr ARGB hatchForeground = 0xF0003800;
constexpr ARGB background = 0xFF000000;

// One column of the 4 × 4 grid of cells: the row of its head, the length of its trail above
// it, and the glyph of its head (the trail takes the glyphs that follow).
struct Column {
    int headRow;
    int trail;
    int glyph;
};
constexpr Column columns[] = {{2, 2, 5}, {3, 3, 20}, {1, 1, 33}, {3, 2, 47}};
constexpr int rows = 4;

int parseSize(const char* text) {
    char* end = nullptr;
    long size = std::strtol(text, &end, 10);
    return *text && !*end && size >= 16 && size <= 1024 ? int(size) : 0;
}

bool drawGlyph(GpGraphics* graphics, GpFont* font, GpStringFormat* format, int glyph, float cell, int column,
               int row, ARGB color) {
    WCHAR text[2] = {WCHAR(firstGlyph + glyph % glyphCount), 0};
    RectF rect{column * cell, row * cell, cell, cell};
    GpSolidFill* brush = nullptr;
    if (GdipCreateSolidFill(color, &brush) != Ok) return false;
    bool drawn = GdipDrawString(graphics, text, 1, font, &rect, format, brush) == Ok;
    GdipDeleteBrush(brush);
    return drawn;
}

// The rain of the icon into an opaque square bitmap.
bool drawIcon(GpBitmap* bitmap, int size) {
    GpGraphics* graphics = nullptr;
    GpHatch* hatch = nullptr;
    GpStringFormat* format = nullptr;
    GpFontFamily* family = nullptr;
    GpFont* font = nullptr;
    float cell = float(size) / rows;
    bool drawn = GdipGetImageGraphicsContext(bitmap, &graphics) == Ok &&
                 GdipCreateHatchBrush(HatchStyle25Percent, hatchForeground, background, &hatch) == Ok &&
                 GdipCreateStringFormat(0, 0, &format) == Ok &&
                 GdipSetStringFormatAlign(format, StringAlignmentCenter) == Ok &&
                 GdipSetStringFormatLineAlign(format, StringAlignmentCenter) == Ok &&
                 GdipCreateFontFamilyFromName(familyName, nullptr, &family) == Ok &&
                 GdipCreateFont(family, cell * 10 / 12, FontStyleBold, UnitPixel, &font) == Ok;
    if (drawn) {
        GdipSetPixelOffsetMode(graphics, PixelOffsetModeHalf);
        GdipSetTextRenderingHint(graphics, TextRenderingHintAntiAlias);
        GdipSetSmoothingMode(graphics, SmoothingModeAntiAlias);
        drawn = GdipGraphicsClear(graphics, background) == Ok &&
                GdipFillRectangle(graphics, hatch, 0, 0, float(size), float(size)) == Ok;
    }
    for (int c = 0; drawn && c < 4; ++c) {
        const Column& column = columns[c];
        for (int t = 1; drawn && t <= column.trail; ++t)
            drawn = drawGlyph(graphics, font, format, column.glyph + t, cell, c, column.headRow - t,
                              trailColors[t - 1]);
        drawn = drawn && drawGlyph(graphics, font, format, column.glyph, cell, c, column.headRow, headColor);
    }
    GdipDeleteFont(font);
    GdipDeleteFontFamily(family);
    GdipDeleteStringFormat(format);
    GdipDeleteBrush(hatch);
    GdipDeleteGraphics(graphics);
    return drawn;
}

// How much of pixel (x, y) lies inside the tile of the given size whose corners are rounded
// with the given radius, from 4 × 4 samples.
double tileCoverage(int x, int y, int size, double radius) {
    int inside = 0;
    for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) {
            double px = x + (sx + 0.5) / 4, py = y + (sy + 0.5) / 4;
            double dx = std::fmax(std::fmax(radius - px, px - (size - radius)), 0.0);
            double dy = std::fmax(std::fmax(radius - py, py - (size - radius)), 0.0);
            inside += dx * dx + dy * dy <= radius * radius;
        }
    return inside / 16.0;
}

}  // namespace

int main(int argc, char** argv) {
    int size = argc == 3 ? parseSize(argv[1]) : 0;
    if (!size) {
        std::fputs(usage, stderr);
        return 2;
    }
    ULONG_PTR token = 0;
    GdiplusStartupInput input;
    input.GdiplusVersion = 1;
    if (GdiplusStartup(&token, &input, nullptr) != Ok) {
        std::fputs("deluge_make_icon: GDI+ did not start\n", stderr);
        return 1;
    }
    GpBitmap* bitmap = nullptr;
    bool drawn = GdipCreateBitmapFromScan0(size, size, 0, PixelFormat32bppARGB, nullptr, &bitmap) == Ok &&
                 drawIcon(bitmap, size);
    std::vector<RgbaPixel> rgba;
    rgba.reserve(size_t(size) * size);
    double radius = size / 8.0;
    bool lit = false;  // a glyph without a face to draw it from leaves no light pixel
    for (int y = 0; drawn && y < size; ++y)
        for (int x = 0; x < size; ++x) {
            ARGB p = 0;
            GdipBitmapGetPixel(bitmap, x, y, &p);
            uint8_t r = uint8_t(p >> 16), g = uint8_t(p >> 8), b = uint8_t(p);
            lit = lit || (r > 0xC0 && g > 0xC0 && b > 0xC0);
            auto alpha = uint8_t(std::lrint(tileCoverage(x, y, size, radius) * 255));
            rgba.push_back({r, g, b, alpha});
        }
    GdipDisposeImage(bitmap);
    GdiplusShutdown(token);
    if (!drawn || !lit) {
        std::fputs("deluge_make_icon: could not draw the glyphs (are the demo's fonts installed?)\n", stderr);
        return 1;
    }
    std::vector<uint8_t> bytes = encodePng(rgba, uint32_t(size), uint32_t(size));
    std::FILE* file = std::fopen(argv[2], "wb");
    bool written = file && !bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file) written = std::fclose(file) == 0 && written;
    if (!written) {
        std::fprintf(stderr, "deluge_make_icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
