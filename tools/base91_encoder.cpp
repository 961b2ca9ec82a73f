#include "tools/base91_encoder.h"

#include "picture/base91.h"

std::string encodeBase91(const std::vector<uint8_t>& bytes) {
    std::string text;
    text.reserve(bytes.size() * 16 / 13 + 2);
    uint32_t queue = 0;
    int bitCount = 0;
    auto put = [&text](uint32_t value) { text += base91Alphabet[value]; };
    for (uint8_t byte : bytes) {
        queue |= uint32_t(byte) << bitCount;
        bitCount += 8;
        if (bitCount <= 13) continue;
        // 13 bits when their value leaves room (above 88), else 14: a pair of symbols holds
        // up to 91 × 91 = 8281 values.
        uint32_t value = queue & 8191;
        if (value > 88) {
            queue >>= 13;
            bitCount -= 13;
        } else {
            value = queue & 16383;
            queue >>= 14;
            bitCount -= 14;
        }
        put(value % 91);
        put(value / 91);
    }
    if (bitCount > 0) {
        put(queue % 91);
        if (bitCount > 7 || queue > 90) put(queue / 91);
    }
    return text;
}
