// A windowless plug-in window: the browser keeps the window and hands the plug-in a device
// context, a position and the input messages, which the binding forwards here.
#pragma once

#include "host/plugin_window.h"
#include "host/window_context.h"
#include "platform/window/win_window.h"

#include <functional>

namespace FB {

class PluginWindowlessWin : public PluginWindow {
public:
    using InvalidateCallback = std::function<void(int, int, int, int)>;

    explicit PluginWindowlessWin(const WindowContextWindowless& context);
    ~PluginWindowlessWin() override;

    void repaintWindow() override;
    Rect windowRect() override;
    int getWindowWidth() override { return m_width; }
    int getWindowHeight() override { return m_height; }
    Rect clipRect() override { return m_clip; }

    // Sends a ResizedEvent when any value changed.
    void setWindowPosition(int32_t x, int32_t y, int32_t width, int32_t height);
    void setClipRect(int32_t top, int32_t left, int32_t bottom, int32_t right);
    // Offers a RefreshEvent; without a handling observer draws a centred fallback text.
    bool handleDraw(HDC dc, const Rect& bounds);
    bool HandleEvent(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    void setInvalidateCallback(InvalidateCallback callback) { m_invalidate = std::move(callback); }
    void setInvalidateWindowFunc(InvalidateCallback callback) { setInvalidateCallback(std::move(callback)); }

    HDC getHDC() const { return m_hdc; }
    HWND getHWND() const override { return m_browserHwnd; }
    HWND getBrowserHWND() const { return m_browserHwnd; }
    void setBrowserHWND(HWND hwnd) { m_browserHwnd = hwnd; }

private:
    HDC m_hdc;
    HWND m_browserHwnd = nullptr;
    int32_t m_x = 0;
    int32_t m_y = 0;
    int32_t m_width = 0;
    int32_t m_height = 0;
    Rect m_clip;
    InvalidateCallback m_invalidate;
};

}  // namespace FB
