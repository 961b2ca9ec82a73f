#pragma once
// The 256 falling streams: each drops down a column at its own speed, shows a new random glyph
// at its head every frame and stamps a glyph into TrailLayer each time it has fallen a little
// more than a cell since its last stamp.
#include <cstdint>

struct RainStream {
    float x;             // left edge of the column, 0 to W − cellWidth
    float y;             // top edge of the head; negative above the top edge
    float speed;         // pixels per frame, 2 to 6
    int32_t lastStampY;  // y, to the nearest integer, at the last stamp
};

constexpr uint16_t streamCount = 256;
constexpr uint16_t minSpeed = 2;
constexpr uint16_t maxSpeed = 6;
constexpr int32_t highlightGate = 750;  // highlight stamps need frameCounter above this

extern RainStream* streams;
// The glyph picked last, by whichever stream came before; every stamp shows it.
extern uint16_t currentGlyph;

// Creates the stream table and gives every stream its start: staggered above the top edge.
void initStreams();

// One frame of every stream, in index order: stamp, pick, head, advance, restart.
void updateStreams(int32_t frameCounter);

void freeStreamTable();
