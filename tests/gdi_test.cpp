#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/objects/object_table.h"
#include "platform/window/window.h"
#include "platform/window/window_offscreen.h"
#include "platform/window/window_pixels.h"
#include "render/render_surfaces.h"

namespace {

// A top-down 32-bit DIB section selected into its own memory device context.
struct TestBitmap {
    HBITMAP bitmap = nullptr;
    uint32_t* pixels = nullptr;
    HDC dc = nullptr;
    HGDIOBJ previous = nullptr;
    int width, height;

    TestBitmap(int w, int h) : width(w), height(h) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels = static_cast<uint32_t*>(bits);
        dc = CreateCompatibleDC(nullptr);
        previous = SelectObject(dc, bitmap);
    }
    ~TestBitmap() {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    uint32_t& at(int x, int y) { return pixels[x + y * width]; }
};

size_t misuseCount() { return liveObjectReport().misuse.size(); }

TEST(Gdi, NewDibSectionIsZeroAndTopDown) {
    TestBitmap b(683, 384);
    ASSERT_NE(b.pixels, nullptr);
    for (int i = 0; i < 683 * 384; ++i) ASSERT_EQ(b.pixels[i], 0u) << i;
    // Pixel (x, y) is the word at byte 4 × (x + 683 × y): a row is 2732 bytes, row 0 on top.
    auto* bytes = reinterpret_cast<uint8_t*>(b.pixels);
    uint32_t value = 0x11223344;
    std::memcpy(bytes + 4 * (5 + 683 * 7), &value, 4);
    TestBitmap copy(683, 384);
    ASSERT_TRUE(BitBlt(copy.dc, 0, 0, 683, 384, b.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(copy.at(5, 7), value);
}

TEST(Gdi, SrcPaintIsBitwiseOrOfAll32Bits) {
    struct Case {
        uint32_t dest, source, result;
    } cases[] = {{0x00380000, 0x00400000, 0x00780000},
                 {0x00380000, 0x00300000, 0x00380000},
                 {0xFF000000, 0x00000001, 0xFF000001},
                 {0x12345678, 0x00000000, 0x12345678}};
    TestBitmap dest(4, 1), source(4, 1);
    for (int i = 0; i < 4; ++i) dest.at(i, 0) = cases[i].dest, source.at(i, 0) = cases[i].source;
    ASSERT_TRUE(BitBlt(dest.dc, 0, 0, 4, 1, source.dc, 0, 0, SRCPAINT));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(dest.at(i, 0), cases[i].result) << i;
}

TEST(Gdi, BitBltClipsToBothBitmaps) {
    TestBitmap dest(4, 4), source(2, 2);
    for (int i = 0; i < 4; ++i) source.pixels[i] = 0xFF;
    // Asks for 4 × 4 at (1, 1): only the 2 × 2 source exists, and only 3 × 3 of the destination.
    ASSERT_TRUE(BitBlt(dest.dc, 1, 1, 4, 4, source.dc, 0, 0, SRCCOPY));
    int changed = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) changed += dest.at(x, y) != 0;
    EXPECT_EQ(changed, 4);
    EXPECT_EQ(dest.at(1, 1), 0xFFu);
    EXPECT_EQ(dest.at(2, 2), 0xFFu);
    EXPECT_FALSE(BitBlt(dest.dc, 0, 0, 1, 1, source.dc, 0, 0, 0x00660046 /* SRCINVERT */));
}

TEST(Gdi, StretchBltCopiesAndEnlarges) {
    TestBitmap source(3, 2);
    for (int i = 0; i < 6; ++i) source.pixels[i] = 0xFF000000u | uint32_t(i + 1);

    TestBitmap same(3, 2);
    ASSERT_TRUE(StretchBlt(same.dc, 0, 0, 3, 2, source.dc, 0, 0, 3, 2, SRCCOPY));
    EXPECT_EQ(std::memcmp(same.pixels, source.pixels, 6 * 4), 0);

    TestBitmap doubled(6, 4);
    ASSERT_TRUE(StretchBlt(doubled.dc, 0, 0, 6, 4, source.dc, 0, 0, 3, 2, SRCCOPY));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(doubled.at(x, y), source.at(x / 2, y / 2)) << x << "," << y;
}

// 682 → 1365: every source column is shown two or three times, exactly one of them three times,
// in order, with nothing skipped.
TEST(Gdi, StretchBltToAnOddSizeRepeatsOneLine) {
    TestBitmap source(682, 1);
    for (int x = 0; x < 682; ++x) source.at(x, 0) = uint32_t(x + 1);
    TestBitmap dest(1365, 1);
    ASSERT_TRUE(StretchBlt(dest.dc, 0, 0, 1365, 1, source.dc, 0, 0, 682, 1, SRCCOPY));
    std::vector<int> copies(682, 0);
    uint32_t previous = 1;
    for (int x = 0; x < 1365; ++x) {
        uint32_t v = dest.at(x, 0);
        ASSERT_GE(v, previous);
        ASSERT_LE(v, previous + 1);
        previous = v;
        ++copies[v - 1];
    }
    int threes = 0;
    for (int c : copies) {
        EXPECT_TRUE(c == 2 || c == 3);
        threes += c == 3;
    }
    EXPECT_EQ(threes, 1);
}

// Copies and ORs, stretched (exact doublings among them) or not, at random places partly off
// either surface, against a pixel-by-pixel reference of centre sampling and clipping.
TEST(Gdi, BlitsMatchAPerPixelReference) {
    std::mt19937 random(5);
    auto between = [&](int low, int high) { return low + int(random() % uint32_t(high - low + 1)); };
    TestBitmap source(23, 17);
    for (int trial = 0; trial < 600; ++trial) {
        for (int i = 0; i < 23 * 17; ++i) source.pixels[i] = uint32_t(random());
        TestBitmap dest(between(1, 60), between(1, 40));
        for (int i = 0; i < dest.width * dest.height; ++i) dest.pixels[i] = uint32_t(random());
        std::vector<uint32_t> expected(dest.pixels, dest.pixels + dest.width * dest.height);
        bool paint = trial % 2;
        int wSrc = between(1, 23), hSrc = between(1, 17);
        int xSrc = between(-3, 23 - wSrc + 3), ySrc = between(-3, 17 - hSrc + 3);
        int kind = trial % 3;  // the same size, doubled, any size
        int wDest = kind == 0 ? wSrc : kind == 1 ? 2 * wSrc : between(1, 50);
        int hDest = kind == 0 ? hSrc : kind == 1 ? 2 * hSrc : between(1, 40);
        int xDest = between(-10, dest.width), yDest = between(-10, dest.height);
        for (int y = std::max(0, yDest); y < std::min(dest.height, yDest + hDest); ++y)
            for (int x = std::max(0, xDest); x < std::min(dest.width, xDest + wDest); ++x) {
                int64_t sx = xSrc + (2 * int64_t(x - xDest) + 1) * wSrc / (2 * wDest);
                int64_t sy = ySrc + (2 * int64_t(y - yDest) + 1) * hSrc / (2 * hDest);
                if (sx < 0 || sy < 0 || sx >= 23 || sy >= 17) continue;
                uint32_t& pixel = expected[size_t(x + y * dest.width)];
                pixel = paint ? pixel | source.at(int(sx), int(sy)) : source.at(int(sx), int(sy));
            }
        DWORD rop = paint ? SRCPAINT : SRCCOPY;
        if (kind == 0) ASSERT_TRUE(BitBlt(dest.dc, xDest, yDest, wDest, hDest, source.dc, xSrc, ySrc, rop));
        else ASSERT_TRUE(StretchBlt(dest.dc, xDest, yDest, wDest, hDest, source.dc, xSrc, ySrc, wSrc, hSrc, rop));
        ASSERT_TRUE(std::equal(expected.begin(), expected.end(), dest.pixels))
            << "trial " << trial << ": " << wSrc << "x" << hSrc << "+" << xSrc << "+" << ySrc << " to " << wDest
            << "x" << hDest << "+" << xDest << "+" << yDest;
    }
}

TEST(Gdi, NullHandlesDoNothingAndAreNoMisuse) {
    size_t before = misuseCount();
    TestBitmap b(2, 2);
    RECT rect{0, 0, 2, 2};
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(SelectObject(nullptr, b.bitmap), nullptr);
    EXPECT_EQ(SelectObject(b.dc, nullptr), nullptr);
    EXPECT_FALSE(DeleteDC(nullptr));
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_EQ(ReleaseDC(nullptr, nullptr), 0);
    EXPECT_EQ(GetDC(nullptr), nullptr);
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    EXPECT_FALSE(BitBlt(nullptr, 0, 0, 2, 2, b.dc, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(b.dc, 0, 0, 2, 2, nullptr, 0, 0, SRCPAINT));
    EXPECT_FALSE(StretchBlt(nullptr, 0, 0, 4, 4, b.dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(DrawTextA(nullptr, "x", -1, &rect, DT_SINGLELINE), 0);
    EXPECT_EQ(SetTextColor(nullptr, 0), CLR_INVALID);
    EXPECT_EQ(SetBkMode(nullptr, TRANSPARENT), 0);
    ULONG_PTR token = 0;
    GdiplusStartupInput input;
    ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
    GpGraphics* graphics = reinterpret_cast<GpGraphics*>(1);
    EXPECT_NE(GdipCreateFromHDC(nullptr, &graphics), Ok);
    EXPECT_EQ(graphics, nullptr);
    EXPECT_NE(GdipDeleteGraphics(nullptr), Ok);
    EXPECT_NE(GdipFillRectangle(nullptr, nullptr, 0, 0, 1, 1), Ok);
    EXPECT_NE(GdipGraphicsClear(nullptr, 0), Ok);
    EXPECT_NE(GdipDeleteBrush(nullptr), Ok);
    GdiplusShutdown(token);
    EXPECT_EQ(misuseCount(), before);
}

TEST(Gdi, MisuseIsReported) {
    size_t before = misuseCount();
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc)) << "a dead handle does nothing";
    EXPECT_EQ(misuseCount(), before + 1);

    TestBitmap a(2, 2);
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(other, a.bitmap), nullptr) << "a bitmap is in one device context at a time";
    EXPECT_FALSE(DeleteObject(a.bitmap)) << "a selected bitmap cannot be deleted";
    HFONT font = CreateFontA(12, 0, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, 0, "Times New Roman");
    ASSERT_NE(font, nullptr);
    SelectObject(other, font);
    EXPECT_TRUE(DeleteDC(other));  // still holds the font
    EXPECT_TRUE(DeleteObject(font)) << "the font is free again once its device context is gone";
    std::vector<std::string> misuse = liveObjectReport().misuse;
    ASSERT_EQ(misuse.size(), before + 3);
    EXPECT_NE(misuse[before + 1].find("still selected"), std::string::npos) << misuse[before + 1];
    EXPECT_NE(misuse[before + 2].find("still holds a font"), std::string::npos) << misuse[before + 2];
}

// The label's text: light grey, anti-aliased, only inside its rectangle, fourth byte kept.
TEST(Gdi, DrawTextStaysInsideItsRectangle) {
    TestBitmap b(64, 24);
    for (int i = 0; i < 64 * 24; ++i) b.pixels[i] = 0x7F000000;
    HFONT font = CreateFontA(12, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Times New Roman");
    HGDIOBJ previous = SelectObject(b.dc, font);
    SetTextColor(b.dc, 0x00F8F8F8);
    SetBkMode(b.dc, TRANSPARENT);
    RECT rect{2, 2, 30, 15};
    EXPECT_GT(DrawTextA(b.dc, "123456789 fps", -1, &rect, DT_SINGLELINE), 0);
    int inside = 0, full = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 64; ++x) {
            uint32_t p = b.at(x, y);
            bool inRect = x >= 2 && x < 30 && y >= 2 && y < 15;
            EXPECT_EQ(p >> 24, 0x7Fu);
            uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, bl = p & 0xFF;
            EXPECT_TRUE(r == g && g == bl) << "grey text on black stays grey";
            EXPECT_LE(bl, 0xF8u) << "never brighter than the text colour";
            if (!inRect) {
                EXPECT_EQ(p & 0xFFFFFF, 0u) << x << "," << y;
            }
            inside += inRect && (p & 0xFFFFFF) != 0;
            full += bl >= 0xC0;
        }
    EXPECT_GT(inside, 20);
    EXPECT_GT(full, 5) << "the strokes are inked nearly to the text colour";

    std::vector<uint32_t> before(b.pixels, b.pixels + 64 * 24);
    DrawTextA(b.dc, "", -1, &rect, DT_SINGLELINE);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), b.pixels)) << "empty text draws nothing";
    SelectObject(b.dc, previous);
    DeleteObject(font);
}

