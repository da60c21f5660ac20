// A windowless control in the container's page window, hosted as a browser hosts one: the
// container draws it (IViewObject::Draw) when the page window paints, and passes it the page
// window's input through IOleInPlaceObjectWindowless::OnWindowMessage: mouse messages at points
// its view says it covers (IViewObjectEx::QueryHitPoint), or all of them while it holds the
// capture; keystrokes while it has the focus, once its active object has passed on them as
// accelerators (IOleInPlaceActiveObject::TranslateAccelerator). Coordinates stay the page
// window's. The page window's procedure is replaced while this lives. Main thread only.
#pragma once

#include "activex/com_owners.h"
#include "platform/com/ole_inplace.h"
#include "tests/support/activex_container/ole_control_site.h"

namespace test_support {

class WindowlessControlHost {
public:
    WindowlessControlHost(HWND page, IUnknown* control, IOleInPlaceActiveObject* activeObject, OleControlSite& site);
    ~WindowlessControlHost();
    WindowlessControlHost(const WindowlessControlHost&) = delete;
    WindowlessControlHost& operator=(const WindowlessControlHost&) = delete;

    // Messages that reached the control, and mouse messages that its view turned away.
    int passed() const { return passed_; }
    int missed() const { return missed_; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool route(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool routeMouse(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool routeKey(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void paint();

    HWND page_;
    WNDPROC previous_ = nullptr;
    OleControlSite& site_;
    FB::ActiveX::ComPtr<IOleInPlaceObjectWindowless> windowless_;
    FB::ActiveX::ComPtr<IViewObjectEx> view_;
    FB::ActiveX::ComPtr<IOleInPlaceActiveObject> active_;
    int passed_ = 0;
    int missed_ = 0;
};

}  // namespace test_support
