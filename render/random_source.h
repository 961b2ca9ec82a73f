#pragma once
// The rain's single uniform random source: a fixed seed, never reseeded, so that every run
// draws the same sequence. Its doubles come from an explicit formula (the top 53 bits of a
// 64-bit generator), so every compiler and platform draws the same values.
#include <cstdint>

struct RandomSource {
    uint64_t state;
};

extern RandomSource randomSource;

// The next value of a source, in [0, 1).
double nextRandom(RandomSource& source);

// The next value of the rain's source, in [0, 1).
double randomUnit();

// a + r × (b − a) as a 32-bit float, with r = randomUnit(); a is the lower bound.
float randomRange(float a, float b);
