// The browser's HTML object model as far as the plug-in reaches it: the document's window, script
// run in that window, and the element interfaces that tell a page element from other objects.
#pragma once

#include "platform/com/oaidl.h"

extern "C" const IID IID_IHTMLDocument2;
extern "C" const IID IID_IHTMLWindow2;
extern "C" const IID IID_IHTMLElement;
extern "C" const IID IID_IHTMLElement2;

struct IHTMLWindow2 : IDispatch {
    // Runs the code in the window's global scope; the result is not used by the plug-in.
    virtual HRESULT STDMETHODCALLTYPE execScript(BSTR code, BSTR language, VARIANT* result) = 0;

protected:
    ~IHTMLWindow2() = default;
};

struct IHTMLDocument2 : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_parentWindow(IHTMLWindow2** window) = 0;

protected:
    ~IHTMLDocument2() = default;
};

struct IHTMLElement : IDispatch {
protected:
    ~IHTMLElement() = default;
};

struct IHTMLElement2 : IDispatch {
protected:
    ~IHTMLElement2() = default;
};
