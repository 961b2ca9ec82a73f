#pragma once
// A zeroed 16 × 8 layer as the demo makes them (a top-down DIB section in a memory device
// context) with a GDI+ graphics context on it, GDI+ started for the test's length.
#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "platform/gdiplus/gdiplus.h"

class SmallLayer : public testing::Test {
protected:
    static constexpr int width = 16, height = 8;
    void SetUp() override {
        GdiplusStartupInput input;
        ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels = static_cast<uint32_t*>(bits);
        dc = CreateCompatibleDC(nullptr);
        previous = SelectObject(dc, bitmap);
        ASSERT_EQ(GdipCreateFromHDC(dc, &graphics), Ok);
    }
    void TearDown() override {
        GdipDeleteGraphics(graphics);
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
        GdiplusShutdown(token);
    }
    uint32_t at(int x, int y) const { return pixels[x + y * width]; }

    ULONG_PTR token = 0;
    HBITMAP bitmap = nullptr;
    uint32_t* pixels = nullptr;
    HDC dc = nullptr;
    HGDIOBJ previous = nullptr;
    GpGraphics* graphics = nullptr;
};
