#include "activex/axdom_element.h"

#include "activex/axdom_wrapping.h"
#include "scripting/utf8_tools.h"

#include <stdexcept>
#include <typeinfo>

namespace FB::ActiveX::AXDOM {

Element::Element(const JSObjectPtr& object, IWebBrowser2* browser)
    : DOM::Node(object), DOM::Element(object), AXDOM::Node(object, browser), elementDispatch(requireDispatch(object)) {}

std::string Element::getStringAttribute(const std::string& name) {
    return readStringAttribute(getJSObject(), elementDispatch.get(), name,
                               [&] { return getProperty<std::string>(name); });
}

std::vector<DOM::ElementPtr> Element::getElementsByTagName(const std::string& tagName) {
    const auto element2 = elementDispatch.query<IHTMLElement2>(IID_IHTMLElement2);
    const auto document3 = elementDispatch.query<IHTMLDocument3>(IID_IHTMLDocument3);
    if (!element2 && !document3) throw std::runtime_error("Could not get element by tag name");
    const ScopedBstr name(utf8ToWide(tagName));
    ComPtr<IHTMLElementCollection> collection;
    if (element2)
        element2->getElementsByTagName(name.get(), collection.put());
    else
        document3->getElementsByTagName(name.get(), collection.put());
    return collectElements(getJSObject(), collection.get());
}

}  // namespace FB::ActiveX::AXDOM
