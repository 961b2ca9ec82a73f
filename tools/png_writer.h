#pragma once
// Writes straight (non-premultiplied) RGBA pixels as a PNG file image, through libspng.
#include <cstdint>
#include <vector>

// One pixel as red, green, blue, alpha bytes, the PNG's own order.
struct RgbaPixel {
    uint8_t red, green, blue, alpha;
};

// The PNG bytes of a width × height image (rows from the top), or an empty vector when libspng
// refuses it. The same pixels always give the same bytes.
std::vector<uint8_t> encodePng(const std::vector<RgbaPixel>& pixels, uint32_t width, uint32_t height);
