// Draws the demo's own picture, an 800 × 500 PNG with alpha: a raindrop emblem, the title in
// heavy letters and two waves, opaque on a fully transparent background.
//
//   deluge_make_picture OUTPUT.png
//
// The picture is made of shapes alone, so the same program always writes the same file.
#include <cmath>
#include <cstdio>

#include "tools/png_writer.h"
#include "tools/shape_raster.h"

namespace {

constexpr uint32_t pictureWidth = 800, pictureHeight = 500;

// The letters: boxes of letterWidth × letterHeight with strokes of `stroke`, left edge `x`.
constexpr double letterWidth = 108, letterHeight = 180, stroke = 38, letterGap = 16;
constexpr double titleTop = 212;
constexpr double titleLeft = (pictureWidth - (6 * letterWidth + 5 * letterGap)) / 2;

const RgbaPixel gold{255, 214, 64, 255}, orange{255, 104, 36, 255};
const RgbaPixel sky{64, 190, 255, 255}, deepBlue{24, 84, 236, 255}, foam{210, 244, 255, 255};
const RgbaPixel sea{40, 120, 255, 255}, teal{30, 210, 200, 255};

FigureStep add(Shape s) { return {std::move(s), false}; }
FigureStep cut(Shape s) { return {std::move(s), true}; }

Figure letter(char c, double x) {
    const double w = letterWidth, h = letterHeight, s = stroke, t = titleTop, r = w / 2, inner = (w - 2 * s) / 2;
    Figure f;
    f.topColour = gold, f.bottomColour = orange, f.gradientTop = t, f.gradientBottom = t + h;
    switch (c) {
    case 'D':
        f.steps = {add(roundRect(x, t, x + w, t + h, 0, r, r, 0)),
                   cut(roundRect(x + s, t + s, x + w - s, t + h - s, 0, inner, inner, 0))};
        break;
    case 'E':
        f.steps = {add(box(x, t, x + s, t + h)), add(box(x, t, x + w, t + s)),
                   add(box(x, t + (h - s) / 2, x + w - 14, t + (h + s) / 2)), add(box(x, t + h - s, x + w, t + h))};
        break;
    case 'L': f.steps = {add(box(x, t, x + s, t + h)), add(box(x, t + h - s, x + w, t + h))}; break;
    case 'U':
        f.steps = {add(roundRect(x, t, x + w, t + h, 0, 0, r, r)),
                   cut(roundRect(x + s, t - 1, x + w - s, t + h - s, 0, 0, inner, inner))};
        break;
    case 'G':
        // A ring opened on the right above the middle, with a bar reaching in from the right.
        f.steps = {add(roundRect(x, t, x + w, t + h, r, r, r, r)),
                   cut(roundRect(x + s, t + s, x + w - s, t + h - s, inner, inner, inner, inner)),
                   cut(box(x + w - s - 1, t + r + 4, x + w + 1, t + h / 2)),
                   add(box(x + w / 2, t + h / 2, x + w, t + h / 2 + s * 0.8))};
        break;
    default: break;
    }
    return f;
}

// A raindrop: a circle under a point, with a small light highlight.
std::vector<Figure> raindrop() {
    const double cx = pictureWidth / 2.0, cy = 128, radius = 64, tipY = 14;
    double d = cy - tipY;
    double tangentX = radius * std::sqrt(1 - (radius / d) * (radius / d)), tangentY = cy - radius * radius / d;
    Figure drop;
    drop.topColour = sky, drop.bottomColour = deepBlue, drop.gradientTop = tipY, drop.gradientBottom = cy + radius;
    drop.steps = {add(circle(cx, cy, radius)),
                  add(polygon({{cx, tipY}, {cx + tangentX, tangentY}, {cx - tangentX, tangentY}}))};
    Figure highlight;
    highlight.topColour = highlight.bottomColour = foam;
    highlight.steps = {add(circle(cx - 26, cy + 4, 15)), cut(circle(cx - 18, cy - 4, 15))};
    return {drop, highlight};
}

Figure wave(double centreY, double phase, RgbaPixel colour) {
    Figure f;
    f.topColour = f.bottomColour = colour;
    f.steps = {add(waveBand(titleLeft, pictureWidth - titleLeft, centreY, 7, 72, phase, 15))};
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    std::vector<Figure> figures = raindrop();
    const char title[] = "DELUGE";
    for (int i = 0; i < 6; ++i) figures.push_back(letter(title[i], titleLeft + i * (letterWidth + letterGap)));
    figures.push_back(wave(428, 0, sea));
    figures.push_back(wave(462, 36, teal));

    std::vector<RgbaPixel> pixels = rasterise(figures, pictureWidth, pictureHeight);
    std::vector<uint8_t> file = encodePng(pixels, pictureWidth, pictureHeight);
    if (file.empty()) {
        std::fprintf(stderr, "%s: the PNG could not be encoded\n", argv[0]);
        return 1;
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    size_t opaque = 0;
    for (const RgbaPixel& p : pixels) opaque += p.alpha >= 128;
    std::printf("%s: %u x %u, %zu bytes, %.1f%% covered\n", argv[1], pictureWidth, pictureHeight, file.size(),
                100.0 * double(opaque) / double(pixels.size()));
    return 0;
}
