// The embedded picture in whole headless runs: PictureLayer after start-up, in a window and in
// full screen, and with a block that holds no picture.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "picture/picture_block.h"
#include "render/render_surfaces.h"
#include "tests/support/demo_child.h"
#include "tests/support/picture_files.h"

namespace {

// The lit pixels of one layer row as runs "x0-x1 x2-x3 …" (x1 exclusive).
using LitRows = std::map<int, std::string>;

std::string runsOf(const std::vector<bool>& lit) {
    std::string runs;
    for (size_t x = 0; x < lit.size();) {
        if (!lit[x]) {
            ++x;
            continue;
        }
        size_t end = x;
        while (end < lit.size() && lit[end]) ++end;
        if (!runs.empty()) runs += ' ';
        runs.append(std::to_string(x)).append("-").append(std::to_string(end));
        x = end;
    }
    return runs;
}

// After the first frame, from inside the run: the layer's size and its lit rows.
void notePictureLayer(const Surface&, int64_t presents, void*) {
    if (presents != 1) return;
    const auto* pixels = static_cast<const uint32_t*>(PictureLayer.pixels);
    childWrite("layer " + std::to_string(RenderSize.width) + "x" + std::to_string(RenderSize.height));
    for (int y = 0; pixels && y < RenderSize.height; ++y) {
        std::vector<bool> lit(RenderSize.width);
        for (int x = 0; x < RenderSize.width; ++x) lit[size_t(x)] = pixels[x + y * RenderSize.width] != 0;
        std::string runs = runsOf(lit);
        if (!runs.empty()) childWrite("lit " + std::to_string(y) + ": " + runs);
    }
}

LitRows litRowsOf(const DemoRun& run) {
    LitRows rows;
    for (const std::string& line : run.starting("lit ")) {
        int y = std::stoi(line.substr(4));
        rows[y] = line.substr(line.find(": ") + 2);
    }
    return rows;
}

// Where the committed picture should light a layer of the given size: pixels whose alpha is 76
// or more (alpha × 0.0133333 reaches 1), left-aligned, on the bottom edge of a taller layer.
LitRows expectedRows(int layerWidth, int layerHeight) {
    uint32_t width = 0, height = 0;
    std::vector<RgbaPixel> picture = decodePngDirectly(readFileBytes(committedPicturePath()), &width, &height);
    EXPECT_FALSE(picture.empty());
    int shiftDown = std::max(0, layerHeight - int(height));
    LitRows rows;
    for (int y = 0; y < layerHeight; ++y) {
        int py = y - shiftDown;
        if (py < 0 || py >= int(height)) continue;
        std::vector<bool> lit(static_cast<size_t>(layerWidth));
        for (int x = 0; x < layerWidth && x < int(width); ++x)
            lit[size_t(x)] = picture[size_t(py) * width + size_t(x)].alpha >= 76;
        std::string runs = runsOf(lit);
        if (!runs.empty()) rows[y] = runs;
    }
    return rows;
}

TEST(PictureRun, LayerIsLitWhereThePictureIs) {
    struct Case {
        int answer;  // 7: a window, 6: full screen on a 1920 × 1080 desktop
        int layerWidth, layerHeight;
    } cases[] = {{7, 800, 500}, {6, 960, 540}};
    for (const Case& c : cases) {
        OffscreenScript script;
        script.messageBoxAnswers = {c.answer};
        script.onPresent = notePictureLayer;
        DemoRun run = runDemoInChild(script);
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_TRUE(run.has("layer " + std::to_string(c.layerWidth) + "x" + std::to_string(c.layerHeight)));
        LitRows lit = litRowsOf(run), expected = expectedRows(c.layerWidth, c.layerHeight);
        EXPECT_GT(expected.size(), 300u);
        EXPECT_EQ(lit.size(), expected.size());
        int wrongRows = 0;
        for (const auto& [y, runs] : expected)
            if (lit[y] != runs && wrongRows++ < 3)
                ADD_FAILURE() << "row " << y << ": " << lit[y] << " instead of " << runs;
        EXPECT_EQ(wrongRows, 0) << c.layerWidth << "x" << c.layerHeight;
        EXPECT_EQ(run.liveObjects, "");
    }
}

// A block whose text is not a picture: no image, a layer of zeros, and the run goes on and ends
// cleanly.
TEST(PictureRun, BlockWithoutAPictureLeavesTheLayerZero) {
    OffscreenScript script;
    script.keyAfterPresents = 3;
    script.onPresent = notePictureLayer;
    DemoRun run = runDemoInChild(script, [] {
        static const char* const records[] = {"2", "0", "5", "12", "Base91", "HelloWorld", "!!"};
        PictureBlock = DataBlock{records, 7, 0};
    });
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_TRUE(run.has("layer 800x500"));
    EXPECT_TRUE(run.starting("lit ").empty());
    EXPECT_TRUE(run.has("key after 3 presents"));
    EXPECT_EQ(run.liveObjects, "");
}

}  // namespace
