#pragma once
// The Windows GDI calls the demo makes (device contexts, DIB sections, copies and text). On
// Windows this is the real API; elsewhere it is declared here and implemented in platform/gdi.
#include "platform/win32/win32.h"

#if !defined(_WIN32)
typedef DWORD COLORREF;
typedef void* HGDIOBJ;
struct HDC__;
typedef HDC__* HDC;
struct HBITMAP__;
typedef HBITMAP__* HBITMAP;
struct HFONT__;
typedef HFONT__* HFONT;
typedef RECT* LPRECT;

#define RGB(r, g, b) \
    (static_cast<COLORREF>((static_cast<BYTE>(r)) | (static_cast<WORD>(static_cast<BYTE>(g)) << 8) | \
                           (static_cast<DWORD>(static_cast<BYTE>(b)) << 16)))

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO;

#define BI_RGB 0u
#define DIB_RGB_COLORS 0u

// Raster operations.
#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u

// Background modes.
#define TRANSPARENT 1
#define OPAQUE 2

// DrawTextA formats.
#define DT_TOP 0x00000000u
#define DT_LEFT 0x00000000u
#define DT_SINGLELINE 0x00000020u
#define DT_NOCLIP 0x00000100u

// CreateFontA arguments.
#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700
#define DEFAULT_CHARSET 1u
#define OUT_DEFAULT_PRECIS 0u
#define CLIP_DEFAULT_PRECIS 0u
#define DEFAULT_QUALITY 0u
#define ANTIALIASED_QUALITY 4u
#define PROOF_QUALITY 2u
#define DEFAULT_PITCH 0u
#define FF_DONTCARE 0u

HDC WINAPI GetDC(HWND window);
int WINAPI ReleaseDC(HWND window, HDC dc);

HBITMAP WINAPI CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                DWORD offset);
HDC WINAPI CreateCompatibleDC(HDC dc);
HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object);
BOOL WINAPI DeleteDC(HDC dc);
BOOL WINAPI DeleteObject(HGDIOBJ object);

BOOL WINAPI BitBlt(HDC dc, int x, int y, int cx, int cy, HDC source, int x1, int y1, DWORD rop);
BOOL WINAPI StretchBlt(HDC dest, int xDest, int yDest, int wDest, int hDest, HDC source, int xSrc, int ySrc,
                       int wSrc, int hSrc, DWORD rop);

HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                         DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                         DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);
COLORREF WINAPI SetTextColor(HDC dc, COLORREF color);
int WINAPI SetBkMode(HDC dc, int mode);
int WINAPI DrawTextA(HDC dc, LPCSTR text, int length, LPRECT rect, UINT format);

#define CLR_INVALID 0xFFFFFFFFu
#endif
