#pragma once
// The glyph draws of one of our frames, worked out from the streams before and after it, so that
// another renderer can repeat exactly the same work.
#include <cstdint>
#include <vector>

#include "render/glyph_atlas.h"
#include "render/rain_streams.h"
#include "render/random_source.h"

struct GlyphDraw {
    float x, y;
    uint16_t glyph;
    GlyphVariant variant;
    bool intoTrail;  // a stamp into TrailLayer; otherwise a head drawn into FrameLayer
};

struct FrameDraws {
    std::vector<GlyphDraw> draws;  // in the order the frame made them
    bool pulse = false;            // the picture was OR-ed into the trails
};

// What decides a frame's draws: the streams, the glyph picked last, the random source, the count.
struct StreamState {
    std::vector<RainStream> streams;
    uint16_t currentGlyph = 0;
    RandomSource random{};
    int32_t frameCounter = 0;
};

StreamState captureStreamState();

// The draws of the frame composed since `before` was captured. Replays the frame's random picks
// and checks the result against the streams now; false if they disagree (the rain changed its
// rules and this needs to follow).
bool drawsSince(const StreamState& before, FrameDraws* out);
