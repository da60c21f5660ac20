// The control's window message map: what its window procedure hands it (after the plug-in's
// window, which sees each message first, left it unhandled), and what a windowless container
// passes through IOleInPlaceObjectWindowless::OnWindowMessage. In order:
// 1. a windowless control takes the focus and the capture through its site on a press and gives
//    them back on the release;
// 2. a windowless control's plug-in gets the message;
// 3. the control's own messages: it paints its window, tells its control site when the window
//    gains or loses the focus, and a click on a control that is not yet active in the container's
//    user interface makes it so;
// 4. a notification the parent reflected back to the control goes to the default window procedure
//    as the message it reflects.
// Anything else is not handled.
#include "activex/fb_control.h"

#include "host/plugin_windowless_win.h"
#include "platform/com/olectl.h"
#include "platform/window/win_gdi.h"

#include <algorithm>
#include <iterator>

namespace FB::ActiveX {

namespace {

// The notifications a parent reflects to the child control that sent them.
constexpr UINT kReflectedNotifications[] = {
    OCM_COMMAND,           OCM_NOTIFY,        OCM_PARENTNOTIFY,    OCM_DRAWITEM,
    OCM_MEASUREITEM,       OCM_COMPAREITEM,   OCM_DELETEITEM,      OCM_VKEYTOITEM,
    OCM_CHARTOITEM,        OCM_HSCROLL,       OCM_VSCROLL,         OCM_CTLCOLORBTN,
    OCM_CTLCOLORDLG,       OCM_CTLCOLOREDIT,  OCM_CTLCOLORLISTBOX, OCM_CTLCOLORMSGBOX,
    OCM_CTLCOLORSCROLLBAR, OCM_CTLCOLORSTATIC};

bool isReflectedNotification(UINT message) {
    return std::find(std::begin(kReflectedNotifications), std::end(kReflectedNotifications), message) !=
           std::end(kReflectedNotifications);
}

bool isPress(UINT message) {
    return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

bool isRelease(UINT message) { return message == WM_LBUTTONUP || message == WM_RBUTTONUP || message == WM_MBUTTONUP; }

}  // namespace

LRESULT CALLBACK CFBControl::controlWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* control = reinterpret_cast<CFBControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    LRESULT result = 0;
    if (control && control->processWindowMessage(hwnd, message, wParam, lParam, result)) return result;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HRESULT CFBControl::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    LRESULT handled = 0;
    const bool done = processWindowMessage(m_hwnd, message, wParam, lParam, handled);
    if (result) *result = handled;
    return done ? S_OK : S_FALSE;
}

bool CFBControl::processWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (m_windowless && processWindowlessMessage(message, wParam, lParam, result)) return true;
    if (processControlMessage(hwnd, message)) return true;
    if (!isReflectedNotification(message)) return false;
    result = DefWindowProcW(hwnd, message - OCM__BASE, wParam, lParam);
    return true;
}

bool CFBControl::processWindowlessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (const auto site = m_inPlaceSite.query<IOleInPlaceSiteWindowless>(IID_IOleInPlaceSiteWindowless)) {
        if (isPress(message)) {
            site->SetFocus(TRUE);
            site->SetCapture(TRUE);
        } else if (isRelease(message)) {
            site->SetCapture(FALSE);
        }
    }
    auto* window = dynamic_cast<PluginWindowlessWin*>(m_pluginWindow.get());
    return window && window->HandleEvent(message, wParam, lParam, result);
}

// Only painting is handled here; focus and mouse activation go on to the default window procedure
// afterwards (which answers a click with MA_ACTIVATE). No exception may leave through the system's
// message dispatch: an activation that fails leaves the control as it was.
bool CFBControl::processControlMessage(HWND hwnd, UINT message) {
    switch (message) {
        case WM_PAINT:
            if (!hwnd) return false;
            paintWindow(hwnd);
            return true;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            tellSiteOfFocus(message == WM_SETFOCUS);
            return false;
        case WM_MOUSEACTIVATE:
            if (!m_uiActive) {
                try {
                    createPluginOnActivate(OLEIVERB_UIACTIVATE, nullptr);
                } catch (const std::exception&) {}
            }
            return false;
        default:
            return false;
    }
}

void CFBControl::paintWindow(HWND hwnd) {
    PAINTSTRUCT paintInfo{};
    const HDC surface = BeginPaint(hwnd, &paintInfo);
    RECT client{};
    GetClientRect(hwnd, &client);
    paint(surface, RECTL{client.left, client.top, client.right, client.bottom});
    EndPaint(hwnd, &paintInfo);
}

// The container learns which of its page's elements has the keyboard focus while the control is
// active in place.
void CFBControl::tellSiteOfFocus(bool gotFocus) {
    if (!m_inPlaceActive) return;
    if (const auto site = m_clientSite.query<IOleControlSite>(IID_IOleControlSite))
        site->OnFocus(gotFocus ? TRUE : FALSE);
}

}  // namespace FB::ActiveX
