#include "tests/support/activex_container/windowless_control_host.h"

#include "platform/window/win_gdi.h"

namespace test_support {

namespace {

bool isMouse(UINT message) { return message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL; }
bool isKey(UINT message) { return message >= WM_KEYDOWN && message <= WM_CHAR; }

}  // namespace

WindowlessControlHost::WindowlessControlHost(HWND page, IUnknown* control, IOleInPlaceActiveObject* activeObject,
                                             OleControlSite& site)
    : page_(page), site_(site), active_(activeObject) {
    const FB::ActiveX::ComPtr<IUnknown> object(control);
    windowless_ = object.query<IOleInPlaceObjectWindowless>(IID_IOleInPlaceObjectWindowless);
    view_ = object.query<IViewObjectEx>(IID_IViewObjectEx);
    SetWindowLongPtrW(page_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(page_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowlessControlHost::procedure)));
}

WindowlessControlHost::~WindowlessControlHost() {
    if (!IsWindow(page_)) return;
    SetWindowLongPtrW(page_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    SetWindowLongPtrW(page_, GWLP_USERDATA, 0);
}

LRESULT CALLBACK WindowlessControlHost::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* host = reinterpret_cast<WindowlessControlHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    LRESULT result = 0;
    if (host && host->route(message, wParam, lParam, result)) return result;
    return host ? CallWindowProcW(host->previous_, window, message, wParam, lParam)
                : DefWindowProcW(window, message, wParam, lParam);
}

bool WindowlessControlHost::route(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_PAINT) {
        paint();
        return true;
    }
    if (isMouse(message)) return routeMouse(message, wParam, lParam, result);
    if (isKey(message)) return routeKey(message, wParam, lParam, result);
    return false;
}

bool WindowlessControlHost::routeMouse(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (!windowless_) return false;
    if (!site_.captured()) {
        const RECT bounds = site_.position();
        DWORD hit = HITRESULT_OUTSIDE;
        if (!view_ ||
            view_->QueryHitPoint(DVASPECT_CONTENT, &bounds, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, 0,
                                 &hit) < 0 ||
            hit != HITRESULT_HIT) {
            ++missed_;
            return false;
        }
    }
    ++passed_;
    return windowless_->OnWindowMessage(message, wParam, lParam, &result) == S_OK;
}

bool WindowlessControlHost::routeKey(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (!windowless_ || !site_.focused()) return false;
    MSG keystroke{page_, message, wParam, lParam, 0, {}};
    if (active_ && active_->TranslateAccelerator(&keystroke) == S_OK) return true;
    ++passed_;
    return windowless_->OnWindowMessage(message, wParam, lParam, &result) == S_OK;
}

void WindowlessControlHost::paint() {
    PAINTSTRUCT paint{};
    const HDC surface = BeginPaint(page_, &paint);
    const RECT position = site_.position();
    const RECTL bounds{position.left, position.top, position.right, position.bottom};
    if (view_) view_->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, surface, &bounds, nullptr, nullptr, 0);
    EndPaint(page_, &paint);
}

}  // namespace test_support
