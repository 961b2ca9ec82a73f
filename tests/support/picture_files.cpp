#include "tests/support/picture_files.h"

#include <spng.h>

#include <fstream>
#include <iterator>

std::string committedPicturePath() { return std::string(DELUGE_SOURCE_DIR) + "/picture/deluge-picture.png"; }

std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<RgbaPixel> decodePngDirectly(const std::vector<uint8_t>& file, uint32_t* width, uint32_t* height) {
    std::vector<RgbaPixel> pixels;
    spng_ctx* ctx = spng_ctx_new(0);
    spng_ihdr header{};
    size_t size = 0;
    if (ctx && !spng_set_png_buffer(ctx, file.data(), file.size()) && !spng_get_ihdr(ctx, &header) &&
        !spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size)) {
        pixels.resize(size / 4);
        if (spng_decode_image(ctx, pixels.data(), size, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS)) pixels.clear();
        *width = header.width;
        *height = header.height;
    }
    spng_ctx_free(ctx);
    return pixels;
}
