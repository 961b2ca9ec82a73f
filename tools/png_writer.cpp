#include "tools/png_writer.h"

#include <spng.h>

#include <cstdlib>

std::vector<uint8_t> encodePng(const std::vector<RgbaPixel>& pixels, uint32_t width, uint32_t height) {
    std::vector<uint8_t> file;
    if (pixels.size() != size_t(width) * height) return file;
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    if (!ctx) return file;
    spng_ihdr header{};
    header.width = width;
    header.height = height;
    header.bit_depth = 8;
    header.color_type = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
    // Fixed settings, so that the file does not depend on libspng's defaults.
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, 9);
    int error = spng_set_ihdr(ctx, &header);
    if (!error)
        error = spng_encode_image(ctx, pixels.data(), pixels.size() * sizeof(RgbaPixel), SPNG_FMT_PNG,
                                  SPNG_ENCODE_FINALIZE);
    if (!error) {
        size_t length = 0;
        void* buffer = spng_get_png_buffer(ctx, &length, &error);
        if (buffer && !error) file.assign(static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + length);
        std::free(buffer);
    }
    spng_ctx_free(ctx);
    return file;
}
