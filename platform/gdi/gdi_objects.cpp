// Device contexts, DIB sections and the selection of objects into device contexts.
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/gdi/gdi_internal.h"
#include "platform/window/window_pixels.h"

namespace {

// A memory device context starts out holding a 1 × 1 bitmap, as on Windows.
ObjectHandle stockBitmap() {
    static uint32_t pixel = 0;
    static DibSection bitmap{{&pixel, 1, 1, 1}, nullptr, 0};
    static ObjectHandle handle = registerStockObject(ObjectKind::Bitmap, &bitmap, "the stock bitmap");
    return handle;
}

// Pixel counts above this are refused, so that a size can never overflow the arithmetic.
constexpr int64_t maxBitmapPixels = int64_t(1) << 28;

HDC createDeviceContext(HWND window, const char* label) {
    DeviceContext* context = new (std::nothrow) DeviceContext;
    if (!context) return nullptr;
    context->window = window;
    context->font = stockFont();
    if (!window) context->bitmap = stockBitmap();
    return handleCast<HDC>(registerObject(ObjectKind::DeviceContext, context, label));
}

// Gives a device context's selected objects back before the context goes, flagging any that
// the caller should have selected out first.
void releaseSelections(DeviceContext* context, const char* call) {
    if (context->bitmap && !isStockObject(context->bitmap)) {
        recordMisuse(call, "the device context still holds a bitmap");
        if (auto* bitmap = static_cast<DibSection*>(lookupObject(context->bitmap, ObjectKind::Bitmap, call)))
            bitmap->selectedInto = 0;
    }
    if (context->font && !isStockObject(context->font)) {
        recordMisuse(call, "the device context still holds a font");
        if (auto* font = static_cast<GdiFont*>(lookupObject(context->font, ObjectKind::Font, call)))
            font->selectedInto = 0;
    }
}

}  // namespace

DeviceContext* deviceContextOf(HDC dc, const char* call) {
    return static_cast<DeviceContext*>(lookupObject(handleOf(dc), ObjectKind::DeviceContext, call));
}

bool beginDrawing(DeviceContext* context, Surface* surface) {
    if (!context) return false;
    if (context->window) return lockWindowPixels(context->window, surface);
    auto* bitmap = static_cast<DibSection*>(lookupObject(context->bitmap, ObjectKind::Bitmap, "drawing"));
    if (!bitmap) return false;
    *surface = bitmap->surface;
    return true;
}

void endDrawing(DeviceContext* context) {
    if (context && context->window) unlockWindowPixels(context->window);
}

HDC WINAPI GetDC(HWND window) {
    if (!window) return nullptr;
    return createDeviceContext(window, "GetDC");
}

int WINAPI ReleaseDC(HWND window, HDC dc) {
    DeviceContext* context = deviceContextOf(dc, "ReleaseDC");
    if (!context) return 0;
    if (!context->window || context->window != window) {
        recordMisuse("ReleaseDC", "the device context is not this window's");
        return 0;
    }
    releaseSelections(context, "ReleaseDC");
    unregisterObject(handleOf(dc), ObjectKind::DeviceContext, "ReleaseDC");
    delete context;
    return 1;
}

HDC WINAPI CreateCompatibleDC(HDC dc) {
    // Any device context, or none (the screen), is a valid reference: all of them are 32-bit.
    if (dc && !deviceContextOf(dc, "CreateCompatibleDC")) return nullptr;
    return createDeviceContext(nullptr, "CreateCompatibleDC");
}

BOOL WINAPI DeleteDC(HDC dc) {
    DeviceContext* context = deviceContextOf(dc, "DeleteDC");
    if (!context) return FALSE;
    if (context->window) {
        recordMisuse("DeleteDC", "a window's device context is given back with ReleaseDC");
        return FALSE;
    }
    releaseSelections(context, "DeleteDC");
    unregisterObject(handleOf(dc), ObjectKind::DeviceContext, "DeleteDC");
    delete context;
    return TRUE;
}

