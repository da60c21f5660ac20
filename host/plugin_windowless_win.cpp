#include "host/plugin_windowless_win.h"

#include "host/events/window_events.h"
#include "host/events/windows_event.h"
#include "host/window_message_translator.h"
#include "platform/window/win_gdi.h"

#include <iterator>

namespace FB {

PluginWindowlessWin::PluginWindowlessWin(const WindowContextWindowless& context) : m_hdc(context.drawable) {}

PluginWindowlessWin::~PluginWindowlessWin() { m_invalidate = nullptr; }

void PluginWindowlessWin::repaintWindow() {
    if (m_invalidate) m_invalidate(0, 0, m_width, m_height);
}

Rect PluginWindowlessWin::windowRect() { return Rect{m_y, m_x, m_y + m_height, m_x + m_width}; }

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
    TextOutW(m_hdc, area.left + (area.right - area.left) / 2, area.top + (area.bottom - area.top) / 2, kFallbackText,
             static_cast<int>(std::size(kFallbackText) - 1));
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
    // Of the browser's messages only input is translated: a windowless plug-in learns of its size
    // and of paints through setWindowPosition and handleDraw.
    return translateInputMessage(*this, message, wParam, lParam, POINT{m_x, m_y});
}

}  // namespace FB
