#include "platform/gdiplus/image_kernels.h"

#include <algorithm>

#include "platform/gdiplus/gdiplus_internal.h"

namespace {

inline uint32_t lerp8(uint32_t a, uint32_t b, uint32_t weight) {
    return ((256 - weight) * a + weight * b + 128) >> 8;
}

}  // namespace

uint32_t premultiply(uint32_t straight) {
    uint32_t a = straight >> 24;
    if (a == 255) return straight;
    return div255((straight & 0xFF) * a) | div255(((straight >> 8) & 0xFF) * a) << 8 |
           div255(((straight >> 16) & 0xFF) * a) << 16 | a << 24;
}

uint32_t unpremultiply(uint32_t premultiplied) {
    uint32_t a = premultiplied >> 24;
    if (a == 0) return premultiplied;
    auto channel = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
    return channel(premultiplied & 0xFF) | channel((premultiplied >> 8) & 0xFF) << 8 |
           channel((premultiplied >> 16) & 0xFF) << 16 | a << 24;
}

uint32_t bilinearSample(uint32_t t00, uint32_t t10, uint32_t t01, uint32_t t11, uint32_t wx, uint32_t wy) {
    uint32_t result = 0;
    for (uint32_t shift = 0; shift < 32; shift += 8) {
        uint32_t upper = lerp8((t00 >> shift) & 0xFF, (t10 >> shift) & 0xFF, wx);
        uint32_t lower = lerp8((t01 >> shift) & 0xFF, (t11 >> shift) & 0xFF, wx);
        result |= lerp8(upper, lower, wy) << shift;
    }
    return result;
}

uint32_t overPremultiplied(uint32_t pixel, uint32_t sample) {
    uint32_t inverse = 255 - (sample >> 24);
    uint32_t result = 0;
    for (uint32_t shift = 0; shift < 32; shift += 8)
        result |= (((sample >> shift) & 0xFF) + div255(((pixel >> shift) & 0xFF) * inverse)) << shift;
    return result;
}

void blendBlockPlain(const Surface& target, PixelRect area, const uint32_t* block, int32_t stride, uint32_t wx,
                     uint32_t wy) {
    for (int32_t j = 0; j < area.bottom - area.top; ++j) {
        uint32_t* out = target.row(area.top + j) + area.left;
        const uint32_t* upper = block + j * stride;
        const uint32_t* lower = upper + stride;
        for (int32_t i = 0; i < area.right - area.left; ++i)
            out[i] = overPremultiplied(out[i], bilinearSample(upper[i], upper[i + 1], lower[i], lower[i + 1], wx, wy));
    }
}

// The same arithmetic a byte at a time: each block row is blended across once, then each pair of
// rows down, then the samples over the pixels. Every intermediate fits 16 bits (at most
// 256 × 255 + 128), and truncating to 16 bits says so, so the loops run in 16-bit lanes.
void blendBlock(const Surface& target, PixelRect area, const uint32_t* block, int32_t stride, uint32_t wx,
                uint32_t wy) {
    constexpr int32_t maxBytes = maxBlockTexels * 4;
    const int32_t columns = area.right - area.left, rows = area.bottom - area.top;
    const int32_t bytes = columns * 4;
    const auto left = static_cast<uint16_t>(256 - wx), right = static_cast<uint16_t>(wx);
    const auto up = static_cast<uint16_t>(256 - wy), down = static_cast<uint16_t>(wy);
    uint16_t across[maxBlockTexels + 1][maxBytes];
    for (int32_t j = 0; j <= rows; ++j) {
        const auto* texels = reinterpret_cast<const uint8_t*>(block + j * stride);
        uint16_t* row = across[j];
        for (int32_t k = 0; k < bytes; ++k) {
            auto sum = static_cast<uint16_t>(left * texels[k] + right * texels[k + 4] + 128);
            row[k] = static_cast<uint16_t>(sum >> 8);
        }
    }
    uint16_t sample[maxBytes], inverse[maxBytes];
    for (int32_t j = 0; j < rows; ++j) {
        const uint16_t* upper = across[j];
        const uint16_t* lower = across[j + 1];
        for (int32_t k = 0; k < bytes; ++k) {
            auto sum = static_cast<uint16_t>(up * upper[k] + down * lower[k] + 128);
            sample[k] = static_cast<uint16_t>(sum >> 8);
        }
        for (int32_t i = 0; i < columns; ++i) {
            auto remaining = static_cast<uint16_t>(255 - sample[4 * i + 3]);
            inverse[4 * i] = inverse[4 * i + 1] = inverse[4 * i + 2] = inverse[4 * i + 3] = remaining;
        }
        auto* out = reinterpret_cast<uint8_t*>(target.row(area.top + j) + area.left);
        for (int32_t k = 0; k < bytes; ++k) {
            auto scaled = static_cast<uint16_t>(out[k] * inverse[k] + 128);
            auto rounded = static_cast<uint16_t>(scaled + (scaled >> 8));
            out[k] = static_cast<uint8_t>(sample[k] + (rounded >> 8));
        }
    }
}
