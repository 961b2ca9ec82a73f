#include "tools/shape_raster.h"

#include <algorithm>
#include <cmath>
#include <numbers>

Shape roundRect(double left, double top, double right, double bottom, double topLeft, double topRight,
                double bottomRight, double bottomLeft) {
    Shape s;
    s.kind = Shape::Kind::RoundRect;
    s.left = left, s.top = top, s.right = right, s.bottom = bottom;
    double limit = std::min(right - left, bottom - top) / 2;
    double radii[4] = {topLeft, topRight, bottomRight, bottomLeft};
    for (int i = 0; i < 4; ++i) s.radius[i] = std::clamp(radii[i], 0.0, limit);
    return s;
}

Shape box(double left, double top, double right, double bottom) { return roundRect(left, top, right, bottom); }

Shape circle(double x, double y, double radius) {
    Shape s;
    s.kind = Shape::Kind::Circle;
    s.left = x, s.top = y, s.radius[0] = radius;
    return s;
}

Shape polygon(std::vector<Point> corners) {
    Shape s;
    s.kind = Shape::Kind::Polygon;
    s.corners = std::move(corners);
    return s;
}

Shape waveBand(double left, double right, double centreY, double amplitude, double wavelength, double phase,
               double thickness) {
    Shape s;
    s.kind = Shape::Kind::WaveBand;
    s.left = left, s.right = right;
    s.centreY = centreY, s.amplitude = amplitude, s.wavelength = wavelength, s.phase = phase,
    s.thickness = thickness;
    return s;
}

namespace {

// Inside the box, and inside the quarter circle of any rounded corner the point lies in.
bool roundRectContains(const Shape& s, double x, double y) {
    if (x < s.left || x >= s.right || y < s.top || y >= s.bottom) return false;
    struct Corner {
        double cx, cy;
        bool atLeft, atTop;
    };
    const Corner corners[4] = {{s.left + s.radius[0], s.top + s.radius[0], true, true},
                               {s.right - s.radius[1], s.top + s.radius[1], false, true},
                               {s.right - s.radius[2], s.bottom - s.radius[2], false, false},
                               {s.left + s.radius[3], s.bottom - s.radius[3], true, false}};
    for (int i = 0; i < 4; ++i) {
        const Corner& c = corners[i];
        bool inCornerX = c.atLeft ? x < c.cx : x > c.cx;
        bool inCornerY = c.atTop ? y < c.cy : y > c.cy;
        if (s.radius[i] > 0 && inCornerX && inCornerY &&
            (x - c.cx) * (x - c.cx) + (y - c.cy) * (y - c.cy) > s.radius[i] * s.radius[i])
            return false;
    }
    return true;
}

bool polygonContains(const std::vector<Point>& corners, double x, double y) {
    bool inside = false;
    for (size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
        const Point& a = corners[i];
        const Point& b = corners[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) inside = !inside;
    }
    return inside;
}

struct PixelBox {
    double left, top, right, bottom;
};

uint8_t mix(uint8_t from, uint8_t to, double t) { return uint8_t(std::lrint(from + (to - from) * t)); }

RgbaPixel colourAt(const Figure& figure, double y) {
    double t = std::clamp((y - figure.gradientTop) / (figure.gradientBottom - figure.gradientTop), 0.0, 1.0);
    const RgbaPixel& a = figure.topColour;
    const RgbaPixel& b = figure.bottomColour;
    return {mix(a.red, b.red, t), mix(a.green, b.green, t), mix(a.blue, b.blue, t), 255};
}

// A box around everything a figure can cover: the union of the boxes of its added shapes.
PixelBox figureBounds(const Figure& figure) {
    PixelBox b{1e9, 1e9, -1e9, -1e9};
    for (const FigureStep& step : figure.steps) {
        if (step.cut) continue;
        const Shape& s = step.shape;
        PixelBox of{s.left, s.top, s.right, s.bottom};
        if (s.kind == Shape::Kind::Circle) of = {s.left - s.radius[0], s.top - s.radius[0], s.left + s.radius[0], s.top + s.radius[0]};
        if (s.kind == Shape::Kind::WaveBand) of = {s.left, s.centreY - s.amplitude - s.thickness, s.right, s.centreY + s.amplitude + s.thickness};
        if (s.kind == Shape::Kind::Polygon) {
            of = {1e9, 1e9, -1e9, -1e9};
            for (const Point& p : s.corners)
                of = {std::min(of.left, p.x), std::min(of.top, p.y), std::max(of.right, p.x), std::max(of.bottom, p.y)};
        }
        b = {std::min(b.left, of.left), std::min(b.top, of.top), std::max(b.right, of.right), std::max(b.bottom, of.bottom)};
    }
    return b;
}

}  // namespace

bool shapeContains(const Shape& s, double x, double y) {
    switch (s.kind) {
    case Shape::Kind::RoundRect: return roundRectContains(s, x, y);
    case Shape::Kind::Circle: return (x - s.left) * (x - s.left) + (y - s.top) * (y - s.top) < s.radius[0] * s.radius[0];
    case Shape::Kind::Polygon: return s.corners.size() >= 3 && polygonContains(s.corners, x, y);
    case Shape::Kind::WaveBand: {
        if (x < s.left || x >= s.right) return false;
        double middle = s.centreY + s.amplitude * std::sin(2 * std::numbers::pi * (x - s.phase) / s.wavelength);
        return std::abs(y - middle) < s.thickness / 2;
    }
    }
    return false;
}

bool figureContains(const Figure& figure, double x, double y) {
    bool inside = false;
    for (const FigureStep& step : figure.steps) {
        if (step.cut && inside) inside = !shapeContains(step.shape, x, y);
        else if (!step.cut && !inside) inside = shapeContains(step.shape, x, y);
    }
    return inside;
}

std::vector<RgbaPixel> rasterise(const std::vector<Figure>& figures, uint32_t width, uint32_t height) {
    constexpr int grid = 4;  // samples per pixel side
    std::vector<RgbaPixel> pixels(size_t(width) * height, RgbaPixel{0, 0, 0, 0});
    std::vector<PixelBox> bounds;
    for (const Figure& figure : figures) bounds.push_back(figureBounds(figure));
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t covered = 0, red = 0, green = 0, blue = 0;
            for (int sy = 0; sy < grid; ++sy)
                for (int sx = 0; sx < grid; ++sx) {
                    double px = x + (sx + 0.5) / grid, py = y + (sy + 0.5) / grid;
                    for (size_t f = figures.size(); f-- > 0;) {
                        const PixelBox& b = bounds[f];
                        if (px < b.left || px > b.right || py < b.top || py > b.bottom) continue;
                        if (!figureContains(figures[f], px, py)) continue;
                        RgbaPixel c = colourAt(figures[f], py);
                        ++covered, red += c.red, green += c.green, blue += c.blue;
                        break;
                    }
                }
            if (!covered) continue;
            pixels[size_t(y) * width + x] = {uint8_t((red + covered / 2) / covered),
                                             uint8_t((green + covered / 2) / covered),
                                             uint8_t((blue + covered / 2) / covered),
                                             uint8_t((covered * 255 + grid * grid / 2) / (grid * grid))};
        }
    return pixels;
}
