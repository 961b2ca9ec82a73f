// The frame's work as the loop does it (composition, label, present) into an offscreen window.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "app/frame_loop.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/window/window.h"
#include "platform/window/window_offscreen.h"
#include "render/frame_composition.h"
#include "render/glyph_atlas.h"
#include "render/rain_streams.h"
#include "render/render_surfaces.h"

namespace {

RECT labelRect{2, 2, 30, 15};

// Sets up the render surfaces once for the whole process at the given size.
void startSurfaces(int32_t windowWidth, int32_t windowHeight, uint16_t renderWidth, uint16_t renderHeight) {
    static bool started = false;
    if (started) return;
    started = true;
    offscreenConfigure(OffscreenScript{});
    ULONG_PTR token = 0;
    GdiplusStartupInput input;
    GdiplusStartup(&token, &input, nullptr);
    WindowSize = {windowWidth, windowHeight};
    RenderSize = {renderWidth, renderHeight};
    initGlyphMetrics();
    windowOpen(windowWidth, windowHeight, 32, 1, 0x84, 0);
    initGlyphRectangles();
    createRenderSurfaces(windowNativeHandle());
    createGlyphResources();
    createFpsLabel();
    initStreams();
    clearTrailLayer();
    buildGlyphAtlas();
    initFrameCounter();
    fpsLabel = "30 fps";
    // The steady state: trails everywhere, highlights possible and the pulse on.
    for (int frame = 0; frame < 800; ++frame) composeFrame();
}

void frame(benchmark::State& state) {
    for (auto _ : state) {
        composeFrame();
        DrawTextA(FrameLayer.dc, fpsLabel.c_str(), -1, &labelRect, DT_SINGLELINE);
        present();
    }
    state.SetItemsProcessed(state.iterations());
}

// The parts of a frame, to see where its time goes.
void hatchFill(benchmark::State& state) {
    for (auto _ : state)
        GdipFillRectangle(FrameLayer.graphics, hatchBrush, 0, 0, RenderSize.width, RenderSize.height);
}
void fadeFill(benchmark::State& state) {
    for (auto _ : state) GdipFillRectangle(TrailLayer.graphics, fadeBrush, 0, 0, RenderSize.width, RenderSize.height);
}
void streamPass(benchmark::State& state) {
    for (auto _ : state) updateStreams(frameCounter);
}
void orCopy(benchmark::State& state) {
    for (auto _ : state)
        BitBlt(FrameLayer.dc, 0, 0, RenderSize.width, RenderSize.height, TrailLayer.dc, 0, 0, SRCPAINT);
}
void presentOnly(benchmark::State& state) {
    for (auto _ : state) present();
}

}  // namespace

int main(int argc, char** argv) {
    // One size per process run, since the layers are made once: the first argument picks it.
    int32_t width = 800, height = 500;
    bool fullScreen = false;
    if (argc > 1 && std::sscanf(argv[1], "--desktop=%dx%d", &width, &height) == 2) {
        fullScreen = true;
        argv[1] = argv[0];
        ++argv;
        --argc;
    }
    if (fullScreen) startSurfaces(width, height, uint16_t(width / 2), uint16_t(height / 2));
    else startSurfaces(800, 500, 800, 500);
    benchmark::RegisterBenchmark(fullScreen ? "frame_fullscreen" : "frame_800x500", frame)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("hatch_fill", hatchFill)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("fade_fill", fadeFill)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("stream_pass", streamPass)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("or_copy", orCopy)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("present", presentOnly)->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
