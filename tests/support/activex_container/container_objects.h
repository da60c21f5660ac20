// The container's own COM objects that the control's host calls: the web browser that holds the
// page (its document, and navigation, which the stand-in only notes on the console as
// "navigate: <url> in <target>"), and the control's client site, whose control site gives the page
// element standing for the control. Both check that they are called on the main thread.
#pragma once

#include "platform/com/exdisp.h"
#include "platform/com/ocidl.h"
#include "platform/com/oleidl.h"
#include "tests/support/activex_container/com_bridge.h"

#include <atomic>

namespace test_support {

// The reference counting shared by the container's objects; `forget` is called when the page goes.
template <typename Self>
class ContainerObject {
public:
    explicit ContainerObject(ComBridge& bridge) : bridge_(&bridge) {}
    void forget() { bridge_ = nullptr; }

protected:
    // The bridge when the call may reach the page: on the main thread, with the page still there.
    ComBridge* usableBridge(const char* method) {
        if (!bridge_ || !bridge_->checkMainThread(method)) return nullptr;
        return bridge_->page() ? bridge_ : nullptr;
    }
    ULONG addReference() { return ++references_; }
    ULONG releaseReference() {
        const ULONG left = --references_;
        if (left == 0) delete static_cast<Self*>(this);
        return left;
    }

    ComBridge* bridge_;
    std::atomic<ULONG> references_{1};
};

class ContainerWebBrowser final : public IWebBrowser2, public ContainerObject<ContainerWebBrowser> {
public:
    using ContainerObject::ContainerObject;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return addReference(); }
    ULONG STDMETHODCALLTYPE Release() override { return releaseReference(); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Navigate(BSTR url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                                       VARIANT* headers) override;
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** document) override;
    // The page's address, as its script's location.href tells it.
    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* url) override;

private:
    friend class ContainerObject<ContainerWebBrowser>;
    ~ContainerWebBrowser() = default;
};

class ContainerSite final : public IOleClientSite, public IOleControlSite, public ContainerObject<ContainerSite> {
public:
    // The element is one of the page's held values.
    ContainerSite(ComBridge& bridge, int elementKey) : ContainerObject(bridge), elementKey_(elementKey) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return addReference(); }
    ULONG STDMETHODCALLTYPE Release() override { return releaseReference(); }
    HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** control) override;
    // The control's focus is noted by the site that embeds it (OleControlSite), not by the page.
    HRESULT STDMETHODCALLTYPE OnFocus(BOOL) override { return S_OK; }

private:
    friend class ContainerObject<ContainerSite>;
    ~ContainerSite() = default;

    int elementKey_;
};

}  // namespace test_support
