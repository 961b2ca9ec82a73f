#pragma once
// The GDI+ flat interface the demo calls. On Windows this is the real library; elsewhere it is
// declared here, with the calls' own names and argument lists, and implemented in
// platform/gdiplus as a software rasterizer.
#include "platform/gdi/gdi.h"
#include "platform/win32/com_stream.h"

#if defined(_WIN32)
#include <gdiplus.h>
using namespace Gdiplus;
using namespace Gdiplus::DllExports;
#else
#include <cstdint>

#define WINGDIPAPI

typedef float REAL;
typedef DWORD ARGB;

enum Status {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
    NotTrueTypeFont = 16,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18,
    PropertyNotFound = 19,
    PropertyNotSupported = 20,
};
typedef Status GpStatus;

enum SmoothingMode {
    SmoothingModeInvalid = -1,
    SmoothingModeDefault = 0,
    SmoothingModeHighSpeed = 1,
    SmoothingModeHighQuality = 2,
    SmoothingModeNone = 3,
    SmoothingModeAntiAlias = 4,
};

enum PixelOffsetMode {
    PixelOffsetModeInvalid = -1,
    PixelOffsetModeDefault = 0,
    PixelOffsetModeHighSpeed = 1,
    PixelOffsetModeHighQuality = 2,
    PixelOffsetModeNone = 3,
    PixelOffsetModeHalf = 4,
};

enum TextRenderingHint {
    TextRenderingHintSystemDefault = 0,
    TextRenderingHintSingleBitPerPixelGridFit = 1,
    TextRenderingHintSingleBitPerPixel = 2,
    TextRenderingHintAntiAliasGridFit = 3,
    TextRenderingHintAntiAlias = 4,
    TextRenderingHintClearTypeGridFit = 5,
};

enum Unit {
    UnitWorld = 0,
    UnitDisplay = 1,
    UnitPixel = 2,
    UnitPoint = 3,
    UnitInch = 4,
    UnitDocument = 5,
    UnitMillimeter = 6,
};
typedef Unit GpUnit;

typedef INT PixelFormat;
#define PixelFormat32bppRGB 0x00022009
#define PixelFormat32bppARGB 0x0026200A
#define PixelFormat32bppPARGB 0x000E200B

enum ColorAdjustType {
    ColorAdjustTypeDefault = 0,
    ColorAdjustTypeBitmap = 1,
    ColorAdjustTypeBrush = 2,
    ColorAdjustTypePen = 3,
    ColorAdjustTypeText = 4,
    ColorAdjustTypeCount = 5,
    ColorAdjustTypeAny = 6,
};

enum ColorMatrixFlags {
    ColorMatrixFlagsDefault = 0,
    ColorMatrixFlagsSkipGrays = 1,
    ColorMatrixFlagsAltGray = 2,
};

// Rows for the input red, green, blue, alpha and a constant; columns for the outputs.
struct ColorMatrix {
    REAL m[5][5];
};

typedef BOOL(WINAPI* ImageAbort)(void* data);
typedef ImageAbort DrawImageAbort;

enum HatchStyle {
    HatchStyle25Percent = 9,
};
typedef HatchStyle GpHatchStyle;

enum WrapMode {
    WrapModeTile = 0,
    WrapModeTileFlipX = 1,
    WrapModeTileFlipY = 2,
    WrapModeTileFlipXY = 3,
    WrapModeClamp = 4,
};
typedef WrapMode GpWrapMode;

enum StringAlignment {
    StringAlignmentNear = 0,
    StringAlignmentCenter = 1,
    StringAlignmentFar = 2,
};

enum FontStyle {
    FontStyleRegular = 0,
    FontStyleBold = 1,
    FontStyleItalic = 2,
    FontStyleBoldItalic = 3,
    FontStyleUnderline = 4,
    FontStyleStrikeout = 8,
};

typedef WORD LANGID;

struct RectF {
    REAL X;
    REAL Y;
    REAL Width;
    REAL Height;
};

enum DebugEventLevel { DebugEventLevelFatal, DebugEventLevelWarning };
typedef void(WINAPI* DebugEventProc)(DebugEventLevel level, CHAR* message);
typedef Status(WINAPI* NotificationHookProc)(ULONG_PTR* token);
typedef void(WINAPI* NotificationUnhookProc)(ULONG_PTR token);

struct GdiplusStartupInput {
    UINT32 GdiplusVersion = 1;
    DebugEventProc DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;
};

struct GdiplusStartupOutput {
    NotificationHookProc NotificationHook;
    NotificationUnhookProc NotificationUnhook;
};

// Opaque object types; a solid fill and a hatch are brushes, a bitmap is an image.
struct GpGraphics;
struct GpBrush {};
struct GpSolidFill : GpBrush {};
struct GpHatch : GpBrush {};
struct GpLineGradient : GpBrush {};
struct GpImage {};
struct GpBitmap : GpImage {};
struct GpImageAttributes;
struct GpStringFormat;
struct GpFontFamily;
struct GpFontCollection;
struct GpFont;

