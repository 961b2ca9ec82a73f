#include "bench/frame_draws.h"

#include <cmath>

#include "render/frame_composition.h"
#include "render/render_surfaces.h"

namespace {

int32_t nearest(double v) { return static_cast<int32_t>(std::lrint(v)); }

// The variant of a stamp: highlighted on lit picture pixels well inside the layer, past the gate.
GlyphVariant stampVariant(const RainStream& s, int32_t counter) {
    double w = RenderSize.width, h = RenderSize.height;
    bool candidate =
        s.x > 0 && s.y > 0 && s.x < w - glyphFontSize && s.y < h - glyphFontSize && counter > highlightGate;
    if (!candidate || !PictureLayer.pixels) return Trail;
    const auto* picture = static_cast<const uint32_t*>(PictureLayer.pixels);
    return picture[nearest(s.x) + nearest(s.y) * int32_t(RenderSize.width)] != 0 ? Highlight : Trail;
}

}  // namespace

StreamState captureStreamState() {
    StreamState state;
    if (streams) state.streams.assign(streams, streams + streamCount);
    state.currentGlyph = currentGlyph;
    state.random = randomSource;
    state.frameCounter = frameCounter;
    return state;
}

bool drawsSince(const StreamState& before, FrameDraws* out) {
    if (!streams || before.streams.size() != streamCount) return false;
    out->draws.clear();
    out->pulse = pulseSign == 1;
    RandomSource random = before.random;
    uint16_t glyph = before.currentGlyph;
    for (uint16_t i = 0; i < streamCount; ++i) {
        const RainStream& s = before.streams[i];
        const RainStream& now = streams[i];
        bool stamped = double(s.y) - s.lastStampY > cellHeight;
        if (stamped) out->draws.push_back({s.x, s.y, glyph, stampVariant(s, before.frameCounter), true});
        glyph = static_cast<uint16_t>(nearest(nextRandom(random) * glyphCount));
        out->draws.push_back({s.x, s.y, glyph, Trail, false});
        out->draws.push_back({s.x, s.y, glyph, Head, false});
        auto fallen = static_cast<float>(double(s.y) + s.speed);
        if (fallen > RenderSize.height) {
            nextRandom(random);  // the new column
            nextRandom(random);  // the new speed
        } else if (now.y != fallen || now.x != s.x || stamped != (now.lastStampY != s.lastStampY)) {
            return false;
        }
    }
    return random.state == randomSource.state && glyph == currentGlyph;
}
