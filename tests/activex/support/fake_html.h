// A small HTML object model in COM, standing for the browser's: a window, a document and elements
// with ids, tags, attributes and children, behind the HTML interfaces the plug-in's DOM wrappers
// call, and the browser control that shows the page. Main thread only, as the browser's.
#pragma once

#include "activex/com_owners.h"
#include "platform/com/exdisp.h"
#include "platform/com/mshtml.h"
#include "scripting/utf8_tools.h"

#include <map>
#include <string>
#include <vector>

namespace activex_test {

class FakeHtml final : public IHTMLWindow2,
                       public IHTMLDocument2,
                       public IHTMLDocument3,
                       public IHTMLElement,
                       public IHTMLElement2,
                       public IHTMLDOMNode,
                       public IHTMLElementCollection {
public:
    enum Kind { Window, Document, Element, Collection };

    static FB::ActiveX::ComPtr<FakeHtml> make(Kind kind, std::string tag = {}) {
        return FB::ActiveX::ComPtr<FakeHtml>::adopt(new FakeHtml(kind, std::move(tag)));
    }

    IDispatch* dispatch() { return static_cast<IHTMLWindow2*>(this); }

    // The tree: every element of the document, in document order, with its parent.
    FB::ActiveX::ComPtr<FakeHtml> add(FakeHtml* under, const std::string& elementTag, const std::string& id = {}) {
        auto element = make(Element, elementTag);
        element->attributes["id"] = id;
        element->parent = under;
        under->children.push_back(element);
        all.push_back(element);
        return element;
    }

    Kind kind;
    std::string tag;
    std::map<std::string, std::string> attributes;  // a value of digits reads back as a number
    std::vector<FB::ActiveX::ComPtr<FakeHtml>> children;
    std::vector<FB::ActiveX::ComPtr<FakeHtml>> all;  // document: every element, in document order
    FakeHtml* parent = nullptr;
    FakeHtml* window = nullptr;    // document's
    FakeHtml* document = nullptr;  // window's
    bool offersDocument3 = true;
    // appendChild inserts a node of its own standing for the one given, as a browser may.
    bool insertsACopy = false;
    std::vector<std::wstring> alerts;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch)
            *object = dispatch();
        else if (iid == IID_IHTMLWindow2 && kind == Window)
            *object = static_cast<IHTMLWindow2*>(this);
        else if (iid == IID_IHTMLDocument2 && kind == Document)
            *object = static_cast<IHTMLDocument2*>(this);
        else if (iid == IID_IHTMLDocument3 && kind == Document && offersDocument3)
            *object = static_cast<IHTMLDocument3*>(this);
        else if (iid == IID_IHTMLElement && kind == Element)
            *object = static_cast<IHTMLElement*>(this);
        else if (iid == IID_IHTMLElement2 && kind == Element)
            *object = static_cast<IHTMLElement2*>(this);
        else if (iid == IID_IHTMLDOMNode && (kind == Element || kind == Document))
            *object = static_cast<IHTMLDOMNode*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
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

