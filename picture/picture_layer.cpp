#include "picture/picture_layer.h"

#include <cstring>
#include <string>

#include "picture/base91.h"
#include "picture/picture_block.h"
#include "platform/win32/com_stream.h"
#include "platform/win32/win32.h"
#include "render/render_surfaces.h"

namespace {

// Red, green and blue pass unchanged; alpha is scaled by pictureAlphaScale.
ColorMatrix pictureColorTransform{};

void fillPictureColorTransform() {
    pictureColorTransform = ColorMatrix{};
    const REAL diagonal[5] = {1, 1, 1, pictureAlphaScale, 1};
    for (int i = 0; i < 5; ++i) pictureColorTransform.m[i][i] = diagonal[i];
}

}  // namespace

void buildPictureLayer() { buildPictureLayerFrom(loadEmbeddedPicture()); }

void buildPictureLayerFrom(GpImage* picture) {
    fillPictureColorTransform();
    GpImageAttributes* attributes = nullptr;
    GdipCreateImageAttributes(&attributes);
    GdipSetImageAttributesColorMatrix(attributes, ColorAdjustTypeDefault, TRUE, &pictureColorTransform, nullptr,
                                      ColorMatrixFlagsDefault);
    createLayer(PictureLayer);

    REAL width = 0, height = 0;
    GdipGetImageDimension(picture, &width, &height);
    // A negative top moves a shorter picture down onto the layer's bottom edge.
    REAL pictureTop = height - static_cast<REAL>(RenderSize.height);
    if (!(pictureTop < 0)) pictureTop = 0;

    // No quality settings: an unscaled draw at a whole position copies the picture's pixels.
    GpGraphics* graphics = nullptr;
    GdipCreateFromHDC(PictureLayer.dc, &graphics);
    const REAL layerWidth = RenderSize.width, layerHeight = RenderSize.height;
    GdipDrawImageRectRect(graphics, picture, 0, 0, layerWidth, layerHeight, 0, pictureTop, layerWidth, layerHeight,
                          UnitPixel, attributes, nullptr, nullptr);
    GdipDeleteGraphics(graphics);
    GdipDisposeImage(picture);
    GdipDisposeImageAttributes(attributes);
}

GpImage* loadEmbeddedPicture() {
    std::string pictureText = readPictureText();
    int32_t length = 0;
    const uint8_t* bytes = decodeBase91(pictureText, length);
    return imageFromMemory(bytes, length);
}

GpImage* imageFromMemory(const uint8_t* bytes, int32_t length) {
    // No bytes, or a block that cannot be made or locked, would leave nothing to copy into.
    if (!bytes || length <= 0) return nullptr;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(length));
    void* locked = GlobalLock(memory);
    if (!locked) {
        if (memory) GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(locked, bytes, static_cast<size_t>(length));
    GlobalUnlock(memory);

    // The stream does not own the block: the block stays for the rest of the run.
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(memory, FALSE, &stream);
    GpBitmap* image = nullptr;
    GdipCreateBitmapFromStream(stream, &image);
    if (stream) stream->Release();
    return image;
}
