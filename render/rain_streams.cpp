#include "render/rain_streams.h"

#include <cmath>
#include <new>

#include "render/glyph_atlas.h"
#include "render/random_source.h"
#include "render/render_surfaces.h"

RainStream* streams = nullptr;
uint16_t currentGlyph = 0;

namespace {

constexpr float startOffsetLow = 10.0f;    // extra height above the top edge at the first start
constexpr float startOffsetHigh = 200.0f;
constexpr float restartConstant = -1.0f;   // restart height −1 − glyphFontSize; one more pixel below

int32_t nearest(double v) { return static_cast<int32_t>(std::lrint(v)); }

// A new column, speed and stamp height, so that the next pass stamps.
void startStream(RainStream& s, float y) {
    s.y = y;
    s.speed = randomRange(float(minSpeed), float(maxSpeed));
    s.lastStampY = nearest(double(s.y) - cellHeight + restartConstant);
}

float randomColumn() { return static_cast<float>(randomUnit() * (int32_t(RenderSize.width) - int32_t(cellWidth))); }

// Stamps on lit picture pixels are highlighted once the gate is passed; only pixels well inside
// the layer are read.
GlyphVariant stampVariant(const RainStream& s, int32_t frameCounter) {
    double w = RenderSize.width, h = RenderSize.height;
    bool candidate = s.x > 0 && s.y > 0 && s.x < w - glyphFontSize && s.y < h - glyphFontSize &&
                     frameCounter > highlightGate;
    if (!candidate || !PictureLayer.pixels) return Trail;
    const auto* picture = static_cast<const uint32_t*>(PictureLayer.pixels);
    return picture[nearest(s.x) + nearest(s.y) * int32_t(RenderSize.width)] != 0 ? Highlight : Trail;
}

void drawGlyph(const RenderLayer& layer, uint16_t glyph, GlyphVariant variant, const RainStream& s) {
    GdipDrawImageRect(layer.graphics, glyphBitmap(glyph, variant), s.x, s.y, float(cellWidth), float(cellHeight));
}

}  // namespace

void initStreams() {
    streams = new (std::nothrow) RainStream[streamCount]();
    if (!streams) return;
    for (uint16_t i = 0; i < streamCount; ++i) {
        RainStream& s = streams[i];
        s.x = randomColumn();
        float offset = randomRange(startOffsetLow, startOffsetHigh);
        startStream(s, static_cast<float>(-double(glyphFontSize) - offset));
    }
}

void updateStreams(int32_t frameCounter) {
    if (!streams) return;
    for (uint16_t i = 0; i < streamCount; ++i) {
        RainStream& s = streams[i];
        if (double(s.y) - s.lastStampY > cellHeight) {
            drawGlyph(TrailLayer, currentGlyph, stampVariant(s, frameCounter), s);
            s.lastStampY = nearest(s.y);
        }
        currentGlyph = static_cast<uint16_t>(nearest(randomUnit() * glyphCount));
        drawGlyph(FrameLayer, currentGlyph, Trail, s);
        drawGlyph(FrameLayer, currentGlyph, Head, s);
        s.y = static_cast<float>(double(s.y) + s.speed);
        if (s.y > RenderSize.height) {
            s.x = randomColumn();
            startStream(s, static_cast<float>(double(restartConstant) - glyphFontSize));
        }
    }
}

void freeStreamTable() {
    delete[] streams;
    streams = nullptr;
}
