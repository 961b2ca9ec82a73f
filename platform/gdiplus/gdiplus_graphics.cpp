// Starting and shutting down GDI+, graphics contexts on device contexts and their settings.
#include <cmath>
#include <new>

#include "platform/gdi/gdi_internal.h"
#include "platform/gdiplus/gdiplus_internal.h"
#include "platform/gdiplus/gdiplus_testing.h"
#include "platform/text/font_faces.h"

namespace {

struct StartupState {
    bool started = false;
    bool refuse = false;  // set by tests
    ULONG_PTR token = 0;
};

StartupState& startup() {
    static StartupState state;
    return state;
}

constexpr ObjectKind gdiplusKinds[] = {ObjectKind::Graphics, ObjectKind::Brush, ObjectKind::Image, ObjectKind::ImageAttributes,
                                     ObjectKind::StringFormat, ObjectKind::FontFamily, ObjectKind::GdiplusFont};

void freeLeftover(ObjectHandle handle, void* object, void* kindPointer) {
    ObjectKind kind = *static_cast<ObjectKind*>(kindPointer);
    recordMisuse("GdiplusShutdown", "an object was still alive");
    unregisterObject(handle, kind, "GdiplusShutdown");
    if (kind == ObjectKind::Graphics) delete static_cast<Graphics*>(object);
    else if (kind == ObjectKind::Brush) delete static_cast<Brush*>(object);
    else if (kind == ObjectKind::Image) freeImage(static_cast<Image*>(object));
    else if (kind == ObjectKind::ImageAttributes) delete static_cast<ImageAttributes*>(object);
    else deleteTextObject(kind, object);
}

}  // namespace

Graphics* graphicsOf(GpGraphics* graphics, const char* call) {
    if (!gdiplusReady(call)) return nullptr;
    return static_cast<Graphics*>(lookupObject(handleOf(graphics), ObjectKind::Graphics, call));
}

DrawTarget::DrawTarget(const Graphics* graphics, const char* call) {
    if (graphics->image) {
        auto* image = static_cast<Image*>(lookupObject(graphics->image, ObjectKind::Image, call));
        if (!image) return;
        surface = image->surface;
        premultiplied = image->premultiplied;
        image->copyCurrent = false;  // about to be drawn into
        ready = true;
        return;
    }
    dc_ = graphics->dc;
    ready = beginDrawing(deviceContextOf(dc_, call), &surface);
}

DrawTarget::~DrawTarget() {
    if (ready && dc_) endDrawing(deviceContextOf(dc_, "drawing"));
}

uint32_t blendOverStraight(uint32_t pixel, uint32_t color, uint32_t alpha) {
    if (alpha == 0) return pixel;
    double sourceAlpha = alpha / 255.0;
    double destAlpha = (pixel >> 24) / 255.0 * (1.0 - sourceAlpha);
    double outAlpha = sourceAlpha + destAlpha;
    uint32_t result = static_cast<uint32_t>(std::lrint(outAlpha * 255.0)) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        double value = (((color >> shift) & 0xFF) * sourceAlpha + ((pixel >> shift) & 0xFF) * destAlpha) / outAlpha;
        result |= static_cast<uint32_t>(std::lrint(value)) << shift;
    }
    return result;
}

void gdiplusRefuseStartup(bool refuse) { startup().refuse = refuse; }

bool gdiplusReady(const char* call) {
    if (startup().started) return true;
    recordMisuse(call, "GDI+ is not started");
    return false;
}

Status WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output) {
    StartupState& state = startup();
    if (!token || !input) return InvalidParameter;
    if (input->GdiplusVersion < 1 || input->GdiplusVersion > 3) return UnsupportedGdiplusVersion;
    // Text needs FreeType; without it GDI+ cannot work.
    if (state.refuse || !freetypeLibrary()) return GenericError;
    if (output) *output = GdiplusStartupOutput{nullptr, nullptr};
    state.started = true;
    *token = ++state.token;
    return Ok;
}

void WINAPI GdiplusShutdown(ULONG_PTR token) {
    StartupState& state = startup();
    if (!state.started || token != state.token) {
        recordMisuse("GdiplusShutdown", "not a token of a running GDI+");
        return;
    }
    for (ObjectKind kind : gdiplusKinds) forEachLiveObject(kind, freeLeftover, &kind);
    state.started = false;
}

GpStatus WINGDIPAPI GdipCreateFromHDC(HDC dc, GpGraphics** graphics) {
    if (!graphics) return InvalidParameter;
    *graphics = nullptr;
    if (!gdiplusReady("GdipCreateFromHDC")) return GdiplusNotInitialized;
    if (!deviceContextOf(dc, "GdipCreateFromHDC")) return InvalidParameter;
    Graphics* made = new (std::nothrow) Graphics;
    if (!made) return OutOfMemory;
    made->dc = dc;
    *graphics = handleCast<GpGraphics*>(registerObject(ObjectKind::Graphics, made, "GdipCreateFromHDC"));
    return Ok;
}

GpStatus WINGDIPAPI GdipDeleteGraphics(GpGraphics* graphics) {
    if (!graphicsOf(graphics, "GdipDeleteGraphics")) return InvalidParameter;
    delete static_cast<Graphics*>(unregisterObject(handleOf(graphics), ObjectKind::Graphics, "GdipDeleteGraphics"));
    return Ok;
}

GpStatus WINGDIPAPI GdipSetSmoothingMode(GpGraphics* graphics, SmoothingMode mode) {
    Graphics* g = graphicsOf(graphics, "GdipSetSmoothingMode");
    if (!g || mode < SmoothingModeDefault || mode > SmoothingModeAntiAlias) return InvalidParameter;
    g->smoothing = mode;
    return Ok;
}

GpStatus WINGDIPAPI GdipSetPixelOffsetMode(GpGraphics* graphics, PixelOffsetMode mode) {
    Graphics* g = graphicsOf(graphics, "GdipSetPixelOffsetMode");
    if (!g || mode < PixelOffsetModeDefault || mode > PixelOffsetModeHalf) return InvalidParameter;
    g->pixelOffset = mode;
    return Ok;
}

GpStatus WINGDIPAPI GdipSetTextRenderingHint(GpGraphics* graphics, TextRenderingHint hint) {
    Graphics* g = graphicsOf(graphics, "GdipSetTextRenderingHint");
    if (!g || hint < TextRenderingHintSystemDefault || hint > TextRenderingHintClearTypeGridFit)
        return InvalidParameter;
    g->textHint = hint;
    return Ok;
}