    // IHTMLWindow2
    HRESULT STDMETHODCALLTYPE execScript(BSTR, BSTR, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_document(IHTMLDocument2** out) override {
        *out = document ? static_cast<IHTMLDocument2*>(document) : nullptr;
        if (*out) (*out)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE alert(BSTR text) override {
        alerts.push_back(FB::ActiveX::bstrText(text) + (text ? L"" : L"<null>"));
        return S_OK;
    }

    // IHTMLDocument2
    HRESULT STDMETHODCALLTYPE get_parentWindow(IHTMLWindow2** out) override {
        *out = window ? static_cast<IHTMLWindow2*>(window) : nullptr;
        if (*out) (*out)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE createElement(BSTR name, IHTMLElement** out) override {
        auto made = make(Element, FB::wideToUtf8(FB::ActiveX::bstrText(name)));
        *out = static_cast<IHTMLElement*>(made.detach());
        return S_OK;
    }

    // IHTMLDocument3
    HRESULT STDMETHODCALLTYPE getElementById(BSTR id, IHTMLElement** out) override {
        *out = nullptr;
        for (auto& element : all) {
            if (FB::utf8ToWide(element->attributes["id"]) == FB::ActiveX::bstrText(id)) {
                *out = static_cast<IHTMLElement*>(FB::ActiveX::ComPtr<FakeHtml>(element).detach());
                break;
            }
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE getElementsByTagName(BSTR name, IHTMLElementCollection** out) override {
        auto collection = make(Collection);
        const std::string wanted = FB::wideToUtf8(FB::ActiveX::bstrText(name));
        collect(kind == Document ? all : descendants(), wanted, *collection.get());
        *out = static_cast<IHTMLElementCollection*>(collection.detach());
        return S_OK;
    }

    // IHTMLElement
    HRESULT STDMETHODCALLTYPE getAttribute(BSTR name, LONG, VARIANT* value) override {
        VariantInit(value);
        const auto found = attributes.find(FB::wideToUtf8(FB::ActiveX::bstrText(name)));
        if (found == attributes.end()) return S_OK;
        const bool digits = !found->second.empty() && found->second.find_first_not_of("0123456789") == std::string::npos;
        if (digits) {
            value->vt = VT_I4;
            value->lVal = std::stoi(found->second);
        } else {
            value->vt = VT_BSTR;
            value->bstrVal = FB::ActiveX::ScopedBstr(FB::utf8ToWide(found->second)).detach();
        }
        return S_OK;
    }

    // IHTMLDOMNode
    HRESULT STDMETHODCALLTYPE appendChild(IHTMLDOMNode* child, IHTMLDOMNode** inserted) override {
        auto* node = dynamic_cast<FakeHtml*>(child);
        if (!node || node == this) return E_INVALIDARG;
        FB::ActiveX::ComPtr<FakeHtml> added(node);
        if (insertsACopy) {
            added = make(Element, node->tag);
            added->attributes = node->attributes;
        }
        added->parent = this;
        children.push_back(added);
        *inserted = static_cast<IHTMLDOMNode*>(FB::ActiveX::ComPtr<FakeHtml>(added).detach());
        return S_OK;
    }

    // IHTMLElementCollection
    HRESULT STDMETHODCALLTYPE get_length(LONG* length) override {
        *length = static_cast<LONG>(children.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE item(VARIANT, VARIANT index, IDispatch** element) override {
        *element = nullptr;
        if (index.vt != VT_I4 || index.lVal < 0 || size_t(index.lVal) >= children.size()) return E_INVALIDARG;
        *element = FB::ActiveX::ComPtr<FakeHtml>(children[size_t(index.lVal)]).detach()->dispatch();
        return S_OK;
    }

private:
    FakeHtml(Kind madeKind, std::string madeTag) : kind(madeKind), tag(std::move(madeTag)) {}
    ~FakeHtml() = default;

    std::vector<FB::ActiveX::ComPtr<FakeHtml>> descendants() {
        std::vector<FB::ActiveX::ComPtr<FakeHtml>> found;
        for (auto& child : children) {
            found.push_back(child);
            for (auto& below : child->descendants()) found.push_back(below);
        }
        return found;
    }
    static void collect(const std::vector<FB::ActiveX::ComPtr<FakeHtml>>& from, const std::string& wanted,
                        FakeHtml& into) {
        for (const auto& element : from) {
            if (element->tag == wanted) into.children.push_back(element);
        }
    }

    ULONG references_ = 1;
};

class FakeBrowser final : public IWebBrowser2 {
public:
    FakeBrowser(IDispatch* document, std::wstring url) : document_(document), url_(std::move(url)) {}

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
        *document = FB::ActiveX::ComPtr<IDispatch>(document_.get()).detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* url) override {
        *url = FB::ActiveX::ScopedBstr(url_).detach();
        return S_OK;
    }

private:
    ~FakeBrowser() = default;
    FB::ActiveX::ComPtr<IDispatch> document_;
    std::wstring url_;
    ULONG references_ = 1;
};

}  // namespace activex_test
