#include "platform/window/content_hash.h"
#include "platform/window/device_context.h"
#include "platform/window/surface_drawing.h"
#include "platform/window/stretch_mapping.h"
#include "platform/window/win_gdi.h"

#include <algorithm>

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

// A stretch of the bitmap onto a surface: the source column of each destination column in
// [firstX, end) (-1 outside the bitmap) and the rows.
struct Stretch {
    const BgrBitmap& bitmap;
    const std::vector<int>& sourceColumns;
    int firstX;
    const StretchAxis& rows;
    int firstY;
    int endY;

    const BYTE* sourceRow(int y) const {
        int64_t row = rows.sourceAt(y);
        return row < 0 || row >= bitmap.height ? nullptr : bitmap.row(static_cast<int>(row));
    }
};

void stretchRows(const Stretch& stretch, Surface& surface) {
    const std::vector<int>& columns = stretch.sourceColumns;
    for (int y = stretch.firstY; y < stretch.endY; ++y) {
        const BYTE* in = stretch.sourceRow(y);
        if (!in) continue;
        uint32_t* out = surface.pixels.data() + static_cast<size_t>(y) * surface.width + stretch.firstX;
        for (size_t i = 0; i < columns.size(); ++i) {
            if (columns[i] < 0) continue;
            const BYTE* bgr = in + static_cast<size_t>(columns[i]) * 3;
            out[i] = 0xFF000000u | (uint32_t{bgr[2]} << 16) | (uint32_t{bgr[1]} << 8) | bgr[0];
        }
    }
}

// A hash of every byte the stretch reads: the rows it shows, each from the first column it shows to
// the last.
uint64_t hashShownBits(const Stretch& stretch) {
    const std::vector<int>& columns = stretch.sourceColumns;
    auto shown = [](int column) { return column >= 0; };
    auto first = std::find_if(columns.begin(), columns.end(), shown);
    if (first == columns.end()) return 0;
    const int last = *std::find_if(columns.rbegin(), columns.rend(), shown);
    const size_t offset = static_cast<size_t>(*first) * 3;
    const size_t length = static_cast<size_t>(last - *first + 1) * 3;
    uint64_t hash = 0;
    const BYTE* previous = nullptr;
    for (int y = stretch.firstY; y < stretch.endY; ++y) {
        const BYTE* in = stretch.sourceRow(y);
        if (!in || in == previous) continue;
        previous = in;
        hash = hashMore(hash, in + offset, length);
    }
    return hash;
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
    SurfaceChangeNotice notice(surface);  // heard once the lock below is released
    std::lock_guard<std::mutex> hold(surface.lock);
    thread_local std::vector<int> sourceColumns;
    const int firstX = columns.firstVisible(surface.width);
    mapSourceCoordinates(columns, firstX, columns.endVisible(surface.width), bitmap.width, sourceColumns);
    const Stretch stretch{bitmap, sourceColumns, firstX, rows, rows.firstVisible(surface.height),
                          rows.endVisible(surface.height)};
    // The same bits stretched the same way onto pixels nothing has drawn over since: nothing to do.
    const BlitKey key{0,
                      hashShownBits(stretch),
                      {xDest, yDest, destWidth, destHeight, xSrc, sourceTop, srcWidth, srcHeight, bitmap.width,
                       bitmap.height, surface.width, surface.height}};
    if (surface.holdsBlitLocked(key)) {
        notice.withdraw();
        return srcHeight;
    }
    stretchRows(stretch, surface);
    surface.drewLocked(key);
    return srcHeight;
}
