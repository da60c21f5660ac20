// A window whose client-area pixels tests read back after drawing into it, destroyed with the
// object on the thread that made it.
#pragma once

#include "platform/window/win_gdi.h"
#include "platform/window/win_surface_testing.h"
#include "platform/window/win_window.h"

#include <cstdint>
#include <mutex>

namespace test_support {

class PixelWindow {
public:
    // A top-level window at (x, y) on the screen, or a child window at (x, y) in its parent's
    // client area. Its pixels start opaque black.
    PixelWindow(int x, int y, int width, int height, HWND parent = nullptr) {
        static std::once_flag registered;
        std::call_once(registered, [] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof(windowClass);
            windowClass.lpfnWndProc = DefWindowProcW;
            windowClass.lpszClassName = kClassName;
            RegisterClassExW(&windowClass);
        });
        DWORD style = WS_VISIBLE | (parent ? WS_CHILD : 0);
        handle_ =
            CreateWindowExW(0, kClassName, L"pixels", style, x, y, width, height, parent, nullptr, nullptr, nullptr);
    }
    PixelWindow(const PixelWindow&) = delete;
    PixelWindow& operator=(const PixelWindow&) = delete;
    ~PixelWindow() {
        if (handle_) DestroyWindow(handle_);
    }

    HWND handle() const { return handle_; }
    platform::testing::SurfacePixels pixels() const { return platform::testing::readSurface(handle_); }

private:
    static constexpr const wchar_t* kClassName = L"TestPixelWindow";
    HWND handle_ = nullptr;
};

// Fills the window's whole client area with a colour through GDI.
inline void fillWindow(HWND window, COLORREF colour) {
    HDC deviceContext = GetDC(window);
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all{};
    GetClientRect(window, &all);
    FillRect(deviceContext, &all, brush);
    DeleteObject(brush);
    ReleaseDC(window, deviceContext);
}

// The green channel of a surface pixel (0xAARRGGBB): the one that carries most of the luma.
inline int greenOf(uint32_t pixel) { return static_cast<int>((pixel >> 8) & 0xFF); }

}  // namespace test_support
