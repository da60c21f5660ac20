#include "activex/axdom_document.h"

#include "activex/axdom_wrapping.h"
#include "scripting/utf8_tools.h"

#include <stdexcept>
#include <typeinfo>

namespace FB::ActiveX::AXDOM {

namespace {

class NoGetElementById : public std::exception {
public:
    const char* what() const noexcept override { return "Document does not support getElementById"; }
};

}  // namespace

Document::Document(const JSObjectPtr& object, IWebBrowser2* browser)
    : DOM::Node(object),
      DOM::Element(object),
      AXDOM::Element(object, browser),
      DOM::Document(object),
      htmlDocument(elementDispatch.query<IHTMLDocument2>(IID_IHTMLDocument2)) {}

DOM::ElementPtr Document::getElementById(const std::string& id) {
    const auto document3 = elementDispatch.query<IHTMLDocument3>(IID_IHTMLDocument3);
    if (!document3) throw NoGetElementById();
    const ScopedBstr text(utf8ToWide(id));
    ComPtr<IHTMLElement> element;
    document3->getElementById(text.get(), element.put());
    return wrapElement(getJSObject(), element.get());
}

std::vector<DOM::ElementPtr> Document::getElementsByTagName(const std::string& tagName) {
    const auto document3 = elementDispatch.query<IHTMLDocument3>(IID_IHTMLDocument3);
    if (!document3) throw std::runtime_error("Could not get element by tag name");
    const ScopedBstr name(utf8ToWide(tagName));
    ComPtr<IHTMLElementCollection> collection;
    document3->getElementsByTagName(name.get(), collection.put());
    return collectElements(getJSObject(), collection.get());
}

DOM::WindowPtr Document::getWindow() {
    if (!htmlDocument) return nullptr;
    ComPtr<IHTMLWindow2> window;
    htmlDocument->get_parentWindow(window.put());
    return wrapWindow(getJSObject(), window.get());
}

DOM::ElementPtr Document::createElement(const std::string& tagName) {
    if (!htmlDocument) throw std::runtime_error("Failed to create element!");
    const ScopedBstr name(utf8ToWide(tagName));
    ComPtr<IHTMLElement> element;
    if (htmlDocument->createElement(name.get(), element.put()) < 0) throw std::runtime_error("Failed to create element!");
    return wrapElement(getJSObject(), element.get());
}

}  // namespace FB::ActiveX::AXDOM
