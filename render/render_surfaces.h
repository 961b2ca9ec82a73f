#pragma once
// The three off-screen layers, the window's device context and the presentation of a frame.
#include <cstdint>

#include "platform/gdi/gdi.h"
#include "platform/gdiplus/gdiplus.h"

// Width and height of the off-screen layers.
struct LayerSize {
    uint16_t width;
    uint16_t height;
};

// Width and height of the window's client area, or of the full-screen mode.
struct ScreenSize {
    int32_t width;
    int32_t height;
};

// One off-screen layer: a top-down 32-bit DIB section of RenderSize, its memory device context
// and, for TrailLayer and FrameLayer, a GDI+ graphics context on that device context.
struct RenderLayer {
    HBITMAP dib;
    void* pixels;
    HDC dc;
    HGDIOBJ previousBitmap;
    GpGraphics* graphics;
};

extern LayerSize RenderSize;
extern ScreenSize WindowSize;
extern RenderLayer TrailLayer;
extern RenderLayer FrameLayer;
extern RenderLayer PictureLayer;
extern HDC windowDc;
extern BITMAPINFO layerBitmapInfo;

// The window's device context, TrailLayer and FrameLayer with their graphics contexts.
void createRenderSurfaces(HWND window);

// A layer without a graphics context (PictureLayer); needs createRenderSurfaces done.
void createLayer(RenderLayer& layer);

// Stretches FrameLayer onto the window at WindowSize.
void present();

void releaseLayer(RenderLayer& layer);
void releaseWindowDc();
