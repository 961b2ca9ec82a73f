#include "picture/base91.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr std::array<int8_t, 256> symbolValues = [] {
    std::array<int8_t, 256> values{};
    values.fill(-1);
    for (int i = 0; i < base91SymbolCount; ++i) values[static_cast<unsigned char>(base91Alphabet[i])] = int8_t(i);
    return values;
}();

Base91Buffer pictureBytes;

}  // namespace

int base91Value(unsigned char byte) { return symbolValues[byte]; }

const uint8_t* decodeBase91(const std::string& text, int32_t& length, Base91Buffer& buffer) {
    int32_t value = -1;
    uint32_t queue = 0;
    int32_t bitCount = 0;
    std::vector<uint8_t> output;
    output.reserve(text.size() * 7 / 8 + 1);
    for (char c : text) {
        int s = symbolValues[static_cast<unsigned char>(c)];
        if (s < 0) continue;
        if (value < 0) {
            value = s;
            continue;
        }
        // The first symbol of a pair is the low part; the pair carries 13 bits, or 14 when its
        // low 13 bits are 88 or less.
        value += s * 91;
        queue |= static_cast<uint32_t>(value) << bitCount;
        bitCount += (value & 8191) > 88 ? 13 : 14;
        while (bitCount > 7) {
            output.push_back(static_cast<uint8_t>(queue & 255));
            queue >>= 8;
            bitCount -= 8;
        }
        value = -1;
    }
    if (value != -1) output.push_back(static_cast<uint8_t>((queue | static_cast<uint32_t>(value) << bitCount) & 255));

    length = static_cast<int32_t>(output.size());
    if (buffer.capacity < 0) {
        // calloc of at least one byte, so that an empty first decode still gives a buffer.
        buffer.bytes = static_cast<uint8_t*>(std::calloc(output.empty() ? 1 : output.size(), 1));
        buffer.capacity = buffer.bytes ? length : 0;
    }
    // Writing past the buffer would corrupt memory: a decode that does not fit yields no bytes.
    if (length > buffer.capacity) {
        length = 0;
        return buffer.bytes;
    }
    if (length > 0) std::memcpy(buffer.bytes, output.data(), output.size());
    return buffer.bytes;
}

const uint8_t* decodeBase91(const std::string& text, int32_t& length) {
    return decodeBase91(text, length, pictureBytes);
}
