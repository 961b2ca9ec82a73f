// Global memory, streams on it, and bitmaps decoded from PNG files read through a stream.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "platform/gdiplus/gdiplus.h"
#include "platform/objects/object_table.h"
#include "platform/win32/com_stream.h"
#include "tests/support/picture_files.h"
#include "tools/png_writer.h"

namespace {

// GDI+ started, and the live-object report as it stood before the test: a test must leave
// nothing alive and misuse nothing.
class PngDecodeTest : public testing::Test {
protected:
    void SetUp() override {
        GdiplusStartupInput input;
        ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
        before = liveObjectReport();
    }
    void TearDown() override {
        LiveObjectReport after = liveObjectReport();
        EXPECT_EQ(after.live, before.live);
        EXPECT_EQ(after.misuse, before.misuse);
        GdiplusShutdown(token);
    }

    // Decodes the bytes through a stream on a global memory block, as the picture layer does.
    GpStatus decode(const std::vector<uint8_t>& bytes, GpBitmap** bitmap) {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        if (!bytes.empty()) std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
        GlobalUnlock(memory);
        IStream* stream = nullptr;
        EXPECT_EQ(CreateStreamOnHGlobal(memory, TRUE, &stream), S_OK);
        GpStatus status = GdipCreateBitmapFromStream(stream, bitmap);
        EXPECT_EQ(stream->Release(), 0u);
        return status;
    }

