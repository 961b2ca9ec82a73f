#include <cmath>

#include "render/random_source.h"
#include "tests/support/render_fixture.h"

namespace {

class RainStreams : public RenderFixture {
protected:
    // All streams far above the layer, where they neither stamp nor show. A case of a table may
    // call it again: the previous stream table is freed first.
    void quietStreams() {
        freeStreamTable();
        initStreams();
        ASSERT_NE(streams, nullptr);
        for (uint16_t i = 0; i < streamCount; ++i) streams[i] = RainStream{0.0f, -1000.0f, 2.0f, -1000};
    }
    static int draws(RandomSource from, RandomSource to) {
        for (int n = 0; n < 100000; ++n, nextRandom(from))
            if (from.state == to.state) return n;
        return -1;
    }
    // What TrailLayer would hold had only these stamps been drawn on it.
    struct Stamp {
        uint16_t glyph;
        GlyphVariant variant;
        float x, y;
    };
    static std::vector<uint32_t> trailWith(const std::vector<uint32_t>& before, std::initializer_list<Stamp> stamps) {
        std::vector<uint32_t> saved = copyOf(TrailLayer);
        std::copy(before.begin(), before.end(), pixelsOf(TrailLayer));
        for (const Stamp& s : stamps)
            GdipDrawImageRect(TrailLayer.graphics, glyphBitmap(s.glyph, s.variant), s.x, s.y, 12, 12);
        std::vector<uint32_t> expected = copyOf(TrailLayer);
        std::copy(saved.begin(), saved.end(), pixelsOf(TrailLayer));
        return expected;
    }
    static uint16_t pickOf(double r) { return static_cast<uint16_t>(std::lrint(r * 55)); }
};

TEST_F(RainStreams, StartStaggeredAboveTheTopWithThreeDrawsEach) {
    RandomSource before = randomSource;
    initStreams();
    EXPECT_EQ(draws(before, randomSource), 768);
    for (uint16_t i = 0; i < streamCount; ++i) {
        const RainStream& s = streams[i];
        EXPECT_GE(s.x, 0.0f);
        EXPECT_LE(s.x, 788.0f);
        EXPECT_GE(s.y, -207.5f);
        EXPECT_LE(s.y, -17.5f);
        EXPECT_GE(s.speed, 2.0f);
        EXPECT_LE(s.speed, 6.0f);
        double gap = double(s.y) - s.lastStampY;
        EXPECT_GE(gap, 12.5);
        EXPECT_LE(gap, 13.5);
    }
    // The first pass stamps with every stream (outside the layer) and takes one draw each.
    std::vector<float> startY(streamCount);
    for (uint16_t i = 0; i < streamCount; ++i) startY[i] = streams[i].y;
    before = randomSource;
    currentGlyph = 0;
    updateStreams(250);
    EXPECT_EQ(draws(before, randomSource), 256);
    for (uint16_t i = 0; i < streamCount; ++i) EXPECT_EQ(streams[i].lastStampY, std::lrint(startY[i]));
}

TEST_F(RainStreams, StampsOnlyWhenMoreThanACellBelowTheLastStamp) {
    struct Case {
        float y;
        int32_t lastStampY;
        bool stamps;
    } cases[] = {{100.0f, 88, false}, {100.5f, 88, true}, {100.0f, 87, true}};
    for (const Case& c : cases) {
        quietStreams();
        streams[1] = RainStream{200.0f, c.y, 3.0f, c.lastStampY};
        currentGlyph = 7;
        std::vector<uint32_t> before = copyOf(TrailLayer);
        updateStreams(250);
        EXPECT_EQ(copyOf(TrailLayer) != before, c.stamps) << c.y << " " << c.lastStampY;
        EXPECT_EQ(streams[1].lastStampY, c.stamps ? std::lrint(c.y) : c.lastStampY);
        EXPECT_EQ(streams[1].y, c.y + 3.0f);
    }
}

// Stamps on lit picture pixels are highlighted once frameCounter is above 750; the pixel read
// is the one under the cell's corner, halves rounding to even; only stamps well inside count.
TEST_F(RainStreams, HighlightGateAndReadPosition) {
    struct Case {
        int32_t frameCounter;
        float x, y;
        int litX, litY;  // -1: every pixel lit
        GlyphVariant variant;
    } cases[] = {
        {750, 100.5f, 200.5f, 100, 200, Trail},     {751, 100.5f, 200.5f, 100, 200, Highlight},
        {751, 101.5f, 201.5f, 102, 202, Highlight}, {751, 101.5f, 201.5f, 101, 201, Trail},
        {751, 0.0f, 200.0f, -1, -1, Trail},         {751, 100.0f, 0.0f, -1, -1, Trail},
        {751, 100.0f, 492.5f, -1, -1, Trail},       {751, 792.5f, 100.0f, -1, -1, Trail},
        {751, 792.4f, 492.4f, -1, -1, Highlight},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frameCounter << " at " << c.x << "," << c.y);
        fillLayer(PictureLayer, c.litX < 0 ? 1u : 0u);
        if (c.litX >= 0) pixel(PictureLayer, c.litX, c.litY) = 0x00000100;
        quietStreams();
        streams[5] = RainStream{c.x, c.y, 2.0f, int32_t(std::lrint(c.y)) - 13};
        currentGlyph = 20;
        RandomSource random = randomSource;
        double picks[5];
        for (double& r : picks) r = nextRandom(random);
        std::vector<uint32_t> before = copyOf(TrailLayer);
        updateStreams(c.frameCounter);
        EXPECT_EQ(copyOf(TrailLayer), trailWith(before, {{pickOf(picks[4]), c.variant, c.x, c.y}}));
    }
}

