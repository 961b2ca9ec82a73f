#pragma once
// The basE91 encoder that matches picture/base91's decoder and alphabet.
#include <cstdint>
#include <string>
#include <vector>

// The bytes as basE91 text: pairs of symbols carrying 13 or 14 bits each, least significant
// first, and one or two symbols for what is left at the end.
std::string encodeBase91(const std::vector<uint8_t>& bytes);