// The render surfaces on a 1366 × 768 full-screen window: layers of 683 × 384 that present
// doubles onto the window.
TEST(RenderSurfaces, PresentDoublesTheFrameLayerOntoTheWindow) {
    offscreenConfigure(OffscreenScript{});
    ULONG_PTR token = 0;
    GdiplusStartupInput input;
    ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
    WindowSize = {1366, 768};
    RenderSize = {683, 384};
    ASSERT_TRUE(windowOpen(1366, 768, 32, 1, 0x8D, 0));
    createRenderSurfaces(windowNativeHandle());
    createLayer(PictureLayer);
    ASSERT_NE(TrailLayer.graphics, nullptr);
    ASSERT_NE(FrameLayer.graphics, nullptr);
    EXPECT_EQ(PictureLayer.graphics, nullptr);
    for (RenderLayer* layer : {&TrailLayer, &FrameLayer, &PictureLayer}) {
        ASSERT_NE(layer->pixels, nullptr);
        auto* words = static_cast<uint32_t*>(layer->pixels);
        EXPECT_TRUE(std::all_of(words, words + 683 * 384, [](uint32_t p) { return p == 0; }));
    }
    static_cast<uint32_t*>(FrameLayer.pixels)[100 + 683 * 200] = 0x00ABCDEF;
    present();
    Surface window;
    ASSERT_TRUE(lockWindowPixels(windowNativeHandle(), &window));
    for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) EXPECT_EQ(window.row(400 + dy)[200 + dx], 0x00ABCDEFu);
    EXPECT_EQ(window.row(402)[200], 0u);
    EXPECT_EQ(window.row(400)[202], 0u);

    size_t before = misuseCount();
    releaseLayer(TrailLayer);
    releaseLayer(FrameLayer);
    releaseLayer(PictureLayer);
    releaseWindowDc();
    GdiplusShutdown(token);
    EXPECT_EQ(misuseCount(), before);
}

}  // namespace
