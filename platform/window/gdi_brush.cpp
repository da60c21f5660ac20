#include "platform/window/device_context.h"
#include "platform/window/surface_drawing.h"
#include "platform/base/kernel_object.h"
#include "platform/window/win_gdi.h"

#include <algorithm>
#include <unordered_map>

using namespace platform::detail;

namespace {

struct BrushTable {
    std::mutex lock;
    std::unordered_map<HBRUSH, COLORREF> colors;
};

BrushTable& brushTable() {
    static BrushTable* table = new BrushTable;
    return *table;
}

// The classic scheme's colours for the indices a class background may name.
COLORREF systemColor(int index) {
    switch (index) {
        case COLOR_WINDOW:
            return RGB(255, 255, 255);
        case COLOR_WINDOWTEXT:
            return RGB(0, 0, 0);
        case COLOR_BTNFACE:
            return RGB(240, 240, 240);
        case 14:
            return RGB(255, 255, 255);  // highlighted text
        default:
            return RGB(192, 192, 192);
    }
}

// A brush's colour: a made brush, or a system colour given as index + 1.
bool brushColor(HBRUSH brush, COLORREF* color) {
    auto value = reinterpret_cast<ULONG_PTR>(brush);
    if (value >= 1 && value <= 31) {
        *color = systemColor(static_cast<int>(value) - 1);
        return true;
    }
    BrushTable& table = brushTable();
    std::lock_guard<std::mutex> lock(table.lock);
    auto found = table.colors.find(brush);
    if (found == table.colors.end()) return false;
    *color = found->second;
    return true;
}

}  // namespace

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    HBRUSH brush = reinterpret_cast<HBRUSH>(nextHandleValue());
    BrushTable& table = brushTable();
    std::lock_guard<std::mutex> lock(table.lock);
    table.colors.emplace(brush, color & 0x00FFFFFFu);
    return brush;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    BrushTable& table = brushTable();
    std::lock_guard<std::mutex> lock(table.lock);
    return table.colors.erase(static_cast<HBRUSH>(object)) ? TRUE : FALSE;
}

int WINAPI FillRect(HDC deviceContext, const RECT* rect, HBRUSH brush) {
    COLORREF color = 0;
    auto context = findDeviceContext(deviceContext);
    if (!context || !rect || !brushColor(brush, &color)) return 0;
    if (!context->surface) return 1;
    Surface& surface = *context->surface;
    SurfaceDrawing drawing(surface);
    // The right and bottom edges are not filled, as on the original.
    LONG left = std::clamp<LONG>(rect->left, 0, surface.width);
    LONG right = std::clamp<LONG>(rect->right, 0, surface.width);
    LONG top = std::clamp<LONG>(rect->top, 0, surface.height);
    LONG bottom = std::clamp<LONG>(rect->bottom, 0, surface.height);
    uint32_t pixel = surfacePixel(color);
    for (LONG row = top; row < bottom; ++row) {
        auto start = surface.pixels.begin() + static_cast<ptrdiff_t>(row) * surface.width;
        std::fill(start + left, start + std::max(left, right), pixel);
    }
    return 1;
}
