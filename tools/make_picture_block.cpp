// Writes the picture data block for a picture file as C++ source.
//
//   deluge_make_picture_block INPUT.png OUTPUT.cpp
#include <cstdio>
#include <string>
#include <vector>

#include "tools/picture_block_writer.h"

namespace {

bool readFile(const char* path, std::vector<uint8_t>& bytes) {
    std::FILE* in = std::fopen(path, "rb");
    if (!in) return false;
    uint8_t buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) bytes.insert(bytes.end(), buffer, buffer + n);
    bool ok = !std::ferror(in);
    std::fclose(in);
    return ok;
}

// The file's name without its folders, so that the source does not depend on where it was made.
std::string baseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s INPUT.png OUTPUT.cpp\n", argv[0]);
        return 2;
    }
    std::vector<uint8_t> file;
    if (!readFile(argv[1], file) || file.empty()) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    std::vector<std::string> records = pictureBlockRecords(file);
    std::string source = pictureBlockSource(records, baseName(argv[1]));
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out || std::fwrite(source.data(), 1, source.size(), out) != source.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    std::printf("%s: %s lines, %s characters for %zu bytes\n", argv[2], records[0].c_str(), records[3].c_str(),
                file.size());
    return 0;
}
