// The page's document over IHTMLDocument2/IHTMLDocument3 (see axdom_node.h): an element as well,
// whose attribute reads are the element's.
#pragma once

#include "activex/axdom_element.h"
#include "scripting/dom_document.h"

namespace FB::ActiveX::AXDOM {

class Document : public AXDOM::Element, public DOM::Document {
public:
    // std::bad_cast "This is not a valid object" when the object is no ActiveX page object.
    Document(const JSObjectPtr& object, IWebBrowser2* webBrowser);

    // An empty pointer for an id no element has; std::exception "Document does not support
    // getElementById" without IHTMLDocument3.
    DOM::ElementPtr getElementById(const std::string& id) override;
    using DOM::Document::getElementsByTagName;
    // In document order; std::runtime_error "Could not get element by tag name" without IHTMLDocument3.
    std::vector<DOM::ElementPtr> getElementsByTagName(const std::string& tagName) override;
    DOM::WindowPtr getWindow() override;
    // Not inserted anywhere; std::runtime_error "Failed to create element!" when the browser refuses.
    DOM::ElementPtr createElement(const std::string& tagName) override;

private:
    ComPtr<IHTMLDocument2> htmlDocument;  // may be null
};

}  // namespace FB::ActiveX::AXDOM
