// Starting and shutting down GDI+, graphics contexts on device contexts and their settings.
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

constexpr ObjectKind gdiplusKinds[] = {ObjectKind::Graphics, ObjectKind::Brush, ObjectKind::Image};

void freeLeftover(ObjectHandle handle, void* object, void* kindPointer) {
    ObjectKind kind = *static_cast<ObjectKind*>(kindPointer);
    recordMisuse("GdiplusShutdown", "an object was still alive");
    unregisterObject(handle, kind, "GdiplusShutdown");
    if (kind == ObjectKind::Graphics) delete static_cast<Graphics*>(object);
    else if (kind == ObjectKind::Brush) delete static_cast<Brush*>(object);
}

Graphics* graphicsOf(GpGraphics* graphics, const char* call) {
    if (!gdiplusReady(call)) return nullptr;
    return static_cast<Graphics*>(lookupObject(handleOf(graphics), ObjectKind::Graphics, call));
}

}  // namespace

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
