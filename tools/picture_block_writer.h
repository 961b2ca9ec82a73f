#pragma once
// Turns a picture file into the picture data block: the records, and C++ source that holds them.
#include <cstdint>
#include <string>
#include <vector>

inline constexpr size_t pictureLineLength = 900;

// The header (line count, 0, the file's size in bytes, the number of text characters,
// "Base91"), then the file's basE91 text in lines of pictureLineLength characters, the last one
// holding the rest.
std::vector<std::string> pictureBlockRecords(const std::vector<uint8_t>& file);

// A C++ source file that defines PictureBlock over these records. Every byte outside printable
// ASCII is written as an octal escape, so the file reads the same in any encoding.
std::string pictureBlockSource(const std::vector<std::string>& records, const std::string& madeFrom);
