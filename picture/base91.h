#pragma once
// The basE91 decoder for the picture text, with the system's own alphabet.
#include <cstdint>
#include <string>

// 91 one-byte symbols; a symbol's value is its position. The last one is the single byte 0xB4.
inline constexpr char base91Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!#$%&()*+,./:;<=>?@[]^_`{|}~\xB4";
inline constexpr int base91SymbolCount = 91;
static_assert(sizeof(base91Alphabet) == base91SymbolCount + 1);

// The value of a symbol byte, or −1 for a byte outside the alphabet.
int base91Value(unsigned char byte);

// A decoder's output buffer: allocated, zero-filled, by the first decode into it with room for
// that decode's bytes; never resized or freed afterwards.
struct Base91Buffer {
    uint8_t* bytes = nullptr;
    int32_t capacity = -1;  // −1 until the first decode
};

// Decodes `text` into `buffer` from index 0 and returns the buffer's start; `length` receives the
// number of bytes. Bytes outside the alphabet are skipped; a lone last symbol gives one byte.
// A later decode whose bytes do not fit the buffer writes nothing and sets `length` to 0.
const uint8_t* decodeBase91(const std::string& text, int32_t& length, Base91Buffer& buffer);

// The same into `pictureBytes`, the decoder's own buffer, which lives until the process ends.
const uint8_t* decodeBase91(const std::string& text, int32_t& length);
