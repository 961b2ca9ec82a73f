#pragma once
// The rain's surroundings without the frame loop: GDI+ started, an offscreen 800 × 500 window,
// the three layers, the glyph resources and the atlas. Everything is released again after the
// test, and the live-object report must not have grown.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/gdiplus/gdiplus.h"
#include "platform/objects/object_table.h"
#include "platform/window/window.h"
#include "platform/window/window_offscreen.h"
#include "render/frame_composition.h"
#include "render/glyph_atlas.h"
#include "render/rain_streams.h"
#include "render/render_surfaces.h"

class RenderFixture : public testing::Test {
protected:
    void SetUp() override {
        offscreenConfigure(OffscreenScript{});
        GdiplusStartupInput input;
        ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
        WindowSize = {800, 500};
        RenderSize = {800, 500};
        ASSERT_TRUE(windowOpen(800, 500, 32, 1, 0x84, 0));
        initGlyphMetrics();
        initGlyphRectangles();
        createRenderSurfaces(windowNativeHandle());
        createGlyphResources();
        createLayer(PictureLayer);
        clearTrailLayer();
        buildGlyphAtlas();
        initFrameCounter();
        misuseBefore = liveObjectReport().misuse.size();
    }
    void TearDown() override {
        freeStreamTable();
        releaseLayer(TrailLayer);
        releaseLayer(FrameLayer);
        releaseLayer(PictureLayer);
        releaseWindowDc();
        releaseGlyphAtlas();
        freeGlyphTables();
        GdiplusShutdown(token);
        LiveObjectReport report = liveObjectReport();
        EXPECT_EQ(report.misuse.size(), misuseBefore) << formatLiveObjectReport(report);
        EXPECT_TRUE(report.live.empty()) << formatLiveObjectReport(report);
    }

    static uint32_t* pixelsOf(const RenderLayer& layer) { return static_cast<uint32_t*>(layer.pixels); }
    static uint32_t& pixel(const RenderLayer& layer, int x, int y) { return pixelsOf(layer)[x + y * 800]; }
    static std::vector<uint32_t> copyOf(const RenderLayer& layer) {
        return std::vector<uint32_t>(pixelsOf(layer), pixelsOf(layer) + 800 * 500);
    }
    static void fillLayer(const RenderLayer& layer, uint32_t value) { std::fill_n(pixelsOf(layer), 800 * 500, value); }

    ULONG_PTR token = 0;
    size_t misuseBefore = 0;
};
