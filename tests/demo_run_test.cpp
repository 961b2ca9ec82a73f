// The whole demo, start-up to shutdown, headless: what it asks, opens and releases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "app/frame_loop.h"
#include "platform/gdiplus/gdiplus_testing.h"
#include "platform/window/window.h"
#include "render/render_surfaces.h"
#include "tests/support/demo_child.h"

namespace {

const char* const question = "MessageBoxA \"Run in fullscreen mode?\" \"Question\" 0x40024";

std::vector<std::string> journalOf(const DemoRun& run) {
    std::vector<std::string> lines;
    for (const std::string& line : run.lines)
        if (line.rfind("present", 0) != 0) lines.push_back(line);
    return lines;
}

// After each present: the clock, the loop's label text and the sizes.
void notePresent(const Surface& window, int64_t presents, void*) {
    char line[160];
    std::snprintf(line, sizeof line, "present %lld %.4f [%s] %dx%d %ux%u", static_cast<long long>(presents),
                  windowTimer(), fpsLabel.c_str(), window.width, window.height, RenderSize.width, RenderSize.height);
    childWrite(line);
}

struct Present {
    long long number;
    double time;
    std::string label;
    std::string windowSize, renderSize;
};

std::vector<Present> presentsOf(const DemoRun& run) {
    std::vector<Present> presents;
    for (const std::string& line : run.starting("present ")) {
        Present p;
        char label[32] = "", windowSize[32], renderSize[32];
        int consumed = 0;
        std::sscanf(line.c_str(), "present %lld %lf [%n", &p.number, &p.time, &consumed);
        size_t close = line.find(']', size_t(consumed));
        std::snprintf(label, sizeof label, "%s", line.substr(size_t(consumed), close - size_t(consumed)).c_str());
        std::sscanf(line.c_str() + close + 1, "%31s %31s", windowSize, renderSize);
        p.label = label;
        p.windowSize = windowSize;
        p.renderSize = renderSize;
        presents.push_back(p);
    }
    return presents;
}

TEST(DemoRun, WindowRunsAndShutsDownCleanly) {
    OffscreenScript script;
    script.messageBoxAnswers = {7};  // No
    script.keyAfterPresents = 3;
    script.onPresent = notePresent;
    DemoRun run = runDemoInChild(script);
    EXPECT_EQ(run.exitStatus, 0);
    std::vector<std::string> expected = {
        std::string(question) + " -> 7",
        "desktop size -> 1920x1080",
        "backend GDI",
        "open 800 500 32 1 0x84 0",
        "title \"The DELUGE v1.42 by QAX\"",
        "key after 3 presents",
        "mouse pointer -1 -1 1 -1",
        "end 0",
    };
    EXPECT_EQ(journalOf(run), expected);
    std::vector<Present> presents = presentsOf(run);
    ASSERT_EQ(presents.size(), 3u);
    EXPECT_EQ(presents[0].windowSize, "800x500");
    EXPECT_EQ(presents[0].renderSize, "800x500");
    EXPECT_EQ(run.liveObjects, "");
}

TEST(DemoRun, FullScreenHidesThePointerAndDrawsAtHalfSize) {
    struct Case {
        int32_t width, height;
        const char* renderSize;
    } cases[] = {{1920, 1080, "960x540"}, {1366, 768, "683x384"}, {1365, 767, "682x383"}};
    for (const Case& c : cases) {
        OffscreenScript script;
        script.messageBoxAnswers = {6};  // Yes
        script.desktopWidth = c.width;
        script.desktopHeight = c.height;
        script.onPresent = notePresent;
        DemoRun run = runDemoInChild(script);
        EXPECT_EQ(run.exitStatus, 0);
        char open[64], size[32];
        std::snprintf(open, sizeof open, "open %d %d 32 1 0x8D 0", c.width, c.height);
        std::snprintf(size, sizeof size, "%dx%d", c.width, c.height);
        std::vector<std::string> lines = journalOf(run);
        auto position = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line) - lines.begin(); };
        EXPECT_LT(position(open), position("mouse pointer -1 -1 0 -1"));
        EXPECT_LT(position("mouse pointer -1 -1 0 -1"), position("key after 1 presents"));
        EXPECT_LT(position("key after 1 presents"), position("mouse pointer -1 -1 1 -1"));
        EXPECT_EQ(lines.back(), "end 0");
        std::vector<Present> presents = presentsOf(run);
        ASSERT_EQ(presents.size(), 1u);
        EXPECT_EQ(presents[0].windowSize, size);
        EXPECT_EQ(presents[0].renderSize, c.renderSize);
        EXPECT_EQ(run.liveObjects, "");
    }
}

