#pragma once
// Writing 8-bit RGB or RGBA PNG files for the developer tools.
#include <cstdint>
#include <vector>

// `pixels` holds width × height pixels of 3 (RGB) or 4 (RGBA) bytes, rows from the top.
bool writePng(const char* path, uint32_t width, uint32_t height, const std::vector<uint8_t>& pixels, bool alpha);
