// A mutator for the picture fuzzer: libFuzzer's own mutation, then every chunk's CRC made right
// again. The decoder rejects a chunk whose CRC is wrong before looking at it, so without this
// nearly every mutation of a header or of ancillary chunks would stop at the first check.
#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

uint32_t crc32(const uint8_t* bytes, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

uint32_t bigEndian(const uint8_t* at) {
    return uint32_t(at[0]) << 24 | uint32_t(at[1]) << 16 | uint32_t(at[2]) << 8 | at[3];
}

// Walks the chunks after the signature; stops at the first one that does not fit.
void fixChunkCrcs(uint8_t* data, size_t size) {
    size_t at = 8;
    while (at + 12 <= size) {
        uint32_t length = bigEndian(data + at);
        if (length > size - at - 12) return;
        uint32_t crc = crc32(data + at + 4, size_t(length) + 4);
        uint8_t* stored = data + at + 8 + length;
        for (int i = 0; i < 4; ++i) stored[i] = uint8_t(crc >> (24 - 8 * i));
        at += size_t(length) + 12;
    }
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    // One mutation in eight keeps its broken CRCs, so that those checks are fuzzed too.
    if (seed % 8 != 0) fixChunkCrcs(data, size);
    return size;
}
