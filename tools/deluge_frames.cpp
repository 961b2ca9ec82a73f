// deluge-frames: runs the demo headless, its real start-up, frame loop and shutdown, on the
// offscreen window back-end with simulated time, and writes frames as PNG files. It runs in
// its own folder, beside the demo's sound library and module, with SDL's silent audio driver.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/deluge.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/window/window_offscreen.h"
#include "render/glyph_atlas.h"
#include "render/render_surfaces.h"
#include "tools/png_writer.h"

namespace {

const char usage[] =
    "usage: deluge-frames --out DIR --frames N [--every K] [--desktop WxH] [--atlas FILE] [--picture FILE]\n";

struct Options {
    std::string out;
    long frames = 0;
    long every = 1;
    int desktopWidth = 0, desktopHeight = 0;  // 0: the question is answered No
    std::string atlas;
    std::string picture;
};

Options options;

bool parseCount(const char* text, long* value) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < 1 || v > 100000000) return false;
    *value = v;
    return true;
}

bool parse(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (i + 1 >= argc) return false;
        const char* value = argv[++i];
        if (name == "--out") options.out = value;
        else if (name == "--frames" && parseCount(value, &options.frames)) continue;
        else if (name == "--every" && parseCount(value, &options.every)) continue;
        else if (name == "--desktop") {
            char tail = 0;
            if (std::sscanf(value, "%dx%d%c", &options.desktopWidth, &options.desktopHeight, &tail) != 2 ||
                options.desktopWidth < 2 || options.desktopHeight < 2 || options.desktopWidth > 16384 ||
                options.desktopHeight > 16384)
                return false;
        } else if (name == "--atlas") options.atlas = value;
        else if (name == "--picture") options.picture = value;
        else return false;
    }
    return !options.out.empty() && options.frames > 0;
}

void fail(const std::string& what) {
    std::fprintf(stderr, "deluge-frames: cannot write %s\n", what.c_str());
    std::exit(1);
}

uint8_t channel(uint32_t pixel, int shift) { return static_cast<uint8_t>((pixel >> shift) & 0xFF); }

void writePng(const std::string& path, uint32_t width, uint32_t height, const std::vector<RgbaPixel>& pixels) {
    std::vector<uint8_t> bytes = encodePng(pixels, width, height);
    FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file && !bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file) written = std::fclose(file) == 0 && written;
    if (!written) fail(path);
}

void writeFrame(const Surface& window, int64_t frame) {
    std::vector<RgbaPixel> rgb;
    rgb.reserve(size_t(window.width) * size_t(window.height));
    for (int32_t y = 0; y < window.height; ++y)
        for (int32_t x = 0; x < window.width; ++x) {
            uint32_t p = window.row(y)[x];
            rgb.push_back({channel(p, 16), channel(p, 8), channel(p, 0), 255});
        }
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%05lld.png", static_cast<long long>(frame));
    std::string path = options.out + name;
    writePng(path, uint32_t(window.width), uint32_t(window.height), rgb);
}

// PictureLayer's words as they are: red, green, blue, and the fourth byte as alpha.
void writePicture() {
    std::vector<RgbaPixel> rgba;
    const auto* words = static_cast<const uint32_t*>(PictureLayer.pixels);
    size_t count = size_t(RenderSize.width) * RenderSize.height;
    for (size_t i = 0; i < count; ++i) {
        uint32_t p = words ? words[i] : 0;
        rgba.push_back({channel(p, 16), channel(p, 8), channel(p, 0), channel(p, 24)});
    }
    writePng(options.picture, RenderSize.width, RenderSize.height, rgba);
}

// The 168 glyph bitmaps, one row per glyph and one column per variant, enlarged over a
// checkerboard so that their transparency shows.
void writeAtlas() {
    constexpr int scale = 4, gap = 4;
    int cell = cellWidth * scale;
    int width = glyphVariantCount * (cell + gap) + gap;
    int height = (glyphCount + 1) * (cellHeight * scale + gap) + gap;
    std::vector<RgbaPixel> sheet(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t shade = ((x / 8 + y / 8) % 2) ? 0x99 : 0x66;
            sheet[size_t(y) * width + x] = {shade, shade, shade, 255};
        }
    for (uint16_t glyph = 0; glyph <= glyphCount; ++glyph)
        for (unsigned variant = 0; variant < glyphVariantCount; ++variant) {
            GpBitmap* bitmap = glyphBitmap(glyph, GlyphVariant(variant));
            int left = gap + int(variant) * (cell + gap), top = gap + glyph * (cellHeight * scale + gap);
            for (int y = 0; y < cellHeight * scale; ++y)
                for (int x = 0; x < cell; ++x) {
                    ARGB p = 0;
                    if (bitmap) GdipBitmapGetPixel(bitmap, x / scale, y / scale, &p);
                    RgbaPixel& out = sheet[size_t(top + y) * width + size_t(left + x)];
                    uint32_t a = p >> 24;
                    auto over = [a](uint32_t color, uint8_t under) {
                        return static_cast<uint8_t>((color * a + under * (255 - a) + 127) / 255);
                    };
                    out = {over(channel(p, 16), out.red), over(channel(p, 8), out.green), over(channel(p, 0), out.blue),
                           255};
                }
        }
    writePng(options.atlas, uint32_t(width), uint32_t(height), sheet);
}

void onPresent(const Surface& window, int64_t frame, void*) {
    if (frame == 1) {
        if (!options.atlas.empty()) writeAtlas();
        if (!options.picture.empty()) writePicture();
    }
    if (frame % options.every == 0 && frame <= options.frames) writeFrame(window, frame);
}

// A path that still names the same file after the change of folder.
std::string absolute(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char here[PATH_MAX];
    return getcwd(here, sizeof here) ? std::string(here) + "/" + path : path;
}

bool enterToolFolder() {
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return false;
    self[n] = 0;
    std::string folder(self);
    folder.erase(folder.rfind('/'));
    return chdir(folder.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (!parse(argc, argv)) {
        std::fputs(usage, stderr);
        return 2;
    }
    options.out = absolute(options.out);
    options.atlas = absolute(options.atlas);
    options.picture = absolute(options.picture);
    if (!enterToolFolder()) {
        std::fputs("deluge-frames: cannot find the folder it lives in\n", stderr);
        return 1;
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    OffscreenScript script;
    bool fullScreen = options.desktopWidth > 0;
    script.messageBoxAnswers = {fullScreen ? 6 : 7};
    if (fullScreen) {
        script.desktopWidth = options.desktopWidth;
        script.desktopHeight = options.desktopHeight;
    }
    script.keyAfterPresents = options.frames;
    script.onPresent = onPresent;
    offscreenConfigure(script);
    runDeluge();
}
