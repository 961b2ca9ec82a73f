#pragma once
// The picture carried inside the program as text: a table of records (a header of five, then
// the lines of basE91 text) with one read cursor.
#include <cstdint>
#include <string>

struct DataBlock {
    const char* const* records;  // single-byte texts without zero bytes
    uint32_t recordCount;
    uint32_t cursor;  // the next record to read
};

// The stored picture block (picture/picture_block_data.cpp, made by tools/deluge_make_picture_block).
extern DataBlock PictureBlock;

void rewindBlock(DataBlock& block);

// The record under the cursor as a decimal number, and the cursor one record on; 0 past the end.
int32_t readBlockNumber(DataBlock& block);

// The record under the cursor as text, and the cursor one record on; "" past the end.
std::string readBlockText(DataBlock& block);

// Joins the block's line records into one text: reads the header from the first record
// (lineCount, three unused numbers, the encoding's name), then lineCount line records.
std::string readPictureText(DataBlock& block);
std::string readPictureText();
