// Prints the rain's numbers as exact bit patterns, for comparing builds: the first values of
// the random source, then every stream after initStreams and after 2000 frames at 800 × 500.
// Nothing is drawn (no graphics exist), but every number the rain computes is the same as in
// a run, so two builds that print the same lines draw the same rain.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "render/glyph_atlas.h"
#include "render/rain_streams.h"
#include "render/random_source.h"
#include "render/render_surfaces.h"

namespace {

unsigned long long bitsOf(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

unsigned bitsOf(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

void printStreams(const char* when) {
    for (uint16_t i = 0; i < streamCount; ++i) {
        const RainStream& s = streams[i];
        std::printf("%s %3u x %08x y %08x speed %08x stamp %ld\n", when, i, bitsOf(s.x), bitsOf(s.y),
                    bitsOf(s.speed), long(s.lastStampY));
    }
    std::printf("%s glyph %u\n", when, unsigned(currentGlyph));
}

}  // namespace

int main() {
    RandomSource copy = randomSource;  // the same seed, leaving the rain's own source untouched
    for (int i = 0; i < 16; ++i) std::printf("random %2d %016llx\n", i, bitsOf(nextRandom(copy)));
    RenderSize = LayerSize{800, 500};
    initGlyphMetrics();
    initStreams();
    if (!streams) return 1;
    printStreams("start");
    for (int32_t frame = 250; frame < 2250; ++frame) updateStreams(frame);
    printStreams("after");
    freeStreamTable();
    return 0;
}
