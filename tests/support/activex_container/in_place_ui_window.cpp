#include "tests/support/activex_container/in_place_ui_window.h"

namespace test_support {

InPlaceUIWindow::InPlaceUIWindow(HWND window, std::function<bool()> onMainThread,
                                 std::function<void(const std::string&)> faults)
    : window_(window), onMainThread_(std::move(onMainThread)), faults_(std::move(faults)) {}

void InPlaceUIWindow::check(const char* method) {
    if (onMainThread_ && !onMainThread_() && faults_) faults_(std::string(method) + " called off the main thread");
}

HRESULT InPlaceUIWindow::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IOleWindow && iid != IID_IOleInPlaceUIWindow && iid != IID_IOleInPlaceFrame)
        return E_NOINTERFACE;
    *object = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    return S_OK;
}

ULONG InPlaceUIWindow::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT InPlaceUIWindow::GetWindow(HWND* window) {
    check("IOleInPlaceUIWindow::GetWindow");
    if (!window) return E_POINTER;
    *window = window_;
    return S_OK;
}

HRESULT InPlaceUIWindow::SetActiveObject(IOleInPlaceActiveObject* activeObject, LPCOLESTR) {
    check("IOleInPlaceUIWindow::SetActiveObject");
    activeObject_ = FB::ActiveX::ComPtr<IOleInPlaceActiveObject>(activeObject);
    return S_OK;
}

}  // namespace test_support
