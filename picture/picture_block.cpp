#include "picture/picture_block.h"

void rewindBlock(DataBlock& block) { block.cursor = 0; }

namespace {
const char* nextRecord(DataBlock& block) {
    if (block.cursor >= block.recordCount) return nullptr;
    return block.records[block.cursor++];
}
}  // namespace

// Decimal digits after an optional minus sign, up to the first other byte; clamped to 32 bits.
int32_t readBlockNumber(DataBlock& block) {
    const char* text = nextRecord(block);
    if (!text) return 0;
    bool negative = *text == '-';
    if (negative) ++text;
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        if (value <= INT32_MAX) value = value * 10 + (*text - '0');
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

std::string readBlockText(DataBlock& block) {
    const char* text = nextRecord(block);
    return text ? std::string(text) : std::string();
}

std::string readPictureText(DataBlock& block) {
    rewindBlock(block);
    int32_t lineCount = readBlockNumber(block);
    for (int unused = 0; unused < 3; ++unused) readBlockNumber(block);
    readBlockText(block);  // the encoding's name, "Base91"
    std::string pictureText;
    // The counter is 16 bits wide and runs up to lineCount − 1 taken modulo 65536.
    const uint16_t last = static_cast<uint16_t>(static_cast<uint32_t>(lineCount) - 1u);
    for (uint16_t i = 0;; ++i) {
        pictureText += readBlockText(block);
        if (i == last) break;
    }
    return pictureText;
}

std::string readPictureText() { return readPictureText(PictureBlock); }
