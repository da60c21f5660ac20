// The web browser a test site offers: no document yet, navigation ignored. Enough for a control to
// make its host.
#pragma once

#include "platform/com/exdisp.h"

#include <atomic>

namespace com_server_test {

class TestWebBrowser final : public IWebBrowser2 {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID_IWebBrowser2) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IWebBrowser2*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Navigate(BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** document) override {
        if (document) *document = nullptr;
        return E_FAIL;
    }

private:
    ~TestWebBrowser() = default;
    std::atomic<ULONG> references_{1};
};

}  // namespace com_server_test
