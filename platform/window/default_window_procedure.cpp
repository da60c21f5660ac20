#include "platform/window/window_system.h"
#include "platform/window/win_gdi.h"
#include "platform/window/win_input.h"
#include "platform/window/win_window.h"

using namespace platform::detail;

namespace {

std::shared_ptr<WindowClass> classOf(HWND handle) {
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    auto window = findWindowLocked(handle);
    return window ? window->windowClass : nullptr;
}

// Fills the client area with the class background; 1 when there was one to fill with.
LRESULT eraseBackground(HWND handle, HDC deviceContext) {
    auto windowClass = classOf(handle);
    if (!windowClass || !windowClass->background) return 0;
    RECT client{};
    GetClientRect(handle, &client);
    FillRect(deviceContext, &client, windowClass->background);
    return 1;
}

}  // namespace

LRESULT WINAPI DefWindowProcW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE:
            return TRUE;
        case WM_CLOSE:
            DestroyWindow(handle);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(handle, &paint);
            EndPaint(handle, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return eraseBackground(handle, reinterpret_cast<HDC>(wParam));
        case WM_SETCURSOR: {
            auto windowClass = classOf(handle);
            if (LOWORD(lParam) == HTCLIENT && windowClass && windowClass->cursor) SetCursor(windowClass->cursor);
            return FALSE;
        }
        case WM_MOUSEACTIVATE:
            return MA_ACTIVATE;
        default:
            return 0;
    }
}