HBITMAP WINAPI CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                DWORD offset) {
    if (bits) *bits = nullptr;
    if (dc && !deviceContextOf(dc, "CreateDIBSection")) return nullptr;
    if (!info || usage != DIB_RGB_COLORS || section || offset != 0) return nullptr;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 || header.biBitCount != 32 ||
        header.biCompression != BI_RGB)
        return nullptr;
    int64_t width = header.biWidth;
    int64_t height = header.biHeight < 0 ? -int64_t(header.biHeight) : int64_t(header.biHeight);
    if (width <= 0 || height <= 0 || width * height > maxBitmapPixels) return nullptr;

    size_t bytes = static_cast<size_t>(width * height * 4);
    void* memory = std::aligned_alloc(64, (bytes + 63) / 64 * 64);
    DibSection* bitmap = memory ? new (std::nothrow) DibSection : nullptr;
    if (!bitmap) {
        std::free(memory);
        return nullptr;
    }
    std::memset(memory, 0, bytes);
    auto* first = static_cast<uint32_t*>(memory);
    bitmap->memory = memory;
    bitmap->surface.width = static_cast<int32_t>(width);
    bitmap->surface.height = static_cast<int32_t>(height);
    // A positive height is a bottom-up bitmap: its first row in memory is the bottom one.
    bitmap->surface.stride = header.biHeight < 0 ? width : -width;
    bitmap->surface.pixels = header.biHeight < 0 ? first : first + (height - 1) * width;
    if (bits) *bits = memory;
    return handleCast<HBITMAP>(registerObject(ObjectKind::Bitmap, bitmap, "CreateDIBSection"));
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
    DeviceContext* context = deviceContextOf(dc, "SelectObject");
    ObjectHandle handle = handleOf(object);
    if (!context || !handle) return nullptr;
    switch (kindOfObject(handle)) {
    case ObjectKind::Bitmap: {
        auto* bitmap = static_cast<DibSection*>(lookupObject(handle, ObjectKind::Bitmap, "SelectObject"));
        if (context->window) return nullptr;  // a window's device context draws on the window only
        if (handle == context->bitmap) return object;
        // A bitmap can be selected into one memory device context at a time.
        if (bitmap->selectedInto && !isStockObject(handle)) return nullptr;
        ObjectHandle previous = context->bitmap;
        if (auto* old = static_cast<DibSection*>(lookupObject(previous, ObjectKind::Bitmap, "SelectObject")))
            old->selectedInto = 0;
        if (!isStockObject(handle)) bitmap->selectedInto = handleOf(dc);
        context->bitmap = handle;
        return handleCast<HGDIOBJ>(previous);
    }
    case ObjectKind::Font: {
        auto* font = static_cast<GdiFont*>(lookupObject(handle, ObjectKind::Font, "SelectObject"));
        ObjectHandle previous = context->font;
        if (handle == previous) return object;
        if (auto* old = static_cast<GdiFont*>(lookupObject(previous, ObjectKind::Font, "SelectObject")))
            old->selectedInto = 0;
        if (!isStockObject(handle)) font->selectedInto = handleOf(dc);
        context->font = handle;
        return handleCast<HGDIOBJ>(previous);
    }
    default:
        lookupObject(handle, ObjectKind::Bitmap, "SelectObject");  // records the dead handle
        return nullptr;
    }
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    ObjectHandle handle = handleOf(object);
    if (!handle) return FALSE;
    if (isStockObject(handle)) return TRUE;
    switch (kindOfObject(handle)) {
    case ObjectKind::Bitmap: {
        auto* bitmap = static_cast<DibSection*>(lookupObject(handle, ObjectKind::Bitmap, "DeleteObject"));
        if (bitmap->selectedInto) {
            recordMisuse("DeleteObject", "the bitmap is still selected into a device context");
            return FALSE;
        }
        unregisterObject(handle, ObjectKind::Bitmap, "DeleteObject");
        std::free(bitmap->memory);
        delete bitmap;
        return TRUE;
    }
    case ObjectKind::Font: {
        auto* font = static_cast<GdiFont*>(lookupObject(handle, ObjectKind::Font, "DeleteObject"));
        if (font->selectedInto) {
            recordMisuse("DeleteObject", "the font is still selected into a device context");
            return FALSE;
        }
        unregisterObject(handle, ObjectKind::Font, "DeleteObject");
        if (font->face) FT_Done_Face(font->face);
        delete font;
        return TRUE;
    }
    default:
        recordMisuse("DeleteObject", "a dead or unknown object handle");
        return FALSE;
    }
}

COLORREF WINAPI SetTextColor(HDC dc, COLORREF color) {
    DeviceContext* context = deviceContextOf(dc, "SetTextColor");
    if (!context) return CLR_INVALID;
    COLORREF previous = context->textColor;
    context->textColor = color & 0x00FFFFFFu;
    return previous;
}

int WINAPI SetBkMode(HDC dc, int mode) {
    DeviceContext* context = deviceContextOf(dc, "SetBkMode");
    if (!context || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    int previous = context->backgroundMode;
    context->backgroundMode = mode;
    return previous;
}
