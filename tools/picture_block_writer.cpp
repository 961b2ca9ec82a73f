#include "tools/picture_block_writer.h"

#include <cstdio>

#include "tools/base91_encoder.h"

std::vector<std::string> pictureBlockRecords(const std::vector<uint8_t>& file) {
    std::string text = encodeBase91(file);
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size(); at += pictureLineLength) lines.push_back(text.substr(at, pictureLineLength));
    std::vector<std::string> records = {std::to_string(lines.size()), "0", std::to_string(file.size()),
                                        std::to_string(text.size()), "Base91"};
    records.insert(records.end(), lines.begin(), lines.end());
    return records;
}

namespace {

// A record as a string literal. Octal escapes take at most three digits, so unlike a hex escape
// they cannot swallow a following symbol; "?\?" keeps two question marks from reading as the
// start of a trigraph.
std::string literal(const std::string& record) {
    std::string out = "\"";
    char previous = 0;
    for (char c : record) {
        auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += c;
        } else if (byte == '?' && previous == '?') {
            out += "\\?";
        } else if (byte < 0x20 || byte > 0x7E) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\%03o", byte);
            out += escape;
        } else {
            out += c;
        }
        previous = c;
    }
    return out + "\"";
}

}  // namespace

std::string pictureBlockSource(const std::vector<std::string>& records, const std::string& madeFrom) {
    std::string source = "// The picture data block, made by deluge_make_picture_block from " + madeFrom +
                         ".\n// Made again by the target deluge_picture_sources; not edited by hand.\n"
                         "#include \"picture/picture_block.h\"\n\nnamespace {\nconst char* const records[] = {\n";
    for (const std::string& record : records) source += "    " + literal(record) + ",\n";
    source += "};\n}  // namespace\n\nDataBlock PictureBlock{records, sizeof records / sizeof records[0], 0};\n";
    return source;
}
