#include "platform/window/device_context.h"
#include "platform/window/surface_drawing.h"
#include "platform/window/stretch_mapping.h"
#include "platform/window/win_gdi.h"

using namespace platform::detail;

namespace {

constexpr int kLastStretchMode = 4;  // HALFTONE

// A 24-bit bitmap's rows by their position in the picture, top row first.
struct BgrBitmap {
    const BYTE* bits;
    int width;
    int height;
    bool bottomUp;
    size_t stride;  // rows are padded to four bytes

    const BYTE* row(int fromTop) const {
        size_t stored = bottomUp ? static_cast<size_t>(height - 1 - fromTop) : static_cast<size_t>(fromTop);
        return bits + stored * stride;
    }
};

bool describeBitmap(const void* bits, const BITMAPINFO* info, BgrBitmap* bitmap) {
    if (!bits || !info) return false;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biBitCount != 24 || header.biCompression != BI_RGB ||
        header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN) {
        return false;
    }
    bitmap->bits = static_cast<const BYTE*>(bits);
    bitmap->width = header.biWidth;
    bitmap->height = header.biHeight > 0 ? header.biHeight : -header.biHeight;
    bitmap->bottomUp = header.biHeight > 0;
    bitmap->stride = (static_cast<size_t>(header.biWidth) * 3 + 3) & ~static_cast<size_t>(3);
    return true;
}

void stretchRows(const BgrBitmap& bitmap, const StretchAxis& columns, const StretchAxis& rows, Surface& surface) {
    thread_local std::vector<int> sourceColumns;
    int firstX = columns.firstVisible(surface.width);
    mapSourceCoordinates(columns, firstX, columns.endVisible(surface.width), bitmap.width, sourceColumns);
    for (int y = rows.firstVisible(surface.height); y < rows.endVisible(surface.height); ++y) {
        int64_t sourceRow = rows.sourceAt(y);
        if (sourceRow < 0 || sourceRow >= bitmap.height) continue;
        const BYTE* in = bitmap.row(static_cast<int>(sourceRow));
        uint32_t* out = surface.pixels.data() + static_cast<size_t>(y) * surface.width + firstX;
        for (size_t i = 0; i < sourceColumns.size(); ++i) {
            if (sourceColumns[i] < 0) continue;
            const BYTE* bgr = in + static_cast<size_t>(sourceColumns[i]) * 3;
            out[i] = 0xFF000000u | (uint32_t{bgr[2]} << 16) | (uint32_t{bgr[1]} << 8) | bgr[0];
        }
    }
}

}  // namespace

int WINAPI SetStretchBltMode(HDC deviceContext, int mode) {
    auto context = findDeviceContext(deviceContext);
    if (!context || mode < BLACKONWHITE || mode > kLastStretchMode) return 0;
    return context->stretchMode.exchange(mode);
}

int WINAPI StretchDIBits(HDC deviceContext, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                         int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* bitmapInfo, UINT usage,
                         DWORD rasterOperation) {
    BgrBitmap bitmap{};
    if (usage != DIB_RGB_COLORS || rasterOperation != SRCCOPY || destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 ||
        srcHeight <= 0 || !describeBitmap(bits, bitmapInfo, &bitmap)) {
        return 0;
    }
    auto context = findDeviceContext(deviceContext);
    if (!context) return 0;
    if (!context->surface) return srcHeight;  // the screen: nothing to see
    // The source rectangle's top row, counted from the picture's top.
    int64_t sourceTop = bitmap.bottomUp ? int64_t{bitmap.height} - ySrc - srcHeight : int64_t{ySrc};
    StretchAxis columns{xDest, destWidth, xSrc, srcWidth};
    StretchAxis rows{yDest, destHeight, sourceTop, srcHeight};
    Surface& surface = *context->surface;
    SurfaceDrawing drawing(surface);
    stretchRows(bitmap, columns, rows, surface);
    return srcHeight;
}
