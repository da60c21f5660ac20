// The browser's HTML object model as far as the plug-in reaches it: the document's window, script
// run in that window, and the element interfaces that tell a page element from other objects.
#pragma once

#include "platform/com/oaidl.h"

extern "C" const IID IID_IHTMLDocument2;
extern "C" const IID IID_IHTMLWindow2;
extern "C" const IID IID_IHTMLElement;
extern "C" const IID IID_IHTMLElement2;
extern "C" const IID IID_IHTMLDocument3;
extern "C" const IID IID_IHTMLDOMNode;
extern "C" const IID IID_IHTMLElementCollection;

// The operations below that have a body were added for the plug-in's DOM wrappers; an object of
// the page that does not offer one answers E_NOTIMPL.
struct IHTMLDocument2;
struct IHTMLElement;

// A live list of elements (getElementsByTagName's answer).
struct IHTMLElementCollection : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_length(LONG* length) = 0;
    // An element by name or by index (VT_I4); null when there is none.
    virtual HRESULT STDMETHODCALLTYPE item(VARIANT name, VARIANT index, IDispatch** element) = 0;

protected:
    ~IHTMLElementCollection() = default;
};

// A node of the document tree.
struct IHTMLDOMNode : IDispatch {
    // The node the document inserted (the one given, or another that stands for it).
    virtual HRESULT STDMETHODCALLTYPE appendChild(IHTMLDOMNode* child, IHTMLDOMNode** inserted) = 0;

protected:
    ~IHTMLDOMNode() = default;
};

// The document's lookups by id and tag name.
struct IHTMLDocument3 : IDispatch {
    // A null element for an id no element has.
    virtual HRESULT STDMETHODCALLTYPE getElementById(BSTR id, IHTMLElement** element) = 0;
    virtual HRESULT STDMETHODCALLTYPE getElementsByTagName(BSTR name, IHTMLElementCollection** elements) = 0;

protected:
    ~IHTMLDocument3() = default;
};

struct IHTMLWindow2 : IDispatch {
    // Runs the code in the window's global scope; the result is not used by the plug-in.
    virtual HRESULT STDMETHODCALLTYPE execScript(BSTR code, BSTR language, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_document(IHTMLDocument2** document) {
        if (document) *document = nullptr;
        return E_NOTIMPL;
    }
    virtual HRESULT STDMETHODCALLTYPE alert(BSTR) { return E_NOTIMPL; }

protected:
    ~IHTMLWindow2() = default;
};

struct IHTMLDocument2 : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_parentWindow(IHTMLWindow2** window) = 0;
    // The new element is in no tree yet.
    virtual HRESULT STDMETHODCALLTYPE createElement(BSTR, IHTMLElement** element) {
        if (element) *element = nullptr;
        return E_NOTIMPL;
    }

protected:
    ~IHTMLDocument2() = default;
};

struct IHTMLElement : IDispatch {
    // The attribute's value; flags 0 asks without regard to case.
    virtual HRESULT STDMETHODCALLTYPE getAttribute(BSTR, LONG, VARIANT*) { return E_NOTIMPL; }

protected:
    ~IHTMLElement() = default;
};

struct IHTMLElement2 : IDispatch {
    // The elements of that tag below this one.
    virtual HRESULT STDMETHODCALLTYPE getElementsByTagName(BSTR, IHTMLElementCollection** elements) {
        if (elements) *elements = nullptr;
        return E_NOTIMPL;
    }

protected:
    ~IHTMLElement2() = default;
};
