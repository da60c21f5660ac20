#include "host/plugin_window_win.h"

#include "host/framework_log.h"
#include "host/events/mouse_events.h"
#include "host/events/window_events.h"
#include "host/events/windows_event.h"
#include "host/window_message_translator.h"
#include "platform/window/win_gdi.h"
#include "platform/window/win_input.h"

#include <exception>
#include <string>

namespace FB {

std::map<HWND, PluginWindowWin*> PluginWindowWin::windowMap;

namespace {

WNDPROC ourProcedure() { return &PluginWindowWin::windowProc; }

// The bits of a WM_GETDLGCODE answer (the window system's DLGC_WANT* values).
enum DialogCode : LRESULT {
    DialogCode_WantArrows = 0x0001,
    DialogCode_WantTab = 0x0002,
    DialogCode_WantAllKeys = 0x0004,
    DialogCode_WantChars = 0x0080,
};
// The plug-in keeps every key a dialog would otherwise take for its own navigation.
constexpr LRESULT kWantsEveryKey =
    DialogCode_WantArrows | DialogCode_WantTab | DialogCode_WantAllKeys | DialogCode_WantChars;

}  // namespace

PluginWindowWin::PluginWindowWin(const WindowContextWindowed& context) : m_hwnd(context.handle) {
    m_previousProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ourProcedure())));
    windowMap[m_hwnd] = this;
}

PluginWindowWin::~PluginWindowWin() {
    auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(m_hwnd, GWLP_WNDPROC));
    if (current == ourProcedure()) {
        SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
    }
    auto entry = windowMap.find(m_hwnd);
    if (entry != windowMap.end() && entry->second == this) windowMap.erase(entry);
}

void PluginWindowWin::repaintWindow() { InvalidateRect(m_hwnd, nullptr, TRUE); }

Rect PluginWindowWin::windowRect() {
    RECT rect{};
    GetWindowRect(m_hwnd, &rect);
    return Rect{rect.top, rect.left, rect.bottom, rect.right};
}

int PluginWindowWin::getWindowWidth() {
    Rect rect = windowRect();
    return rect.right - rect.left;
}

int PluginWindowWin::getWindowHeight() {
    Rect rect = windowRect();
    return rect.bottom - rect.top;
}

Rect PluginWindowWin::clipRect() { return windowRect(); }

bool PluginWindowWin::customWindowProc(HWND, UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CALLBACK PluginWindowWin::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto entry = windowMap.find(hwnd);
    if (entry == windowMap.end()) return DefWindowProcW(hwnd, message, wParam, lParam);
    PluginWindowWin* window = entry->second;
    // An observer may destroy the wrapper while it handles the message (a page removing the
    // plug-in from an event handler): what is needed afterwards is taken now.
    const WNDPROC unhandledGoesTo = window->callPreviousProc ? window->m_previousProc : nullptr;
    LRESULT result = 0;
    // An exception must not unwind through the system's message dispatch: a message whose
    // observer threw is treated as unhandled.
    try {
        if (window->handleMessage(hwnd, message, wParam, lParam, result)) return result;
    } catch (const std::exception& e) {
        frameworkLog("PluginWindow", std::string("Exception handling window message: ") + e.what());
    } catch (...) {
        frameworkLog("PluginWindow", "Exception handling window message");
    }
    if (unhandledGoesTo) return CallWindowProcW(unhandledGoesTo, hwnd, message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool PluginWindowWin::handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    const DestructionWatch watch = watchDestruction();
    if (customWindowProc(hwnd, message, wParam, lParam, result)) return true;
    if (watch.sourceDestroyed()) return false;
    WindowsEvent raw(hwnd, message, wParam, lParam, result);
    if (broadcastEvent(&raw)) return true;
    // Nothing more of a wrapper that an observer destroyed: the message goes on unhandled.
    if (watch.sourceDestroyed()) return false;
    return translateMessage(hwnd, message, wParam, lParam, result);
}

bool PluginWindowWin::translateMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_SIZE: {
            ResizedEvent event;
            return broadcastEvent(&event);
        }
        case WM_PAINT:
            return paint(hwnd);
        case WM_SETCURSOR:
            SetCursor(LoadCursorW(nullptr, IDC_ARROW));
            return false;
        case WM_MOUSEACTIVATE:
            SetFocus(hwnd);
            result = MA_ACTIVATE;
            return true;
        case WM_GETDLGCODE:
            result = kWantsEveryKey;
            return true;
        case WM_TIMER: {
            TimerEvent event(static_cast<unsigned>(wParam), lParam);
            return broadcastEvent(&event);
        }
        case WM_MOUSEWHEEL: {
            // The position of a wheel message is in screen coordinates; it is passed on as it is.
            const auto delta = static_cast<short>(HIWORD(wParam));
            MouseScrollEvent event(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), 0.0, static_cast<double>(delta));
            return broadcastEvent(&event);
        }
        default:
            return translateInputMessage(*this, message, wParam, lParam);
    }
}

bool PluginWindowWin::paint(HWND hwnd) {
    RECT client{};
    GetClientRect(hwnd, &client);
    RefreshEvent event(Rect{client.top, client.left, client.bottom, client.right});
    // An observer that drew leaves the message to the procedure this one replaced.
    if (broadcastEvent(&event)) return false;
    PAINTSTRUCT paint{};
    BeginPaint(hwnd, &paint);
    EndPaint(hwnd, &paint);
    return true;
}

}  // namespace FB
