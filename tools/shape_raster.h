#pragma once
// A small shape rasteriser for the picture maker: figures built from rectangles with rounded
// corners, circles, polygons and wavy bands, added and cut in order, filled with a vertical
// colour gradient and anti-aliased by 4 × 4 samples per pixel.
#include <cstdint>
#include <vector>

#include "tools/png_writer.h"

struct Point {
    double x, y;
};

struct Shape {
    enum class Kind { RoundRect, Circle, Polygon, WaveBand } kind = Kind::RoundRect;
    // RoundRect: the box and the corner radii (top-left, top-right, bottom-right, bottom-left);
    // a radius is limited to half the box's shorter side.
    double left = 0, top = 0, right = 0, bottom = 0;
    double radius[4] = {0, 0, 0, 0};
    // Circle: centre (left, top) and radius[0].
    // Polygon: the corners, in either winding; inside by the even-odd rule.
    std::vector<Point> corners;
    // WaveBand: the points within half `thickness` of
    // y = centreY + amplitude × sin(2π (x − phase) / wavelength), between left and right.
    double centreY = 0, amplitude = 0, wavelength = 1, phase = 0, thickness = 0;
};

Shape roundRect(double left, double top, double right, double bottom, double topLeft = 0, double topRight = 0,
                double bottomRight = 0, double bottomLeft = 0);
Shape box(double left, double top, double right, double bottom);
Shape circle(double x, double y, double radius);
Shape polygon(std::vector<Point> corners);
Shape waveBand(double left, double right, double centreY, double amplitude, double wavelength, double phase,
               double thickness);

bool shapeContains(const Shape& shape, double x, double y);

// One step of a figure: a shape added to it or cut out of what the earlier steps made.
struct FigureStep {
    Shape shape;
    bool cut = false;
};

// A filled figure: its steps, and a colour running from `topColour` at y = gradientTop to
// `bottomColour` at y = gradientBottom.
struct Figure {
    std::vector<FigureStep> steps;
    RgbaPixel topColour{}, bottomColour{};
    double gradientTop = 0, gradientBottom = 1;
};

bool figureContains(const Figure& figure, double x, double y);

// Paints the figures in order, later ones over earlier ones, onto a fully transparent image.
// Each pixel's alpha is the share of its 16 samples that some figure covers; its colour is the
// mean colour of the covering figures' samples.
std::vector<RgbaPixel> rasterise(const std::vector<Figure>& figures, uint32_t width, uint32_t height);
