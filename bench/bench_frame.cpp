// The frame's work as the loop does it (composition, label, present) into an offscreen window,
// the same frame drawn with cairo, the memory traffic the frame cannot avoid, and the glyph
// atlas build. One render size per process: the layers are made once, at start-up.
//
//   deluge_bench [--desktop=WxH] [--png=DIR] [benchmark flags]
//
// Without --desktop the window of 800 × 500; with it, full screen on a desktop of that size
// (drawn at half size and doubled). --png writes our frame and cairo's as PNG files into DIR.
// At the end one "name: value" line per figure, from the medians when there are repetitions.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "bench/cairo_frame.h"
#include "bench/frame_draws.h"
#include "picture/picture_layer.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/window/window.h"
#include "platform/window/window_offscreen.h"
#include "render/frame_composition.h"
#include "render/glyph_atlas.h"
#include "render/rain_streams.h"
#include "render/render_surfaces.h"

namespace {

RECT labelRect{2, 2, 30, 15};
constexpr int warmUpFrames = 800;  // past the highlight gate, into the first pulse
constexpr int recordedFrames = 64;  // the draw lists cairo cycles through
// The pulse is on from count 1000 to 2000; the frame benchmark keeps the count inside that span.
constexpr int32_t pulseSpanEnd = 1999, pulseSpanStart = 1001;

Surface windowPixels{};  // the offscreen client area, as the last present left it
std::vector<FrameDraws> recorded;
double atlasFirstMs = 0;

void keepWindowPixels(const Surface& clientArea, int64_t, void*) { windowPixels = clientArea; }

void ourFrame() {
    composeFrame();
    DrawTextA(FrameLayer.dc, fpsLabel.c_str(), -1, &labelRect, DT_SINGLELINE);
    present();
}

// The demo's start-up on the offscreen back-end, without the music and the question.
void startSurfaces(int32_t windowWidth, int32_t windowHeight, uint16_t renderWidth, uint16_t renderHeight) {
    OffscreenScript script;
    script.onPresent = keepWindowPixels;
    offscreenConfigure(script);
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
    buildPictureLayer();
    initStreams();
    clearTrailLayer();
    auto start = std::chrono::steady_clock::now();
    buildGlyphAtlas();
    atlasFirstMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    initFrameCounter();
    fpsLabel = "30 fps";
}

// Runs our frames into the steady state with cairo drawing the same draws beside them, then
// records the draw lists of the next frames. False if a frame's draws could not be worked out.
bool warmUpBoth() {
    for (int frame = 0; frame < warmUpFrames + recordedFrames; ++frame) {
        StreamState before = captureStreamState();
        ourFrame();
        FrameDraws draws;
        if (!drawsSince(before, &draws)) return false;
        drawCairoFrame(draws);
        if (frame >= warmUpFrames) recorded.push_back(std::move(draws));
    }
    return true;
}

bool writePngs(const std::string& folder, const std::string& size) {
    cairo_surface_t* ours = cairo_image_surface_create(CAIRO_FORMAT_RGB24, windowPixels.width, windowPixels.height);
    cairo_surface_flush(ours);
    unsigned char* data = cairo_image_surface_get_data(ours);
    int stride = cairo_image_surface_get_stride(ours);
    for (int32_t y = 0; y < windowPixels.height; ++y)
        std::memcpy(data + size_t(y) * size_t(stride), windowPixels.row(y), size_t(windowPixels.width) * 4);
    cairo_surface_mark_dirty(ours);
    auto write = [&](cairo_surface_t* surface, const char* name) {
        std::string path = folder + "/" + name + "-" + size + ".png";
        return cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    };
    bool written = write(ours, "ours") && write(cairoWindow(), "cairo");
    cairo_surface_destroy(ours);
    return written;
}

void frame(benchmark::State& state) {
    for (auto _ : state) {
        ourFrame();
        if (frameCounter >= pulseSpanEnd) frameCounter = pulseSpanStart;
    }
}

void cairoFrame(benchmark::State& state) {
    size_t next = 0;
    for (auto _ : state) {
        drawCairoFrame(recorded[next]);
        next = (next + 1) % recorded.size();
    }
}

// The bytes a frame has to move, with nothing computed: the hatch writes FrameLayer, the fade
// reads and writes TrailLayer, the glyph draws read and write their cells, each OR copy reads
// two layers and writes one, and the present reads FrameLayer and writes the window.
struct MemoryFloor {
    size_t layerBytes = 0, windowBytes = 0, glyphBytes = 0;
    std::vector<uint8_t> frame, trail, picture, window, glyphsFrom, glyphsTo;
};
MemoryFloor floorBuffers;

void prepareFloor() {
    MemoryFloor& f = floorBuffers;
    f.layerBytes = size_t(RenderSize.width) * RenderSize.height * 4;
    f.windowBytes = size_t(WindowSize.width) * size_t(WindowSize.height) * 4;
    size_t draws = 0;
    for (const FrameDraws& d : recorded) draws += d.draws.size();
    f.glyphBytes = draws / recorded.size() * cellWidth * cellHeight * 4;
    // All zero, so that a search for a non-zero byte reads a whole layer.
    for (auto* buffer : {&f.frame, &f.trail, &f.picture}) buffer->assign(f.layerBytes, 0);
    f.window.assign(f.windowBytes, 0);
    f.glyphsFrom.assign(f.glyphBytes, 0);
    f.glyphsTo.assign(f.glyphBytes, 0);
}

// dest |= source moves at least this: one read of dest, then a copy of source onto it.
void orFloor(std::vector<uint8_t>& dest, const std::vector<uint8_t>& source) {
    benchmark::DoNotOptimize(std::memchr(dest.data(), 1, dest.size()));
    std::memcpy(dest.data(), source.data(), dest.size());
}

void memoryFloor(benchmark::State& state) {
    MemoryFloor& f = floorBuffers;
    for (auto _ : state) {
        std::memset(f.frame.data(), 0, f.layerBytes);
        std::memcpy(f.trail.data(), f.picture.data(), f.layerBytes);  // one read and one write of a layer
        std::memcpy(f.glyphsTo.data(), f.glyphsFrom.data(), f.glyphBytes);
        orFloor(f.trail, f.picture);
        orFloor(f.frame, f.trail);
        std::memcpy(f.window.data(), f.frame.data(), f.layerBytes);
        std::memset(f.window.data() + f.layerBytes, 0, f.windowBytes - f.layerBytes);
        benchmark::ClobberMemory();
    }
}

// A fresh atlas each time; the old bitmaps are disposed of outside the timing.
void glyphAtlasBuild(benchmark::State& state) {
    for (auto _ : state) {
        buildGlyphAtlas();
        state.PauseTiming();
        for (uint16_t glyph = 0; glyph <= glyphCount; ++glyph)
            for (unsigned variant = 0; variant < glyphVariantCount; ++variant)
                GdipDisposeImage(glyphBitmap(glyph, GlyphVariant(variant)));
        state.ResumeTiming();
    }
}

// The parts of our frame, to see where its time goes.
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

struct Part {
    const char* name;
    void (*function)(benchmark::State&);
};
const Part frameParts[] = {
    {"hatch_fill", hatchFill}, {"fade_fill", fadeFill}, {"stream_pass", streamPass},
    {"or_copy", orCopy},       {"present", presentOnly},
};

// The console report, without colours so that it reads well in a log, keeping each
// benchmark's median CPU time in milliseconds (or its only run's, without repetitions).
class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    SummaryReporter() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, double> milliseconds;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            double ms = run.GetAdjustedCPUTime() * 1000.0 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") milliseconds[name] = ms;
            else if (run.run_type == Run::RT_Iteration && !medianSeen(name)) milliseconds[name] = ms;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") medians[name] = true;
        }
    }

  private:
    std::map<std::string, bool> medians;
    bool medianSeen(const std::string& name) const { return medians.count(name) != 0; }
};

