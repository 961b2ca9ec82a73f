#include "render/frame_composition.h"

#include "render/rain_streams.h"
#include "render/render_surfaces.h"

int32_t frameCounter = 0;
int32_t pulseSign = 0;
GpSolidFill* fadeBrush = nullptr;
GpHatch* hatchBrush = nullptr;

namespace {
constexpr int32_t pulsePeriod = 1000;  // frames the picture pulse stays on, then off
// After about 2.3 years at 30 frames a second the count would pass the 32-bit limit. Before it
// can, it steps back by a whole number of on-and-off periods, to a value past the highlight gate
// with the same place in the pulse cycle, so the run goes on exactly as before.
constexpr int32_t counterRewind = 2147482000;  // a multiple of 2 × pulsePeriod
constexpr int32_t counterRewoundTo = 2 * pulsePeriod;
}

void clearTrailLayer() { GdipGraphicsClear(TrailLayer.graphics, 0xFF000000); }

void initFrameCounter() {
    frameCounter = 250;
    pulseSign = -1;
}

void composeFrame() {
    REAL width = RenderSize.width;
    REAL height = RenderSize.height;
    GdipFillRectangle(FrameLayer.graphics, hatchBrush, 0.0f, 0.0f, width, height);
    GdipFillRectangle(TrailLayer.graphics, fadeBrush, 0.0f, 0.0f, width, height);
    updateStreams(frameCounter);
    frameCounter = frameCounter + 1;
    if (frameCounter == counterRewind) frameCounter = counterRewoundTo;
    if (frameCounter % pulsePeriod == 0) pulseSign = -pulseSign;
    if (pulseSign == 1)
        BitBlt(TrailLayer.dc, 0, 0, RenderSize.width, RenderSize.height, PictureLayer.dc, 0, 0, SRCPAINT);
    BitBlt(FrameLayer.dc, 0, 0, RenderSize.width, RenderSize.height, TrailLayer.dc, 0, 0, SRCPAINT);
}
