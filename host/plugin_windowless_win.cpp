#include "host/plugin_windowless_win.h"

#include "host/events/key_codes.h"
#include "host/events/key_events.h"
#include "host/events/modifier_keys.h"
#include "host/events/mouse_events.h"
#include "host/events/window_events.h"
#include "host/events/windows_event.h"
#include "platform/window/win_gdi.h"

namespace FB {

PluginWindowlessWin::PluginWindowlessWin(const WindowContextWindowless& context)
    : m_hdc(context.drawable) {}

PluginWindowlessWin::~PluginWindowlessWin() { m_invalidate = nullptr; }

void PluginWindowlessWin::repaintWindow() {
    if (m_invalidate) m_invalidate(0, 0, m_width, m_height);
}

Rect PluginWindowlessWin::windowRect() {
    return Rect{m_y, m_x, m_y + m_height, m_x + m_width};
}

void PluginWindowlessWin::setWindowPosition(int32_t x, int32_t y, int32_t width, int32_t height) {
    bool changed = x != m_x || y != m_y || width != m_width || height != m_height;
    m_x = x;
    m_y = y;
    m_width = width;
    m_height = height;
    if (changed) {
        ResizedEvent event;
        broadcastEvent(&event);
    }
}

void PluginWindowlessWin::setClipRect(int32_t top, int32_t left, int32_t bottom, int32_t right) {
    m_clip = Rect{top, left, bottom, right};
}

bool PluginWindowlessWin::handleDraw(HDC dc, const Rect& bounds) {
    if (dc != m_hdc) m_hdc = dc;
    const DestructionWatch watch = watchDestruction();
    RefreshEvent refresh(bounds);
    if (broadcastEvent(&refresh)) return true;
    if (watch.sourceDestroyed()) return false;  // an observer destroyed this window meanwhile
    Rect area = windowRect();
    static const wchar_t kFallbackText[] = L"Web Camera Plugin";
    SetTextAlign(m_hdc, TA_CENTER | TA_BASELINE);
    TextOutW(m_hdc, area.left + (area.right - area.left) / 2, area.top + (area.bottom - area.top) / 2,
             kFallbackText, 17);
    return true;
}

bool PluginWindowlessWin::HandleEvent(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    LRESULT local = 0;
    const DestructionWatch watch = watchDestruction();
    WindowsEvent raw(nullptr, message, wParam, lParam, local);
    if (broadcastEvent(&raw)) {
        result = local;
        return true;
    }
    if (watch.sourceDestroyed()) return false;  // an observer destroyed this window meanwhile
    const unsigned modifiers = currentModifierState();
    const int x = GET_X_LPARAM(lParam) - m_x;
    const int y = GET_Y_LPARAM(lParam) - m_y;
    auto key = static_cast<unsigned>(wParam);
    switch (message) {
    case WM_KEYDOWN: {
        KeyDownEvent event(windowsKeyToFBKey(key), key, 0);
        return broadcastEvent(&event);
    }
    case WM_KEYUP: {
        KeyUpEvent event(windowsKeyToFBKey(key), key, 0);
        return broadcastEvent(&event);
    }
    case WM_MOUSEMOVE: {
        MouseMoveEvent event(x, y);
        return broadcastEvent(&event);
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        int button = message == WM_LBUTTONDOWN ? 0 : message == WM_RBUTTONDOWN ? 1 : 2;
        MouseDownEvent event(button, x, y, modifiers);
        return broadcastEvent(&event);
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        int button = message == WM_LBUTTONUP ? 0 : message == WM_RBUTTONUP ? 1 : 2;
        MouseUpEvent event(button, x, y, modifiers);
        return broadcastEvent(&event);
    }
    default:
        return false;
    }
}

}  // namespace FB
