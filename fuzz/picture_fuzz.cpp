// The picture path on any bytes: the bytes in a global memory block, a stream on it, a bitmap
// from GdipCreateBitmapFromStream and that bitmap drawn into PictureLayer as at start-up. Each
// input must leave only a bitmap of a sane size or none, a layer that is 0 wherever the picture
// does not reach, and nothing alive in the object table.
#include <cstring>

#include "fuzz/fuzz_check.h"
#include "fuzz/object_table_check.h"
#include "fuzz/process_setup.h"
#include "picture/picture_layer.h"
#include "platform/win32/com_stream.h"
#include "platform/win32/win32.h"
#include "render/render_surfaces.h"

namespace {

// Small, so that each draw is quick; not a multiple of anything a picture is likely to be.
constexpr LayerSize layerSize = {61, 37};
ObjectTableBaseline objects;

// As imageFromMemory, except that the stream owns its block: the demo keeps its one block until
// it ends, but a block kept for every input would fill the fuzzer's memory.
GpBitmap* bitmapFromBytes(const uint8_t* data, size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    fuzzCheck(memory != nullptr, "a global memory block is made");
    if (size > 0) {
        std::memcpy(GlobalLock(memory), data, size);
        GlobalUnlock(memory);
    }
    IStream* stream = nullptr;
    fuzzCheck(CreateStreamOnHGlobal(memory, TRUE, &stream) == S_OK, "a stream is made on the block");
    GpBitmap* bitmap = nullptr;
    GpStatus status = GdipCreateBitmapFromStream(stream, &bitmap);
    fuzzCheck((status == Ok) == (bitmap != nullptr), "a bitmap exactly when the call succeeds");
    fuzzCheck(stream->Release() == 0, "the stream is released");
    return bitmap;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ProcessSetup setup;
    ULONG_PTR token = 0;
    GdiplusStartupInput input;
    fuzzCheck(GdiplusStartup(&token, &input, nullptr) == Ok, "GDI+ starts");
    RenderSize = layerSize;
    createRenderSurfaces(nullptr);
    objects.take();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    GpBitmap* bitmap = bitmapFromBytes(data, size);
    REAL width = 0, height = 0;
    if (bitmap) {
        fuzzCheck(GdipGetImageDimension(bitmap, &width, &height) == Ok, "a bitmap has a size");
        fuzzCheck(width >= 1 && height >= 1 && width <= 16384 && height <= 16384 && width * height <= 16777216,
                  "a bitmap's size is within the decoder's limits");
    }

    buildPictureLayerFrom(bitmap);
    // Left-aligned and on the bottom edge: the columns right of the picture and the rows above a
    // shorter one stay 0.
    const auto* pixels = static_cast<const uint32_t*>(PictureLayer.pixels);
    fuzzCheck(pixels != nullptr, "the layer is made");
    const int firstRow = height < layerSize.height ? layerSize.height - int(height) : 0;
    for (int y = 0; y < layerSize.height; ++y)
        for (int x = 0; x < layerSize.width; ++x)
            if (y < firstRow || x >= int(width)) fuzzCheck(pixels[x + y * layerSize.width] == 0, "uncovered pixels stay 0");
    releaseLayer(PictureLayer);

    objects.checkUnchanged();
    return 0;
}
