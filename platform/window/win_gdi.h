// Drawing into window surfaces: device contexts, painting, solid brushes, text and stretched
// device-independent bitmaps. Every window
// has a 32-bit BGRA surface the size of its client area; a device context draws into it in client
// coordinates, clipped to it. The screen's device context (GetDC(NULL)) has no surface: drawing
// into it does nothing.
#pragma once

#include "platform/base/win_types.h"
#include "platform/base/win_user_types.h"

#define RGB(r, g, b) ((COLORREF)(((BYTE)(r)) | ((DWORD)((BYTE)(g)) << 8) | ((DWORD)((BYTE)(b)) << 16)))
#define GetRValue(color) ((BYTE)((color)&0xFF))
#define GetGValue(color) ((BYTE)(((color) >> 8) & 0xFF))
#define GetBValue(color) ((BYTE)(((color) >> 16) & 0xFF))

// System colours; a class background or FillRect brush may be given as (HBRUSH)(COLOR_x + 1).
#define COLOR_WINDOW 5
#define COLOR_WINDOWTEXT 8
#define COLOR_BTNFACE 15

// Text alignment (SetTextAlign): a horizontal and a vertical choice.
#define TA_NOUPDATECP 0u
#define TA_UPDATECP 1u
#define TA_LEFT 0u
#define TA_RIGHT 2u
#define TA_CENTER 6u
#define TA_TOP 0u
#define TA_BOTTOM 8u
#define TA_BASELINE 24u
#define GDI_ERROR 0xFFFFFFFFu

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};
typedef PAINTSTRUCT* LPPAINTSTRUCT;

// Validates the window (its pending WM_PAINT goes away) and, when the invalidation asked for it,
// sends WM_ERASEBKGND first; fErase tells whether the background still needs erasing.
HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint);
BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT* paint);
HDC WINAPI GetDC(HWND window);
int WINAPI ReleaseDC(HWND window, HDC deviceContext);

HBRUSH WINAPI CreateSolidBrush(COLORREF color);
BOOL WINAPI DeleteObject(HGDIOBJ object);
int WINAPI FillRect(HDC deviceContext, const RECT* rect, HBRUSH brush);

UINT WINAPI SetTextAlign(HDC deviceContext, UINT align);
// Draws black text in SimHei (simhei.ttf in the fonts folder) 16 pixels high, with a transparent
// background. Fails (FALSE), drawing nothing, when the font cannot be loaded.
BOOL WINAPI TextOutW(HDC deviceContext, int x, int y, LPCWSTR text, int length);

// Device-independent bitmaps: 24-bit BGR pixels (BI_RGB), rows padded to four bytes. A positive
// height is a bottom-up bitmap (the first row in memory is the bottom row), a negative one a
// top-down bitmap.
#define BI_RGB 0u
#define DIB_RGB_COLORS 0u
#define SRCCOPY 0x00CC0020u

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
} BITMAPINFOHEADER, *LPBITMAPINFOHEADER;

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO, *LPBITMAPINFO;

static_assert(sizeof(BITMAPINFOHEADER) == 40);

// Stretch modes; a new device context has BLACKONWHITE. Every mode stretches by nearest
// neighbour here, which is what COLORONCOLOR does on the original.
#define BLACKONWHITE 1
#define COLORONCOLOR 3

// The previous mode, or 0 for an unknown context or mode.
int WINAPI SetStretchBltMode(HDC deviceContext, int mode);

// Stretches the source rectangle of the bitmap onto the destination rectangle (client coordinates)
// by nearest neighbour, clipped to the surface. The source rectangle's y counts from the bottom row
// of a bottom-up bitmap and from the top row of a top-down one; destination pixels whose source lies
// outside the bitmap are left as they are. Only 24-bit BI_RGB bitmaps, DIB_RGB_COLORS and SRCCOPY,
// with positive extents. Returns the number of source rows, 0 on failure. When the window shows what
// the same call drew last, with nothing drawn into it, nor exposed, since and the same bits where
// the call reads, it does no work.
int WINAPI StretchDIBits(HDC deviceContext, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                         int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* bitmapInfo, UINT usage,
                         DWORD rasterOperation);
