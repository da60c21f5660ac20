#include "platform/window/window_system.h"
#include "platform/base/win_error.h"
#include "platform/window/win_input.h"
#include "platform/window/win_window_testing.h"

#include <algorithm>

using namespace platform::detail;

namespace {

constexpr int kDoubleClickSize = 4;
constexpr UINT kDoubleClickTime = 500;

LONG widthOf(const RECT& rect) { return rect.right - rect.left; }
LONG heightOf(const RECT& rect) { return rect.bottom - rect.top; }

// An exposed window is painted again: what it shows is no longer what its last blit drew, so the
// next blit draws even if it repeats that one.
void markForPaintLocked(Window& window, bool erase) {
    {
        std::lock_guard<std::mutex> surfaceLock(window.surface->lock);
        window.surface->lastBlit.reset();
    }
    window.needsPaint = true;
    window.needsErase = window.needsErase || erase;
    window.queue->wake.notify_all();
}

// A window coming into view needs painting, and so do the children it shows with it.
void markTreeForPaintLocked(Window& window) {
    markForPaintLocked(window, true);
    for (HWND child : window.children) {
        auto childWindow = findWindowLocked(child);
        if (childWindow && (childWindow->style & WS_VISIBLE)) markTreeForPaintLocked(*childWindow);
    }
}

struct Placement {
    bool move;
    bool size;
    int x, y, width, height;
    bool redraw;
};

// Moves and sizes a window; a size change resizes its surface and sends WM_SIZE, a change of
// position sends WM_MOVE.
BOOL placeWindow(HWND handle, const Placement& placement) {
    std::unique_lock<std::mutex> lock(windowSystem().lock);
    auto window = requireWindowLocked(handle);
    if (!window) return FALSE;
    RECT& rect = window->rect;
    int width = placement.size ? clampWindowSide(placement.width) : widthOf(rect);
    int height = placement.size ? clampWindowSide(placement.height) : heightOf(rect);
    bool resized = width != widthOf(rect) || height != heightOf(rect);
    bool moved = false;
    if (placement.move) {
        const LONG x = clampWindowPosition(placement.x);
        const LONG y = clampWindowPosition(placement.y);
        moved = x != rect.left || y != rect.top;
        rect.left = x;
        rect.top = y;
    }
    const LPARAM position = MAKELPARAM(static_cast<WORD>(rect.left), static_cast<WORD>(rect.top));
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    if (resized) {
        std::lock_guard<std::mutex> surfaceLock(window->surface->lock);
        window->surface->resizeLocked(width, height);
    }
    if (placement.redraw && (resized || placement.move) && (window->style & WS_VISIBLE)) {
        markForPaintLocked(*window, true);
    }
    lock.unlock();
    if (resized) SendMessageW(handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    if (moved) SendMessageW(handle, WM_MOVE, 0, position);
    return TRUE;
}

}  // namespace

BOOL WINAPI GetClientRect(HWND handle, LPRECT rect) {
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    auto window = requireWindowLocked(handle);
    if (!window || !rect) return FALSE;
    *rect = RECT{0, 0, widthOf(window->rect), heightOf(window->rect)};
    return TRUE;
}

BOOL WINAPI GetWindowRect(HWND handle, LPRECT rect) {
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    auto window = requireWindowLocked(handle);
    if (!window || !rect) return FALSE;
    POINT origin = screenOriginLocked(*window);
    *rect = RECT{origin.x, origin.y, origin.x + widthOf(window->rect), origin.y + heightOf(window->rect)};
    return TRUE;
}

namespace {

// Moves the point by the window's screen origin: +1 from client to screen, -1 back.
BOOL shiftByScreenOrigin(HWND handle, LPPOINT point, int direction) {
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    auto window = requireWindowLocked(handle);
    if (!window || !point) return FALSE;
    POINT origin = screenOriginLocked(*window);
    point->x += direction * origin.x;
    point->y += direction * origin.y;
    return TRUE;
}

}  // namespace

BOOL WINAPI ClientToScreen(HWND handle, LPPOINT point) { return shiftByScreenOrigin(handle, point, 1); }

BOOL WINAPI ScreenToClient(HWND handle, LPPOINT point) { return shiftByScreenOrigin(handle, point, -1); }

BOOL WINAPI MoveWindow(HWND handle, int x, int y, int width, int height, BOOL repaint) {
    return placeWindow(handle, Placement{true, true, x, y, width, height, repaint != FALSE});
}

BOOL WINAPI SetWindowPos(HWND handle, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
    if (!(flags & SWP_NOZORDER) && (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST)) {
        std::lock_guard<std::mutex> lock(windowSystem().lock);
        if (auto window = findWindowLocked(handle)) {
            if (insertAfter == HWND_TOPMOST) {
                window->exStyle |= WS_EX_TOPMOST;
            } else {
                window->exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
            }
        }
    }
    Placement placement{!(flags & SWP_NOMOVE), !(flags & SWP_NOSIZE), x, y, width, height, !(flags & SWP_NOREDRAW)};
    if (!placeWindow(handle, placement)) return FALSE;
    if (flags & SWP_SHOWWINDOW) ShowWindow(handle, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    if (flags & SWP_HIDEWINDOW) ShowWindow(handle, SW_HIDE);
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND handle, int command) {
    std::unique_lock<std::mutex> lock(windowSystem().lock);
    auto window = requireWindowLocked(handle);
    if (!window) return FALSE;
    bool wasVisible = (window->style & WS_VISIBLE) != 0;
    if (command == SW_HIDE) {
        window->style &= ~static_cast<DWORD>(WS_VISIBLE);
        return wasVisible;
    }
    window->style |= WS_VISIBLE;
    if (!wasVisible && !window->messageOnly) markTreeForPaintLocked(*window);
    bool activates = command != SW_SHOWNA && !window->parent && !window->messageOnly;
    lock.unlock();
    if (activates) SetFocus(handle);
    return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND handle) {
    std::unique_lock<std::mutex> lock(windowSystem().lock);
    auto window = requireWindowLocked(handle);
    if (!window) return FALSE;
    bool paintNow = window->needsPaint && isShownLocked(*window);
    lock.unlock();
    if (paintNow) SendMessageW(handle, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL WINAPI InvalidateRect(HWND handle, const RECT*, BOOL erase) {
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    auto window = requireWindowLocked(handle);
    if (!window) return FALSE;
    markForPaintLocked(*window, erase != FALSE);
    return TRUE;
}

int WINAPI GetSystemMetrics(int index) {
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    WindowSystem& system = windowSystem();
    switch (index) {
        case SM_CXSCREEN:
        case SM_CXVIRTUALSCREEN:
            return system.screenWidth;
        case SM_CYSCREEN:
        case SM_CYVIRTUALSCREEN:
            return system.screenHeight;
        case SM_CXDOUBLECLK:
        case SM_CYDOUBLECLK:
            return kDoubleClickSize;
        default:
            return 0;
    }
}

UINT WINAPI GetDoubleClickTime() { return kDoubleClickTime; }

namespace platform::testing {

void setScreenSize(int width, int height) {
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    windowSystem().screenWidth = width;
    windowSystem().screenHeight = height;
}

int pumpPendingMessages() {
    constexpr int kLimit = 10000;
    return dispatchDueMessages(kLimit, PostedQuit::Keep);
}

}  // namespace platform::testing
