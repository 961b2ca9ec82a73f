#include <gtest/gtest.h>

#include "app/display_mode.h"
#include "platform/window/window.h"

TEST(DisplayMode, SizesAndFlags) {
    struct Case {
        bool fullScreen;
        int32_t desktopWidth, desktopHeight;
        int32_t windowWidth, windowHeight;
        uint16_t renderWidth, renderHeight;
        uint32_t flags;
    } cases[] = {
        {false, 1920, 1080, 800, 500, 800, 500, 0x00},  // a window ignores the desktop
        {true, 1920, 1080, 1920, 1080, 960, 540, 0x09},
        {true, 1366, 768, 1366, 768, 683, 384, 0x09},
        {true, 1365, 767, 1365, 767, 682, 383, 0x09},  // odd sizes lose the half pixel
        {true, 3840, 2160, 3840, 2160, 1920, 1080, 0x09},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fullScreen << " " << c.desktopWidth << "x" << c.desktopHeight);
        DisplayMode mode = chooseDisplayMode(c.fullScreen, c.desktopWidth, c.desktopHeight);
        EXPECT_EQ(mode.window.width, c.windowWidth);
        EXPECT_EQ(mode.window.height, c.windowHeight);
        EXPECT_EQ(mode.render.width, c.renderWidth);
        EXPECT_EQ(mode.render.height, c.renderHeight);
        EXPECT_EQ(mode.modeFlags, c.flags);
    }
}

TEST(NumberFormat, TwoDigitMask) {
    struct Case {
        double value;
        const char* text;
    } cases[] = {{0, "00"}, {7, "07"}, {30, "30"}, {99, "99"}, {123, "123"}, {65535, "65535"}};
    for (const Case& c : cases) {
        char out[16];
        windowFormatNumber(out, sizeof out, c.value, "0#");
        EXPECT_STREQ(out, c.text) << c.value;
    }
    char small[3];
    windowFormatNumber(small, sizeof small, 123, "0#");
    EXPECT_STREQ(small, "12") << "the output is cut to its buffer";
}