Status WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);

GpStatus WINGDIPAPI GdipCreateFromHDC(HDC dc, GpGraphics** graphics);
GpStatus WINGDIPAPI GdipDeleteGraphics(GpGraphics* graphics);
GpStatus WINGDIPAPI GdipSetSmoothingMode(GpGraphics* graphics, SmoothingMode mode);
GpStatus WINGDIPAPI GdipSetPixelOffsetMode(GpGraphics* graphics, PixelOffsetMode mode);
GpStatus WINGDIPAPI GdipSetTextRenderingHint(GpGraphics* graphics, TextRenderingHint hint);
GpStatus WINGDIPAPI GdipGraphicsClear(GpGraphics* graphics, ARGB color);

GpStatus WINGDIPAPI GdipCreateSolidFill(ARGB color, GpSolidFill** brush);
GpStatus WINGDIPAPI GdipCreateHatchBrush(GpHatchStyle style, ARGB foreground, ARGB background, GpHatch** brush);
GpStatus WINGDIPAPI GdipCreateLineBrushFromRectWithAngle(const RectF* rect, ARGB color1, ARGB color2, REAL angle,
                                                         BOOL isAngleScalable, GpWrapMode wrapMode,
                                                         GpLineGradient** lineGradient);
GpStatus WINGDIPAPI GdipSetLineSigmaBlend(GpLineGradient* brush, REAL focus, REAL scale);
GpStatus WINGDIPAPI GdipSetLineGammaCorrection(GpLineGradient* brush, BOOL useGammaCorrection);
GpStatus WINGDIPAPI GdipDeleteBrush(GpBrush* brush);
GpStatus WINGDIPAPI GdipFillRectangle(GpGraphics* graphics, GpBrush* brush, REAL x, REAL y, REAL width, REAL height);

GpStatus WINGDIPAPI GdipCreateBitmapFromScan0(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0,
                                              GpBitmap** bitmap);
// Decodes a PNG file read from the stream's position to its end into a straight ARGB bitmap.
GpStatus WINGDIPAPI GdipCreateBitmapFromStream(IStream* stream, GpBitmap** bitmap);
GpStatus WINGDIPAPI GdipGetImageGraphicsContext(GpImage* image, GpGraphics** graphics);
GpStatus WINGDIPAPI GdipGetImageDimension(GpImage* image, REAL* width, REAL* height);
GpStatus WINGDIPAPI GdipBitmapGetPixel(GpBitmap* bitmap, INT x, INT y, ARGB* color);
GpStatus WINGDIPAPI GdipDisposeImage(GpImage* image);
GpStatus WINGDIPAPI GdipDrawImageRect(GpGraphics* graphics, GpImage* image, REAL x, REAL y, REAL width, REAL height);
GpStatus WINGDIPAPI GdipDrawImageRectRect(GpGraphics* graphics, GpImage* image, REAL dstx, REAL dsty, REAL dstwidth,
                                          REAL dstheight, REAL srcx, REAL srcy, REAL srcwidth, REAL srcheight,
                                          GpUnit srcUnit, const GpImageAttributes* imageAttributes,
                                          DrawImageAbort callback, void* callbackData);

GpStatus WINGDIPAPI GdipCreateStringFormat(INT formatAttributes, LANGID language, GpStringFormat** format);
GpStatus WINGDIPAPI GdipSetStringFormatAlign(GpStringFormat* format, StringAlignment align);
GpStatus WINGDIPAPI GdipSetStringFormatLineAlign(GpStringFormat* format, StringAlignment align);
GpStatus WINGDIPAPI GdipDeleteStringFormat(GpStringFormat* format);
GpStatus WINGDIPAPI GdipCreateFontFamilyFromName(const WCHAR* name, GpFontCollection* fontCollection,
                                                 GpFontFamily** fontFamily);
GpStatus WINGDIPAPI GdipDeleteFontFamily(GpFontFamily* fontFamily);
GpStatus WINGDIPAPI GdipCreateFont(const GpFontFamily* fontFamily, REAL emSize, INT style, Unit unit, GpFont** font);
GpStatus WINGDIPAPI GdipDeleteFont(GpFont* font);
GpStatus WINGDIPAPI GdipDrawString(GpGraphics* graphics, const WCHAR* string, INT length, const GpFont* font,
                                   const RectF* layoutRect, const GpStringFormat* stringFormat, const GpBrush* brush);

GpStatus WINGDIPAPI GdipCreateImageAttributes(GpImageAttributes** imageattr);
GpStatus WINGDIPAPI GdipSetImageAttributesColorMatrix(GpImageAttributes* imageattr, ColorAdjustType type,
                                                      BOOL enableFlag, const ColorMatrix* colorMatrix,
                                                      const ColorMatrix* grayMatrix, ColorMatrixFlags flags);
GpStatus WINGDIPAPI GdipDisposeImageAttributes(GpImageAttributes* imageattr);
#endif
