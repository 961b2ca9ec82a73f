#pragma once
// The committed picture and its bytes, for tests that compare against it.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/png_writer.h"

// picture/deluge-picture.png in the source tree.
std::string committedPicturePath();

std::vector<uint8_t> readFileBytes(const std::string& path);

// Decodes a PNG with libspng directly (not through our GDI+), rows from the top; empty on failure.
std::vector<RgbaPixel> decodePngDirectly(const std::vector<uint8_t>& file, uint32_t* width, uint32_t* height);
