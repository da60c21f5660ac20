#include "activex/axdom_wrapping.h"

#include "activex/activex_browser_host.h"
#include "activex/idispatch_api.h"
#include "scripting/cast_pointer.h"
#include "scripting/utf8_tools.h"

#include <typeinfo>

namespace FB::ActiveX::AXDOM {

namespace {

class InvalidObject : public std::bad_cast {
public:
    const char* what() const noexcept override { return "This is not a valid object"; }
};

ActiveXBrowserHostPtr hostOf(const JSObjectPtr& owner) {
    auto host = castPointer<ActiveXBrowserHost>(owner->browserHost());
    if (!host) throw std::runtime_error("The page object has no ActiveX browser host");
    return host;
}

JSObjectPtr proxyOf(const JSObjectPtr& owner, IDispatch* object) {
    return IDispatchAPI::create(object, hostOf(owner));
}

}  // namespace

IDispatch* dispatchOf(const JSObjectPtr& object) {
    const auto proxy = castPointer<IDispatchAPI>(object);
    return proxy ? proxy->getIDispatch() : nullptr;
}

IDispatch* requireDispatch(const JSObjectPtr& object) {
    IDispatch* dispatch = dispatchOf(object);
    if (!dispatch) throw InvalidObject();
    return dispatch;
}

DOM::ElementPtr wrapElement(const JSObjectPtr& owner, IDispatch* element) {
    return element ? DOM::Element::fromJSObject(proxyOf(owner, element)) : nullptr;
}

DOM::DocumentPtr wrapDocument(const JSObjectPtr& owner, IDispatch* document) {
    return document ? DOM::Document::fromJSObject(proxyOf(owner, document)) : nullptr;
}

DOM::WindowPtr wrapWindow(const JSObjectPtr& owner, IDispatch* window) {
    return window ? DOM::Window::fromJSObject(proxyOf(owner, window)) : nullptr;
}

std::vector<DOM::ElementPtr> collectElements(const JSObjectPtr& owner, IHTMLElementCollection* collection) {
    std::vector<DOM::ElementPtr> elements;
    LONG length = 0;
    if (!collection || collection->get_length(&length) < 0) return elements;
    for (LONG i = 0; i < length; ++i) {
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_I4;
        index.lVal = i;
        ComPtr<IDispatch> item;
        if (collection->item(index, index, item.put()) < 0 || !item) continue;
        elements.push_back(wrapElement(owner, item.get()));
    }
    return elements;
}

std::string readStringAttribute(const JSObjectPtr& owner, IDispatch* element, const std::string& name,
                                const std::function<std::string()>& fallback) {
    const auto html = ComPtr<IDispatch>(element).query<IHTMLElement>(IID_IHTMLElement);
    if (!html) return fallback();
    const ScopedBstr attribute(utf8ToWide(name));
    ScopedVariant value;
    html->getAttribute(attribute.get(), 0, value.get());
    return hostOf(owner)->getVariant(value.get()).convertTo<std::string>();
}

}  // namespace FB::ActiveX::AXDOM
