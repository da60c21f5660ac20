// A windowed plug-in window: the browser's window handle, subclassed so that its messages become
// plug-in events for the observers (the plug-in core). Made by the factory, owned by the binding.
#pragma once

#include "host/plugin_window.h"
#include "host/window_context.h"
#include "platform/window/win_window.h"

#include <map>

namespace FB {

class PluginWindowWin : public PluginWindow {
public:
    explicit PluginWindowWin(const WindowContextWindowed& context);
    // Puts the previous window procedure back unless someone else has subclassed meanwhile.
    ~PluginWindowWin() override;

    void repaintWindow() override;
    Rect windowRect() override;
    int getWindowWidth() override;
    int getWindowHeight() override;
    Rect clipRect() override;

    // A hook for subclasses; true means the message is handled with `result`.
    virtual bool customWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    HWND getHWND() const override { return m_hwnd; }
    HWND getBrowserHWND() const { return m_browserHwnd; }
    void setBrowserHWND(HWND hwnd) { m_browserHwnd = hwnd; }

    // When true, unhandled messages go to the replaced procedure instead of DefWindowProcW; the
    // ActiveX control sets it, its own procedure being the replaced one.
    bool callPreviousProc = false;

    static std::map<HWND, PluginWindowWin*> windowMap;

private:
    bool translateMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Offers a RefreshEvent; without a handling observer validates the window itself.
    bool paint(HWND hwnd);

    WNDPROC m_previousProc = nullptr;
    HWND m_hwnd;
    HWND m_browserHwnd = nullptr;
};

}  // namespace FB
