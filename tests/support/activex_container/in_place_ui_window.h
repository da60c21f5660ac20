// A window of the stand-in container as an object active in its user interface sees it: the page's
// frame, or its document window. While the object is active in the user interface the window holds
// the object's active object (IOleInPlaceUIWindow::SetActiveObject), as a browser's frame does to
// know which object hears its keystrokes first; a null active object ends that hold. Every call is
// checked to arrive on the container's main thread; a call from elsewhere is reported to the fault
// sink.
#pragma once

#include "activex/com_owners.h"
#include "platform/com/ole_inplace.h"

#include <atomic>
#include <functional>
#include <string>

namespace test_support {

class InPlaceUIWindow final : public IOleInPlaceFrame {
public:
    // With one reference, for the caller.
    InPlaceUIWindow(HWND window, std::function<bool()> onMainThread, std::function<void(const std::string&)> faults);

    // No reference is added; null while no object is active in the user interface.
    IOleInPlaceActiveObject* activeObject() const { return activeObject_.get(); }
    // The page went: an active object left behind is let go.
    void forget() { activeObject_.reset(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* activeObject, LPCOLESTR name) override;

private:
    ~InPlaceUIWindow() = default;
    void check(const char* method);

    HWND window_;
    std::function<bool()> onMainThread_;
    std::function<void(const std::string&)> faults_;
    FB::ActiveX::ComPtr<IOleInPlaceActiveObject> activeObject_;
    std::atomic<ULONG> references_{1};
};

}  // namespace test_support