// The close box is a key like any other; a key waiting before the loop ends it after one frame.
TEST(DemoRun, CloseBoxOrWaitingKeyEndsAfterTheFrame) {
    for (bool closeBox : {true, false}) {
        OffscreenScript script;
        script.keyIsCloseBox = closeBox;
        script.keyAfterPresents = closeBox ? 1 : 0;
        DemoRun run = runDemoInChild(script);
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_TRUE(run.has("key after 1 presents")) << closeBox;
        EXPECT_EQ(run.liveObjects, "");
    }
}

TEST(DemoRun, WithoutGdiplusOnlyTheQuestionIsSeen) {
    OffscreenScript script;
    script.messageBoxAnswers = {6};
    DemoRun run = runDemoInChild(script, [] { gdiplusRefuseStartup(true); });
    EXPECT_EQ(run.exitStatus, 0);
    std::vector<std::string> expected = {std::string(question) + " -> 6", "desktop size -> 1920x1080", "end 0"};
    EXPECT_EQ(journalOf(run), expected);
}

// No label until more than 0.99 s have passed, then "01 fps" for about a second, then the
// frames of the first full second.
TEST(DemoRun, LabelTimeline) {
    OffscreenScript script;
    script.keyAfterPresents = 100;
    script.onPresent = notePresent;
    DemoRun run = runDemoInChild(script);
    EXPECT_EQ(run.exitStatus, 0);
    std::vector<Present> presents = presentsOf(run);
    ASSERT_EQ(presents.size(), 100u);
    double start = presents[0].time;  // the first frame takes no simulated time
    size_t first01 = 0, first30 = 0;
    for (size_t i = 0; i < presents.size(); ++i) {
        const Present& p = presents[i];
        if (p.label.empty()) {
            EXPECT_LE(p.time - start, 0.99 + 0.034) << "frame " << p.number;
        }
        if (p.label == "01 fps" && !first01) first01 = i;
        if (p.label != "01 fps" && !p.label.empty() && !first30) first30 = i;
    }
    ASSERT_GT(first01, 0u);
    ASSERT_GT(first30, first01);
    EXPECT_GT(presents[first01].time - start, 0.99);
    EXPECT_NEAR(presents[first30].time - presents[first01].time, 1.0, 0.05);
    EXPECT_TRUE(presents[first30].label == "30 fps" || presents[first30].label == "29 fps" ||
                presents[first30].label == "31 fps")
        << presents[first30].label;
}

// The same run twice gives the same frames: the random source is never reseeded.
TEST(DemoRun, RunsAreIdenticalFrameForFrame) {
    auto hashFrames = [](const Surface& window, int64_t presents, void*) {
        uint64_t hash = 1469598103934665603ull;
        for (int32_t y = 0; y < window.height; ++y)
            for (int32_t x = 0; x < window.width; ++x) hash = (hash ^ window.row(y)[x]) * 1099511628211ull;
        childWrite("present " + std::to_string(presents) + " " + std::to_string(hash));
    };
    OffscreenScript script;
    script.keyAfterPresents = 60;
    script.onPresent = hashFrames;
    DemoRun first = runDemoInChild(script);
    DemoRun second = runDemoInChild(script);
    ASSERT_EQ(first.starting("present ").size(), 60u);
    EXPECT_EQ(first.starting("present "), second.starting("present "));
}

}  // namespace
