#include "bench/cairo_frame.h"

#include <cstring>
#include <vector>

#include "render/frame_composition.h"
#include "render/render_surfaces.h"

namespace {

struct CairoLayers {
    cairo_surface_t* trail = nullptr;
    cairo_surface_t* frame = nullptr;
    cairo_surface_t* picture = nullptr;
    cairo_surface_t* window = nullptr;
    cairo_t* trailContext = nullptr;
    cairo_t* frameContext = nullptr;
    cairo_t* windowContext = nullptr;
    cairo_pattern_t* hatch = nullptr;
    std::vector<cairo_surface_t*> glyphs;  // [glyph][variant], premultiplied
};

CairoLayers layers;

constexpr double labelEm = 10.5;  // a 12 px cell of the label font

double channel(uint32_t argb, int shift) { return ((argb >> shift) & 0xFF) / 255.0; }

void setSourceArgb(cairo_t* context, uint32_t argb) {
    cairo_set_source_rgba(context, channel(argb, 16), channel(argb, 8), channel(argb, 0), channel(argb, 24));
}

uint32_t premultiplied(uint32_t argb) {
    uint32_t a = argb >> 24;
    auto scale = [a](uint32_t c) { return (c * a + 127) / 255; };
    return a << 24 | scale((argb >> 16) & 0xFF) << 16 | scale((argb >> 8) & 0xFF) << 8 | scale(argb & 0xFF);
}

// The 25% hatch as an 8 × 8 tile: the background, and the foreground over it on every other
// pixel of every fourth column, shifted by two on odd rows.
cairo_pattern_t* makeHatch() {
    cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
    cairo_t* context = cairo_create(tile);
    setSourceArgb(context, hatchBackground);
    cairo_paint(context);
    setSourceArgb(context, hatchForeground);
    for (int y = 0; y < 8; ++y)
        for (int x = (y % 2) * 2; x < 8; x += 4) cairo_rectangle(context, x, y, 1, 1);
    cairo_fill(context);
    cairo_destroy(context);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
    cairo_surface_destroy(tile);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    return pattern;
}

cairo_surface_t* surfaceFromWords(const uint32_t* words, int width, int height, bool straight) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) return surface;
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
        for (int x = 0; x < width; ++x) {
            uint32_t word = words ? words[size_t(y) * size_t(width) + size_t(x)] : 0;
            row[x] = straight ? premultiplied(word) : word;
        }
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

void makeGlyphs() {
    std::vector<uint32_t> pixels(size_t(cellWidth) * cellHeight);
    for (uint16_t glyph = 0; glyph <= glyphCount; ++glyph)
        for (unsigned variant = 0; variant < glyphVariantCount; ++variant) {
            GpBitmap* bitmap = glyphBitmap(glyph, GlyphVariant(variant));
            for (int y = 0; y < cellHeight; ++y)
                for (int x = 0; x < cellWidth; ++x) {
                    ARGB p = 0;
                    if (bitmap) GdipBitmapGetPixel(bitmap, x, y, &p);
                    pixels[size_t(y) * cellWidth + size_t(x)] = p;
                }
            layers.glyphs.push_back(surfaceFromWords(pixels.data(), cellWidth, cellHeight, true));
        }
}

// dest |= source over the whole layer.
void orCopy(cairo_surface_t* dest, cairo_surface_t* source) {
    cairo_surface_flush(dest);
    cairo_surface_flush(source);
    auto* out = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(dest));
    const auto* in = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(source));
    size_t count = size_t(cairo_image_surface_get_stride(dest) / 4) * size_t(cairo_image_surface_get_height(dest));
    for (size_t i = 0; i < count; ++i) out[i] |= in[i];
    cairo_surface_mark_dirty(dest);
}

void fillLayer(cairo_t* context) {
    cairo_rectangle(context, 0, 0, RenderSize.width, RenderSize.height);
    cairo_fill(context);
}

}  // namespace

bool createCairoFrame() {
    int width = RenderSize.width, height = RenderSize.height;
    layers.trail = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    layers.frame = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    layers.window = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, WindowSize.width, WindowSize.height);
    layers.picture = surfaceFromWords(static_cast<const uint32_t*>(PictureLayer.pixels), width, height, false);
    makeGlyphs();
    for (cairo_surface_t* surface : {layers.trail, layers.frame, layers.window, layers.picture})
        if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) return false;
    for (cairo_surface_t* surface : layers.glyphs)
        if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) return false;
    layers.trailContext = cairo_create(layers.trail);
    layers.frameContext = cairo_create(layers.frame);
    layers.windowContext = cairo_create(layers.window);
    layers.hatch = makeHatch();

    cairo_set_source_rgb(layers.trailContext, 0, 0, 0);
    cairo_paint(layers.trailContext);
    cairo_select_font_face(layers.frameContext, "Times New Roman", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(layers.frameContext, labelEm);
    cairo_scale(layers.windowContext, double(WindowSize.width) / width, double(WindowSize.height) / height);
    cairo_set_operator(layers.windowContext, CAIRO_OPERATOR_SOURCE);
    return true;
}

void drawCairoFrame(const FrameDraws& frame) {
    cairo_set_source(layers.frameContext, layers.hatch);
    fillLayer(layers.frameContext);
    setSourceArgb(layers.trailContext, fadeColor);
    fillLayer(layers.trailContext);
    for (const GlyphDraw& draw : frame.draws) {
        cairo_t* context = draw.intoTrail ? layers.trailContext : layers.frameContext;
        cairo_surface_t* glyph = layers.glyphs[size_t(draw.glyph) * glyphVariantCount + draw.variant];
        cairo_set_source_surface(context, glyph, draw.x, draw.y);
        cairo_pattern_set_filter(cairo_get_source(context), CAIRO_FILTER_BILINEAR);
        cairo_paint(context);
    }
    if (frame.pulse) orCopy(layers.trail, layers.picture);
    orCopy(layers.frame, layers.trail);

    setSourceArgb(layers.frameContext, 0xFFF8F8F8);
    cairo_move_to(layers.frameContext, 2, 12);
    cairo_show_text(layers.frameContext, "30 fps");

    cairo_set_source_surface(layers.windowContext, layers.frame, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(layers.windowContext), CAIRO_FILTER_NEAREST);
    cairo_paint(layers.windowContext);
}

cairo_surface_t* cairoWindow() { return layers.window; }

void releaseCairoFrame() {
    for (cairo_t* context : {layers.trailContext, layers.frameContext, layers.windowContext})
        if (context) cairo_destroy(context);
    if (layers.hatch) cairo_pattern_destroy(layers.hatch);
    for (cairo_surface_t* surface : layers.glyphs) cairo_surface_destroy(surface);
    for (cairo_surface_t* surface : {layers.trail, layers.frame, layers.window, layers.picture})
        if (surface) cairo_surface_destroy(surface);
    layers = CairoLayers{};
}