// Each stamp shows the glyph that the stream before it picked for its head in the same pass.
TEST_F(RainStreams, StampShowsThePreviousStreamsGlyph) {
    quietStreams();
    streams[3] = RainStream{100.0f, 100.0f, 2.0f, 80};
    streams[4] = RainStream{300.0f, 300.25f, 2.0f, 280};
    currentGlyph = 9;
    RandomSource random = randomSource;
    double picks[5];
    for (double& r : picks) r = nextRandom(random);
    std::vector<uint32_t> before = copyOf(TrailLayer);
    updateStreams(250);
    EXPECT_EQ(copyOf(TrailLayer), trailWith(before, {{pickOf(picks[2]), Trail, 100.0f, 100.0f},
                                                     {pickOf(picks[3]), Trail, 300.0f, 300.25f}}));
    quietStreams();
    streams[0] = RainStream{100.0f, 100.0f, 2.0f, 80};
    currentGlyph = 33;  // picked by stream 255 in the previous pass
    before = copyOf(TrailLayer);
    updateStreams(250);
    EXPECT_EQ(copyOf(TrailLayer), trailWith(before, {{33, Trail, 100.0f, 100.0f}}));
}

// A stream restarts when it is below the bottom edge, not at it: two more draws, a new column
// and speed, and the fixed restart height.
TEST_F(RainStreams, RestartsOnlyPastTheBottomEdge) {
    quietStreams();
    streams[7] = RainStream{50.0f, 498.0f, 2.0f, 490};
    updateStreams(250);
    EXPECT_EQ(streams[7].y, 500.0f) << "exactly at the edge: no restart";
    RandomSource before = randomSource;
    updateStreams(250);
    EXPECT_EQ(draws(before, randomSource), 258);
    const RainStream& s = streams[7];
    EXPECT_EQ(s.y, -8.5f);
    EXPECT_EQ(s.lastStampY, -22);
    EXPECT_GE(s.x, 0.0f);
    EXPECT_LE(s.x, 788.0f);
    EXPECT_NE(s.x, 50.0f);
    EXPECT_GE(s.speed, 2.0f);
    EXPECT_LE(s.speed, 6.0f);
    std::vector<uint32_t> trail = copyOf(TrailLayer);
    updateStreams(250);
    EXPECT_EQ(streams[7].lastStampY, -8) << "the next pass stamps at -8.5, rounded to even";
    EXPECT_NE(copyOf(TrailLayer), trail) << "its bottom 3.5 pixels reach the layer";
}

TEST_F(RainStreams, EveryGlyphIsPickedEndsHalfAsOften) {
    std::vector<int> counts(56, 0);
    RandomSource random{12345};
    for (int i = 0; i < 560000; ++i) ++counts[pickOf(nextRandom(random))];
    for (int g = 1; g < 55; ++g) EXPECT_NEAR(counts[g], 10185, 400) << g;
    EXPECT_NEAR(counts[0], 5092, 300);
    EXPECT_NEAR(counts[55], 5092, 300);
}

// The frame count drives the timed effects: frame n's stream pass sees 249 + n, and the picture
// is OR-ed into the trails from frame 750 to 1749, in the frame where the count reaches 1000.
TEST_F(RainStreams, CompositionTimeline) {
    pixel(PictureLayer, 5, 5) = 0x00800000;
    uint32_t previousRed = 0;
    for (int frame = 1; frame <= 1751; ++frame) {
        int32_t seen = frameCounter;
        composeFrame();
        EXPECT_EQ(seen, 249 + frame);
        ASSERT_TRUE(pulseSign == 1 || pulseSign == -1);
        bool pulse = frame >= 750 && frame <= 1749;
        EXPECT_EQ(pulseSign, pulse ? 1 : -1) << frame;
        uint32_t red = (pixel(TrailLayer, 5, 5) >> 16) & 0xFF;
        uint32_t faded = (previousRed * 242 + 127) / 255;
        EXPECT_EQ(red, pulse ? (faded | 0x80) : faded) << frame;
        previousRed = red;
    }
    // Black trail pixels leave the hatch as it is: opaque black background, dark green foreground.
    EXPECT_EQ(pixel(FrameLayer, 1, 0), 0xFF000000u);
    uint32_t foreground = pixel(FrameLayer, 0, 0);
    EXPECT_EQ(foreground & 0xFFFF00FF, 0xFF000000u);
    EXPECT_GE((foreground >> 8) & 0xFF, 0x35u);
}

// Near the 32-bit limit the count steps back by whole pulse cycles: the pulse keeps switching
// every 1000 frames and highlights stay possible, with no overflow.
TEST_F(RainStreams, FrameCounterNeverOverflows) {
    frameCounter = 2147480000 - 1;  // a multiple of 2000 is reached next: the pulse turns on
    pulseSign = -1;
    int switches = 0, previous = pulseSign;
    for (int frame = 0; frame < 3500; ++frame) {
        composeFrame();
        ASSERT_GT(frameCounter, highlightGate);
        ASSERT_LT(frameCounter, 2147483647);
        if (pulseSign != previous) {
            ++switches;
            EXPECT_EQ(frame % 1000, 0) << frame;
            EXPECT_EQ(pulseSign, (frame / 1000) % 2 == 0 ? 1 : -1) << frame;
        }
        previous = pulseSign;
    }
    EXPECT_EQ(switches, 4);
    EXPECT_LT(frameCounter, 100000) << "stepped back";
}

}  // namespace