    ULONG_PTR token = 0;
    LiveObjectReport before;
};

uint32_t argbAt(GpBitmap* bitmap, int x, int y) {
    ARGB c = 0xDEADBEEF;
    EXPECT_EQ(GdipBitmapGetPixel(bitmap, x, y, &c), Ok);
    return c;
}

TEST_F(PngDecodeTest, SmallPngKeepsStraightColourAndAlpha) {
    std::vector<RgbaPixel> pixels = {{0xFF, 0x80, 0x00, 0xFF}, {0x12, 0x34, 0x56, 0x80}, {0xFF, 0xFF, 0xFF, 0x00},
                                     {0x01, 0x02, 0x03, 0x4B}, {0x00, 0x00, 0xFF, 0x4C}, {0x00, 0x00, 0x00, 0xFF}};
    GpBitmap* bitmap = nullptr;
    ASSERT_EQ(decode(encodePng(pixels, 3, 2), &bitmap), Ok);
    REAL w = 0, h = 0;
    ASSERT_EQ(GdipGetImageDimension(bitmap, &w, &h), Ok);
    EXPECT_EQ(w, 3.0f);
    EXPECT_EQ(h, 2.0f);
    const uint32_t expected[6] = {0xFFFF8000, 0x80123456, 0x00FFFFFF, 0x4B010203, 0x4C0000FF, 0xFF000000};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(argbAt(bitmap, i % 3, i / 3), expected[i]) << "pixel " << i;
    EXPECT_EQ(GdipDisposeImage(bitmap), Ok);
}

// The committed picture: its real size, a transparent background and opaque shapes.
TEST_F(PngDecodeTest, CommittedPicture) {
    GpBitmap* bitmap = nullptr;
    ASSERT_EQ(decode(readFileBytes(committedPicturePath()), &bitmap), Ok);
    REAL w = 0, h = 0;
    GdipGetImageDimension(bitmap, &w, &h);
    EXPECT_EQ(w, 800.0f);
    EXPECT_EQ(h, 500.0f);
    EXPECT_EQ(argbAt(bitmap, 0, 0), 0u);
    EXPECT_EQ(argbAt(bitmap, 799, 499), 0u);
    EXPECT_EQ(argbAt(bitmap, 10, 300), 0u) << "left of the title";
    uint32_t stem = argbAt(bitmap, 50, 300);  // the D's stem
    EXPECT_EQ(stem >> 24, 0xFFu);
    EXPECT_EQ((stem >> 16) & 0xFF, 0xFFu) << "the title is gold to orange";
    uint32_t drop = argbAt(bitmap, 400, 170);
    EXPECT_EQ(drop >> 24, 0xFFu);
    EXPECT_GT(drop & 0xFF, (drop >> 16) & 0xFF) << "the drop is blue";
    EXPECT_EQ(argbAt(bitmap, 400, 8), 0u) << "above the drop's tip";
    EXPECT_EQ(GdipDisposeImage(bitmap), Ok);
}

// The CRC-32 that PNG chunks carry (polynomial 0xEDB88320, bit by bit).
uint32_t pngCrc(const uint8_t* bytes, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// A chunk's CRC made right again, so that a changed header is well-formed but hostile.
void fixChunkCrc(std::vector<uint8_t>& file, size_t chunkStart) {
    uint32_t length = uint32_t(file[chunkStart]) << 24 | file[chunkStart + 1] << 16 | file[chunkStart + 2] << 8 |
                      file[chunkStart + 3];
    uint32_t crc = pngCrc(file.data() + chunkStart + 4, length + 4);
    size_t at = chunkStart + 8 + length;
    for (int i = 0; i < 4; ++i) file[at + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
}

std::vector<uint8_t> withSize(std::vector<uint8_t> file, uint32_t width, uint32_t height) {
    for (int i = 0; i < 4; ++i) {
        file[16 + size_t(i)] = uint8_t(width >> (24 - 8 * i));
        file[20 + size_t(i)] = uint8_t(height >> (24 - 8 * i));
    }
    fixChunkCrc(file, 8);
    return file;
}

TEST_F(PngDecodeTest, BytesThatAreNotAPngGiveNoBitmap) {
    std::vector<RgbaPixel> pixels(64 * 64, RgbaPixel{0x20, 0x40, 0x60, 0xFF});
    for (size_t i = 0; i < pixels.size(); i += 7) pixels[i] = {0xFF, 0, 0, 0x80};
    const std::vector<uint8_t> good = encodePng(pixels, 64, 64);
    auto first = [&](size_t n) { return std::vector<uint8_t>(good.begin(), good.begin() + long(n)); };
    std::vector<uint8_t> badCrc = good;
    badCrc[good.size() / 2] ^= 0x55;
    std::vector<uint8_t> badSignature = good;
    badSignature[1] = 'Q';
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!', '!', '!', '!'}},
        {"signature only", first(8)},
        {"header only", first(33)},
        {"cut in the image data", first(good.size() / 2)},
        {"cut in the image data's last bytes", first(good.size() - 20)},
        {"corrupt image data", badCrc},
        {"wrong signature", badSignature},
        {"huge", withSize(good, 100000, 100000)},
        {"too many pixels", withSize(good, 16000, 16000)},
        {"zero width", withSize(good, 0, 64)},
    };
    for (const Case& c : cases) {
        GpBitmap* bitmap = reinterpret_cast<GpBitmap*>(1);
        EXPECT_NE(decode(c.bytes, &bitmap), Ok) << c.name;
        EXPECT_EQ(bitmap, nullptr) << c.name;
    }
}

// Random damage to a small PNG: every result is either a bitmap of the file's size or none,
// with nothing left alive either way.
TEST_F(PngDecodeTest, DamagedFilesNeverCrash) {
    std::vector<RgbaPixel> pixels(24 * 16);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = {uint8_t(i), uint8_t(i * 3), uint8_t(i * 7), uint8_t(i * 5)};
    const std::vector<uint8_t> good = encodePng(pixels, 24, 16);
    std::mt19937 random(2024);
    int decoded = 0;
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> bytes = good;
        int damage = 1 + int(random() % 4);
        for (int i = 0; i < damage; ++i) bytes[random() % bytes.size()] = uint8_t(random());
        if (random() % 3 == 0) bytes.resize(random() % bytes.size());
        GpBitmap* bitmap = nullptr;
        GpStatus status = decode(bytes, &bitmap);
        ASSERT_EQ(status == Ok, bitmap != nullptr) << "round " << round;
        if (!bitmap) continue;
        ++decoded;
        REAL w = 0, h = 0;
        GdipGetImageDimension(bitmap, &w, &h);
        EXPECT_LE(w * h, 16384.0f * 1024.0f);
        GdipDisposeImage(bitmap);
    }
    EXPECT_LT(decoded, 2000);
}

// A stream reads its block from the start and owns it only with delete-on-release; a stream
// never released is in the report, and one released twice is misuse.
TEST(ComStream, ReadsTheBlockAndIsAccountedFor) {
    LiveObjectReport before = liveObjectReport();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 5);
    std::memcpy(GlobalLock(memory), "abcde", 5);
    EXPECT_FALSE(GlobalUnlock(memory));
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(memory, FALSE, &stream), S_OK);
    char buffer[8] = {};
    ULONG read = 0;
    EXPECT_EQ(stream->Read(buffer, 3, &read), S_OK);
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(stream->Read(buffer + 3, 8, &read), S_FALSE);
    EXPECT_EQ(read, 2u);
    EXPECT_STREQ(buffer, "abcde");
    EXPECT_EQ(liveObjectReport().live.size(), before.live.size() + 1) << "a live stream is reported";
    EXPECT_EQ(stream->Release(), 0u);
    EXPECT_EQ(liveObjectReport().live, before.live);
    EXPECT_EQ(GlobalSize(memory), 5u) << "the block outlives a stream that does not own it";
    EXPECT_EQ(stream->Release(), 0u);
    EXPECT_EQ(liveObjectReport().misuse.size(), before.misuse.size() + 1);
    EXPECT_EQ(GlobalFree(memory), nullptr);
    EXPECT_EQ(GlobalLock(memory), nullptr);
    EXPECT_EQ(liveObjectReport().misuse.size(), before.misuse.size() + 2) << "a freed block is a dead handle";
    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    EXPECT_EQ(GlobalLock(empty), nullptr) << "an empty block cannot be locked";
    EXPECT_EQ(GlobalFree(empty), nullptr);
}

}  // namespace
