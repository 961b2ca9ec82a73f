// The picture text: the basE91 decoder, the block reader, the block maker and the stored block.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "picture/base91.h"
#include "picture/picture_block.h"
#include "tests/support/picture_files.h"
#include "tools/base91_encoder.h"
#include "tools/picture_block_writer.h"

namespace {

// Decodes into a buffer of the test's own, so that tests do not depend on which one made the
// first call of the process.
struct Decoder {
    Base91Buffer buffer;
    ~Decoder() { std::free(buffer.bytes); }
    std::vector<uint8_t> operator()(const std::string& text) {
        int32_t length = -1;
        const uint8_t* bytes = decodeBase91(text, length, buffer);
        return std::vector<uint8_t>(bytes, bytes + length);
    }
};

TEST(Base91, WorkedExamples) {
    struct Case {
        std::string text;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"", {}},
        {"A", {0x00}},
        {"AB", {0x5B}},
        {"BA", {0x01}},
        {"abc", {0xB3, 0x89}},
        {"A\xB4", {0xFE}},
        {"A-A", {0x00}},
    };
    for (const Case& c : cases) EXPECT_EQ(Decoder()(c.text), c.bytes) << '"' << c.text << '"';
}

// Random files of every length up to a few hundred bytes survive the maker's encoder and the
// decoder; the text uses every symbol, 0xB4 included.
TEST(Base91, RoundTripOfRandomBytes) {
    std::mt19937 random(91);
    std::string allText;
    for (size_t size = 0; size < 400; ++size) {
        std::vector<uint8_t> bytes(size);
        for (uint8_t& b : bytes) b = uint8_t(random());
        std::string text = encodeBase91(bytes);
        ASSERT_EQ(Decoder()(text), bytes) << size << " bytes";
        allText += text;
    }
    for (int i = 0; i < base91SymbolCount; ++i)
        EXPECT_NE(allText.find(base91Alphabet[i]), std::string::npos) << "symbol " << i;
}

// A lone last symbol adds exactly one byte to what its pairs give.
TEST(Base91, OddSymbolCountGivesOneMoreByte) {
    std::mt19937 random(7);
    for (int pairs = 0; pairs < 40; ++pairs) {
        std::string text;
        for (int i = 0; i < 2 * pairs + 1; ++i) text += base91Alphabet[random() % base91SymbolCount];
        size_t evenBytes = Decoder()(text.substr(0, text.size() - 1)).size();
        std::vector<uint8_t> odd = Decoder()(text);
        ASSERT_EQ(odd.size(), evenBytes + 1) << text;
        EXPECT_EQ(std::vector<uint8_t>(odd.begin(), odd.end() - 1), Decoder()(text.substr(0, text.size() - 1)));
    }
}

// Line breaks, quotes, hyphens, spaces, backslashes, zero bytes and the lead byte of the accent's
// UTF-8 form change nothing wherever they stand.
TEST(Base91, BytesOutsideTheAlphabetAreSkipped) {
    const std::string clean = encodeBase91({0x89, 'P', 'N', 'G', 0x00, 0xFF, 0x10, 0x42, 0x99});
    const std::vector<uint8_t> expected = Decoder()(clean);
    const std::string noise[] = {"\n", "\r\n", "\"", "-", " ", "\\", "'", std::string(1, '\0'), "\xC2"};
    for (const std::string& n : noise)
        for (size_t at = 0; at <= clean.size(); ++at) {
            std::string text = clean;
            text.insert(at, n);
            ASSERT_EQ(Decoder()(text), expected) << "noise " << int(static_cast<unsigned char>(n[0])) << " at " << at;
        }
    for (int byte = 0; byte < 256; ++byte) {
        bool symbol = std::string(base91Alphabet).find(char(byte)) != std::string::npos;
        EXPECT_EQ(base91Value(uint8_t(byte)) >= 0, symbol) << byte;
    }
}

// The first decode sizes the buffer; later ones write into the same buffer from index 0, and
// one that would not fit writes nothing instead of running past the end.
TEST(Base91, LaterDecodesReuseTheBuffer) {
    Base91Buffer buffer;
    int32_t length = -1;
    const uint8_t* first = decodeBase91(encodeBase91({1, 2, 3, 4, 5}), length, buffer);
    ASSERT_EQ(length, 5);
    const uint8_t* second = decodeBase91(encodeBase91({9, 8}), length, buffer);
    EXPECT_EQ(second, first);
    ASSERT_EQ(length, 2);
    EXPECT_EQ(std::vector<uint8_t>(second, second + 5), (std::vector<uint8_t>{9, 8, 3, 4, 5}));
    const uint8_t* tooLong = decodeBase91(encodeBase91({1, 2, 3, 4, 5, 6}), length, buffer);
    EXPECT_EQ(tooLong, first);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(std::vector<uint8_t>(first, first + 5), (std::vector<uint8_t>{9, 8, 3, 4, 5}));
    std::free(buffer.bytes);
}

