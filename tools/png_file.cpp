#include "tools/png_file.h"

#include <spng.h>

#include <cstdio>

bool writePng(const char* path, uint32_t width, uint32_t height, const std::vector<uint8_t>& pixels, bool alpha) {
    size_t channels = alpha ? 4 : 3;
    if (pixels.size() != size_t(width) * height * channels) return false;
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    spng_ctx* context = spng_ctx_new(SPNG_CTX_ENCODER);
    bool written = false;
    if (context) {
        spng_ihdr header{};
        header.width = width;
        header.height = height;
        header.bit_depth = 8;
        header.color_type = alpha ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR;
        written = spng_set_png_file(context, file) == 0 && spng_set_ihdr(context, &header) == 0 &&
                  spng_encode_image(context, pixels.data(), pixels.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE) == 0;
        spng_ctx_free(context);
    }
    written = std::fclose(file) == 0 && written;
    return written;
}
