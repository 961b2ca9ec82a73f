// Bitmaps decoded from PNG files read through a stream, with libspng. Anything that is not a PNG
// file libspng reads whole (truncated, corrupt, too large) gives a null bitmap and a failure.
#include <spng.h>

#include <cstring>
#include <vector>

#include "platform/gdiplus/gdiplus_internal.h"

namespace {

// Limits that keep a hostile file from making us read or allocate without bound: a picture is
// at most 16384 pixels on a side and 2^24 pixels (64 MiB as ARGB) in all.
constexpr SIZE_T maxFileBytes = SIZE_T(64) << 20;
constexpr uint32_t maxSide = 16384;
constexpr uint64_t maxPixels = uint64_t(1) << 24;
constexpr size_t maxChunkCache = size_t(8) << 20;

constexpr uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// The stream's bytes from its position to its end.
GpStatus readStream(IStream* stream, std::vector<uint8_t>& bytes) {
    constexpr ULONG chunk = 65536;
    for (;;) {
        size_t at = bytes.size();
        if (at > maxFileBytes) return OutOfMemory;
        bytes.resize(at + chunk);
        ULONG read = 0;
        HRESULT result = stream->Read(bytes.data() + at, chunk, &read);
        bytes.resize(at + read);
        if (result != S_OK && result != S_FALSE) return Win32Error;
        if (read < chunk) return bytes.size() > maxFileBytes ? OutOfMemory : Ok;
    }
}

struct SpngContext {
    spng_ctx* ctx = spng_ctx_new(0);
    ~SpngContext() { spng_ctx_free(ctx); }
};

// Decodes the file into a new straight ARGB bitmap.
GpStatus decodePng(const std::vector<uint8_t>& file, GpBitmap** bitmap) {
    if (file.size() < sizeof pngSignature || std::memcmp(file.data(), pngSignature, sizeof pngSignature) != 0)
        return UnknownImageFormat;
    SpngContext decoder;
    if (!decoder.ctx) return OutOfMemory;
    spng_ctx* ctx = decoder.ctx;
    spng_set_image_limits(ctx, maxSide, maxSide);
    spng_set_chunk_limits(ctx, file.size(), maxChunkCache);
    spng_ihdr header{};
    if (spng_set_png_buffer(ctx, file.data(), file.size()) || spng_get_ihdr(ctx, &header)) return InvalidParameter;
    if (uint64_t(header.width) * header.height > maxPixels) return OutOfMemory;
    size_t size = 0;
    if (spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size) || size != size_t(header.width) * header.height * 4)
        return InvalidParameter;
    std::vector<uint8_t> rgba;
    rgba.resize(size);
    // Colour-key transparency (tRNS) becomes alpha, as the bitmap's format has no other way to
    // keep it; 16-bit channels are cut to 8.
    if (spng_decode_image(ctx, rgba.data(), rgba.size(), SPNG_FMT_RGBA8, SPNG_DECODE_TRNS)) return InvalidParameter;

    GpBitmap* made = nullptr;
    GpStatus status = GdipCreateBitmapFromScan0(INT(header.width), INT(header.height), 0, PixelFormat32bppARGB,
                                                nullptr, &made);
    if (status != Ok) return status;
    auto* image = static_cast<Image*>(lookupObject(handleOf(made), ObjectKind::Image, "GdipCreateBitmapFromStream"));
    for (uint32_t y = 0; y < header.height; ++y) {
        uint32_t* out = image->surface.row(int32_t(y));
        const uint8_t* in = rgba.data() + size_t(y) * header.width * 4;
        for (uint32_t x = 0; x < header.width; ++x, in += 4)
            out[x] = uint32_t(in[3]) << 24 | uint32_t(in[0]) << 16 | uint32_t(in[1]) << 8 | in[2];
    }
    *bitmap = made;
    return Ok;
}

}  // namespace

GpStatus WINGDIPAPI GdipCreateBitmapFromStream(IStream* stream, GpBitmap** bitmap) {
    if (!bitmap) return InvalidParameter;
    *bitmap = nullptr;
    if (!gdiplusReady("GdipCreateBitmapFromStream")) return GdiplusNotInitialized;
    if (!stream) return InvalidParameter;
    std::vector<uint8_t> file;
    GpStatus status = readStream(stream, file);
    return status == Ok ? decodePng(file, bitmap) : status;
}