// The figures of the benchmarks that ran, and the ratios between them.
void printSummary(const SummaryReporter& reporter, const std::string& size) {
    auto figure = [&](const std::string& name) {
        auto found = reporter.milliseconds.find(name);
        return found == reporter.milliseconds.end() ? 0.0 : found->second;
    };
    auto print = [](const std::string& name, double value, int decimals) {
        if (value > 0) std::printf("%s: %.*f\n", name.c_str(), decimals, value);
    };
    double ours = figure("frame_" + size), cairo = figure("cairo_frame_" + size);
    double floor = figure("memory_floor_" + size);
    print("frame_" + size + "_ms", ours, 4);
    print("cairo_" + size + "_ms", cairo, 4);
    print("floor_" + size + "_ms", floor, 4);
    if (cairo > 0) print("vs_cairo_" + size, ours / cairo, 3);
    if (floor > 0) print("vs_floor_" + size, ours / floor, 3);
    for (const Part& part : frameParts) {
        std::string name = part.name + ("_" + size);
        print(name + "_ms", figure(name), 4);
    }
    print("atlas_ms", figure("glyph_atlas"), 3);
    print("atlas_first_ms", atlasFirstMs, 3);
}

// Takes --name=VALUE out of the arguments, leaving the rest for the benchmark library.
bool takeOption(int& argc, char** argv, const char* name, std::string* value) {
    size_t length = std::strlen(name);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], name, length) != 0 || argv[i][length] != '=') continue;
        *value = argv[i] + length + 1;
        for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
        --argc;
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    int32_t width = 800, height = 500;
    std::string desktop, pngFolder;
    bool fullScreen = takeOption(argc, argv, "--desktop", &desktop);
    char tail = 0;
    if (fullScreen && (std::sscanf(desktop.c_str(), "%dx%d%c", &width, &height, &tail) != 2 || width < 2 ||
                       height < 2 || width > 16384 || height > 16384)) {
        std::fprintf(stderr, "deluge_bench: --desktop=WxH, not %s\n", desktop.c_str());
        return 2;
    }
    takeOption(argc, argv, "--png", &pngFolder);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

    if (fullScreen) startSurfaces(width, height, uint16_t(width / 2), uint16_t(height / 2));
    else startSurfaces(800, 500, 800, 500);
    if (!createCairoFrame()) {
        std::fputs("deluge_bench: cairo could not make its surfaces\n", stderr);
        return 1;
    }
    if (!warmUpBoth()) {
        std::fputs("deluge_bench: a frame's glyph draws do not follow from its streams\n", stderr);
        return 1;
    }
    std::string size = std::to_string(RenderSize.width) + "x" + std::to_string(RenderSize.height);
    if (!pngFolder.empty() && !writePngs(pngFolder, size)) {
        std::fprintf(stderr, "deluge_bench: cannot write PNG files into %s\n", pngFolder.c_str());
        return 1;
    }
    prepareFloor();

    auto add = [](const std::string& name, void (*function)(benchmark::State&)) {
        benchmark::RegisterBenchmark(name.c_str(), function)->Unit(benchmark::kMicrosecond);
    };
    add("frame_" + size, frame);
    add("cairo_frame_" + size, cairoFrame);
    add("memory_floor_" + size, memoryFloor);
    for (const Part& part : frameParts) add(part.name + ("_" + size), part.function);
    add("glyph_atlas", glyphAtlasBuild);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printSummary(reporter, size);
    releaseCairoFrame();
}
