#include "render/random_source.h"

RandomSource randomSource{0x44454C5547452131ull};

// SplitMix64: a Weyl sequence through a 64-bit mixing function.
double nextRandom(RandomSource& source) {
    uint64_t z = (source.state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53;
}

double randomUnit() { return nextRandom(randomSource); }

float randomRange(float a, float b) {
    double r = randomUnit();
    return static_cast<float>(a + r * (double(b) - double(a)));
}
