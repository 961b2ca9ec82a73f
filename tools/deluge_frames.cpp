// deluge-frames: runs the demo headless, its real start-up, frame loop and shutdown, on the
// offscreen window back-end with simulated time, and writes frames as PNG files. It runs in
// its own folder, beside the demo's sound library and module, with SDL's silent audio driver.
//
// With --rss-every K it is a soak run as well: it samples its resident set size every K frames
// and fails unless every sample after the first stays within 1 % of the first and the run ends
// with no graphics object left alive or misused.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/deluge.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/objects/object_table.h"
#include "platform/window/window_offscreen.h"
#include "render/glyph_atlas.h"
#include "render/render_surfaces.h"
#include "tools/png_writer.h"

namespace {

const char usage[] =
    "usage: deluge-frames --out DIR --frames N [--every K] [--desktop WxH] [--atlas FILE] [--picture FILE]\n"
    "       deluge-frames --rss-every K --frames N [--desktop WxH] [--out DIR ...]\n";

// How far the resident set may grow past its first sample in a soak run.
constexpr double allowedRssGrowth = 0.01;

struct Options {
    std::string out;
    long frames = 0;
    long every = 1;
    int desktopWidth = 0, desktopHeight = 0;  // 0: the question is answered No
    std::string atlas;
    std::string picture;
    long rssEvery = 0;  // 0: no soak
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
        else if (name == "--rss-every" && parseCount(value, &options.rssEvery)) continue;
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
    return (!options.out.empty() || options.rssEvery > 0) && options.frames > 0;
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

// Samples in kB, reserved up front so that keeping them does not grow the heap during the run.
std::vector<long> rssSamples;

// The resident set size from /proc/self/statm, read without allocating; −1 if unreadable.
long residentKilobytes() {
    int fd = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    char text[128];
    ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n <= 0) return -1;
    text[n] = 0;
    long pages = 0, residentPages = 0;
    if (std::sscanf(text, "%ld %ld", &pages, &residentPages) != 2) return -1;
    return residentPages * (sysconf(_SC_PAGESIZE) / 1024);
}

void sampleRss(int64_t frame) {
    long kilobytes = residentKilobytes();
    if (kilobytes < 0) {
        std::fputs("deluge-frames: cannot read /proc/self/statm\n", stderr);
        _exit(1);
    }
    rssSamples.push_back(kilobytes);
    std::printf("rss frame %lld: %ld kB\n", static_cast<long long>(frame), kilobytes);
}

// The soak's verdict, once shutdown has released everything: the growth of the resident set
// past its first sample and the live-object report.
int32_t endSoak(int32_t status) {
    bool passed = true;
    if (rssSamples.empty()) {
        std::fputs("deluge-frames: no RSS sample was taken\n", stderr);
        passed = false;
    } else {
        long first = rssSamples.front(), highest = first;
        for (long sample : rssSamples) highest = std::max(highest, sample);
        double growth = double(highest - first) / double(first);
        std::printf("rss: %zu samples, first %ld kB, last %ld kB, max %ld kB, growth %.2f %%\n", rssSamples.size(),
                    first, rssSamples.back(), highest, growth * 100);
        if (growth >= allowedRssGrowth) {
            std::fprintf(stderr, "deluge-frames: the resident set grew by %.2f %% (allowed: under %.0f %%)\n",
                         growth * 100, allowedRssGrowth * 100);
            passed = false;
        }
    }
    LiveObjectReport report = liveObjectReport();
    if (!report.clean()) {
        std::fprintf(stderr, "deluge-frames: objects left alive or misused:\n%s",
                     formatLiveObjectReport(report).c_str());
        passed = false;
    } else {
        std::puts("live objects: none");
    }
    return passed ? status : 1;
}

void onPresent(const Surface& window, int64_t frame, void*) {
    if (frame == 1) {
        if (!options.atlas.empty()) writeAtlas();
        if (!options.picture.empty()) writePicture();
    }
    if (frame > options.frames) return;
    if (!options.out.empty() && frame % options.every == 0) writeFrame(window, frame);
    if (options.rssEvery > 0 && frame % options.rssEvery == 0) sampleRss(frame);
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
    if (options.rssEvery > 0) {
        rssSamples.reserve(size_t(options.frames / options.rssEvery));
        script.onEnd = endSoak;
    }
    offscreenConfigure(script);
    runDeluge();
}
