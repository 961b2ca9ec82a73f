#include "render/render_surfaces.h"

LayerSize RenderSize{};
ScreenSize WindowSize{};
RenderLayer TrailLayer{};
RenderLayer FrameLayer{};
RenderLayer PictureLayer{};
HDC windowDc = nullptr;
BITMAPINFO layerBitmapInfo{};

namespace {

HWND surfaceWindow = nullptr;  // the window whose device context windowDc is

void fillLayerBitmapInfo() {
    layerBitmapInfo = BITMAPINFO{};
    BITMAPINFOHEADER& header = layerBitmapInfo.bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = RenderSize.width;
    header.biHeight = -static_cast<LONG>(RenderSize.height);  // negative: rows run from the top down
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
}

void createLayerBitmap(RenderLayer& layer) {
    layer.dib = CreateDIBSection(windowDc, &layerBitmapInfo, DIB_RGB_COLORS, &layer.pixels, nullptr, 0);
    layer.dc = CreateCompatibleDC(windowDc);
}

// Anti-aliased edges, pixel centres at half-integer coordinates, anti-aliased text.
void setQuality(GpGraphics* graphics) {
    GdipSetSmoothingMode(graphics, SmoothingModeAntiAlias);
    GdipSetPixelOffsetMode(graphics, PixelOffsetModeHalf);
    GdipSetTextRenderingHint(graphics, TextRenderingHintAntiAlias);
}

}  // namespace

void createRenderSurfaces(HWND window) {
    surfaceWindow = window;
    windowDc = GetDC(window);
    fillLayerBitmapInfo();
    createLayerBitmap(TrailLayer);
    createLayerBitmap(FrameLayer);
    TrailLayer.previousBitmap = SelectObject(TrailLayer.dc, TrailLayer.dib);
    FrameLayer.previousBitmap = SelectObject(FrameLayer.dc, FrameLayer.dib);
    GdipCreateFromHDC(TrailLayer.dc, &TrailLayer.graphics);
    GdipCreateFromHDC(FrameLayer.dc, &FrameLayer.graphics);
    setQuality(TrailLayer.graphics);
    setQuality(FrameLayer.graphics);
}

void createLayer(RenderLayer& layer) {
    createLayerBitmap(layer);
    layer.previousBitmap = SelectObject(layer.dc, layer.dib);
    layer.graphics = nullptr;
}

void present() {
    StretchBlt(windowDc, 0, 0, WindowSize.width, WindowSize.height, FrameLayer.dc, 0, 0, RenderSize.width,
               RenderSize.height, SRCCOPY);
}

void releaseLayer(RenderLayer& layer) {
    if (layer.graphics) GdipDeleteGraphics(layer.graphics);
    SelectObject(layer.dc, layer.previousBitmap);
    DeleteDC(layer.dc);
    DeleteObject(layer.dib);
    layer = RenderLayer{};
}

void releaseWindowDc() {
    ReleaseDC(surfaceWindow, windowDc);
    windowDc = nullptr;
}
