// A raw window message offered to the sinks before any translation. A sink that handles it stores
// the window procedure's answer in `lRes`.
#pragma once

#include "host/events/plugin_event.h"
#include "platform/base/win_user_types.h"

namespace FB {

class WindowsEvent : public PluginEvent {
public:
    WindowsEvent(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result)
        : hWnd(hwnd), uMsg(message), wParam(wparam), lParam(lparam), lRes(result) {}

    HWND hWnd;  // null from a windowless window
    UINT uMsg;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT& lRes;
};

}  // namespace FB
