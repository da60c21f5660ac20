// The web-browser object that holds the page: its document, and navigation.
#pragma once

#include "platform/com/oaidl.h"

extern "C" const IID IID_IWebBrowser2;
// The service a site answers with the web browser (IServiceProvider::QueryService).
extern "C" const GUID SID_SWebBrowserApp;

struct IWebBrowser2 : IDispatch {
    // Flags, target frame name, post data and headers may each be null or VT_EMPTY.
    virtual HRESULT STDMETHODCALLTYPE Navigate(BSTR url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                                               VARIANT* headers) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Document(IDispatch** document) = 0;
    // The address of the page shown; a browser that does not tell answers E_NOTIMPL.
    virtual HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* url) {
        if (url) *url = nullptr;
        return E_NOTIMPL;
    }

protected:
    ~IWebBrowser2() = default;
};