struct TestBlock {
    std::vector<std::string> texts;
    std::vector<const char*> pointers;
    DataBlock block{};
    explicit TestBlock(std::vector<std::string> records) : texts(std::move(records)) {
        for (const std::string& t : texts) pointers.push_back(t.c_str());
        block = DataBlock{pointers.data(), uint32_t(pointers.size()), 0};
    }
};

TEST(PictureBlockReader, LineCountDecidesHowManyLinesAreRead) {
    struct Case {
        const char* lineCount;
        std::string text;
    } cases[] = {{"3", "aaabbbcc"}, {"2", "aaabbb"}, {"1", "aaa"}, {"5", "aaabbbcc"}, {"0", "aaabbbcc"}};
    for (const Case& c : cases) {
        TestBlock t({c.lineCount, "0", "6", "8", "Base91", "aaa", "bbb", "cc"});
        t.block.cursor = 6;  // wherever the cursor stood, reading starts at the first record
        EXPECT_EQ(readPictureText(t.block), c.text) << "lineCount " << c.lineCount;
    }
}

TEST(PictureBlockReader, ReadsPastTheEndGiveZeroAndEmptyText) {
    TestBlock t({"12", "x"});
    EXPECT_EQ(readBlockNumber(t.block), 12);
    EXPECT_EQ(readBlockNumber(t.block), 0) << "a text that holds no digits";
    EXPECT_EQ(readBlockNumber(t.block), 0);
    EXPECT_EQ(readBlockText(t.block), "");
    EXPECT_EQ(t.block.cursor, 2u);
    TestBlock numbers({"2147483647", "99999999999", "-5"});
    EXPECT_EQ(readBlockNumber(numbers.block), 2147483647);
    EXPECT_EQ(readBlockNumber(numbers.block), 2147483647) << "clamped to 32 bits";
    EXPECT_EQ(readBlockNumber(numbers.block), -5);
}

// The maker's records for random files read back, through the reader and the decoder, to the
// file; the lines are 900 characters but the last, and the header describes them.
TEST(PictureBlockMaker, RecordsReadBackToTheFile) {
    std::mt19937 random(3);
    for (size_t size : {1u, 700u, 787u, 5000u}) {
        std::vector<uint8_t> file(size);
        for (uint8_t& b : file) b = uint8_t(random());
        TestBlock t(pictureBlockRecords(file));
        const std::vector<std::string>& r = t.texts;
        size_t lines = r.size() - 5, characters = 0;
        for (size_t i = 5; i < r.size(); ++i) {
            characters += r[i].size();
            EXPECT_EQ(r[i].size(), i + 1 < r.size() ? pictureLineLength : (characters - 1) % pictureLineLength + 1);
        }
        EXPECT_EQ(r[0], std::to_string(lines));
        EXPECT_EQ(r[1], "0");
        EXPECT_EQ(r[2], std::to_string(size));
        EXPECT_EQ(r[3], std::to_string(characters));
        EXPECT_EQ(r[4], "Base91");
        EXPECT_EQ(Decoder()(readPictureText(t.block)), file) << size << " bytes";
    }
}

// The block compiled into the program: header numbers that match its lines, lines of symbols
// only, and exactly the bytes of the committed picture. The source that holds it is plain ASCII,
// so no editor or compiler can turn the 0xB4 symbol into two bytes.
TEST(StoredPictureBlock, IsTheCommittedPicture) {
    DataBlock& block = PictureBlock;
    ASSERT_GE(block.recordCount, 6u);
    rewindBlock(block);
    int32_t lineCount = readBlockNumber(block);
    int32_t zero = readBlockNumber(block);
    int32_t fileSize = readBlockNumber(block);
    int32_t characters = readBlockNumber(block);
    EXPECT_EQ(readBlockText(block), "Base91");
    EXPECT_EQ(uint32_t(lineCount), block.recordCount - 5);
    EXPECT_EQ(zero, 0);
    size_t total = 0;
    for (uint32_t i = 5; i < block.recordCount; ++i) {
        std::string line = block.records[i];
        total += line.size();
        if (i + 1 < block.recordCount) {
            EXPECT_EQ(line.size(), pictureLineLength) << "line " << i - 4;
        }
        for (char c : line) ASSERT_GE(base91Value(static_cast<unsigned char>(c)), 0) << "line " << i - 4;
    }
    EXPECT_EQ(size_t(characters), total);

    std::vector<uint8_t> png = readFileBytes(committedPicturePath());
    ASSERT_FALSE(png.empty());
    EXPECT_EQ(size_t(fileSize), png.size());
    std::string text = readPictureText();
    EXPECT_EQ(text.size(), total);
    EXPECT_EQ(block.cursor, block.recordCount);
    EXPECT_TRUE(Decoder()(text) == png) << "the block is stale: build the target deluge_picture_sources";

    for (uint8_t byte : readFileBytes(std::string(DELUGE_SOURCE_DIR) + "/picture/picture_block_data.cpp"))
        ASSERT_LT(byte, 0x80);
}

}  // namespace
