// decodeBase91 on any bytes: it never writes past its buffer or reads past the text, gives at most
// one byte per 8 bits the symbols carry, keeps the buffer it made first, and decodes what the
// picture-block maker's encoder writes back to the same bytes.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "picture/base91.h"
#include "tools/base91_encoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t symbols = 0;
    for (char c : text) symbols += base91Value(static_cast<unsigned char>(c)) >= 0;

    // A pair of symbols carries at most 14 bits; a lone last symbol gives one byte.
    Base91Buffer first;
    int32_t length = -1;
    const uint8_t* bytes = decodeBase91(text, length, first);
    fuzzCheck(bytes && bytes == first.bytes, "a first decode gives its buffer");
    fuzzCheck(length >= 0 && size_t(length) <= symbols * 7 / 8 + 1, "at most 7 bits per symbol");
    fuzzCheck(first.capacity == length, "the first decode sizes the buffer");
    const std::vector<uint8_t> decoded(bytes, bytes + length);

    // The same text again into the same buffer: the same bytes, in the same place.
    int32_t again = -1;
    fuzzCheck(decodeBase91(text, again, first) == bytes && again == length, "a second decode reuses the buffer");
    fuzzCheck(std::equal(decoded.begin(), decoded.end(), bytes), "a second decode gives the same bytes");

    // The input as bytes, encoded and decoded into a fresh buffer, is the input again.
    const std::vector<uint8_t> input(data, data + size);
    Base91Buffer roundTrip;
    int32_t roundTripLength = -1;
    const uint8_t* back = decodeBase91(encodeBase91(input), roundTripLength, roundTrip);
    fuzzCheck(size_t(roundTripLength) == size && std::equal(data, data + size, back),
              "encoding and decoding gives the bytes back");

    // That longer text into the first, smaller buffer: nothing written when it does not fit.
    int32_t intoFirst = -1;
    decodeBase91(encodeBase91(input), intoFirst, first);
    if (size_t(length) < size) {
        fuzzCheck(intoFirst == 0, "a decode that does not fit yields no bytes");
        fuzzCheck(std::equal(decoded.begin(), decoded.end(), first.bytes), "and writes nothing");
    } else {
        fuzzCheck(intoFirst == int32_t(size), "a decode that fits yields every byte");
    }

    std::free(first.bytes);
    std::free(roundTrip.bytes);
    return 0;
}
