// A script object of the page as the control sees it: an IDispatchEx object whose members are the
// script object's properties. The page's window answers IHTMLWindow2 as well (script runs in it),
// its document IHTMLDocument2 (which leads to the window), and the control's element the element
// interfaces. One per script object while the control holds it; it keeps the script value alive.
//
// Every method checks that it runs on the container's main thread: a call from elsewhere is a
// fault, answered with E_UNEXPECTED (a reference count still changes, and an object released off
// the main thread is freed there).
#pragma once

#include "platform/com/dispex.h"
#include "platform/com/mshtml.h"

#include <atomic>

namespace test_support {

class ComBridge;

enum class PageObjectKind { Plain, Window, Document, Element };

class PageDispatch final : public IDispatchEx,
                           public IHTMLWindow2,
                           public IHTMLDocument2,
                           public IHTMLElement,
                           public IHTMLElement2 {
public:
    // With one reference, for the caller.
    PageDispatch(ComBridge& bridge, int heldKey, PageObjectKind kind);
    PageDispatch(const PageDispatch&) = delete;
    PageDispatch& operator=(const PageDispatch&) = delete;

    IDispatch* dispatch() { return static_cast<IDispatchEx*>(this); }
    int heldKey() const { return heldKey_; }
    PageObjectKind kind() const { return kind_; }
    // The page went: the object no longer reaches script.
    void detach() {
        bridge_ = nullptr;
        heldKey_ = 0;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT*) override;

    HRESULT STDMETHODCALLTYPE GetDispID(BSTR name, DWORD flags, DISPID* id) override;
    HRESULT STDMETHODCALLTYPE InvokeEx(DISPID id, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                       EXCEPINFO* exception, IServiceProvider*) override;
    HRESULT STDMETHODCALLTYPE DeleteMemberByName(BSTR name, DWORD) override;
    HRESULT STDMETHODCALLTYPE DeleteMemberByDispID(DISPID id) override;
    HRESULT STDMETHODCALLTYPE GetMemberProperties(DISPID, DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMemberName(DISPID id, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE GetNextDispID(DWORD, DISPID id, DISPID* next) override;
    HRESULT STDMETHODCALLTYPE GetNameSpaceParent(IUnknown**) override { return E_NOTIMPL; }

    // The window's: runs JavaScript (or JScript) in the page's global scope.
    HRESULT STDMETHODCALLTYPE execScript(BSTR code, BSTR language, VARIANT* result) override;
    // The document's.
    HRESULT STDMETHODCALLTYPE get_parentWindow(IHTMLWindow2** window) override;

private:
    ~PageDispatch() = default;
    // The bridge when the call may reach script: on the main thread, with the page still there.
    ComBridge* usableBridge(const char* method);

    ComBridge* bridge_;
    int heldKey_;
    PageObjectKind kind_;
    std::atomic<ULONG> references_{1};
};

}  // namespace test_support
