// A page element over IHTMLElement/IHTMLElement2 (see axdom_node.h).
#pragma once

#include "activex/axdom_node.h"
#include "scripting/dom_element.h"

namespace FB::ActiveX::AXDOM {

class Element : public AXDOM::Node, public virtual DOM::Element {
public:
    // std::bad_cast "This is not a valid object" when the object is no ActiveX page object.
    Element(const JSObjectPtr& object, IWebBrowser2* webBrowser);

    std::string getStringAttribute(const std::string& name) override;
    using DOM::Element::getElementsByTagName;
    // The element's own descendants of that tag (IHTMLElement2), else the document's (IHTMLDocument3);
    // std::runtime_error "Could not get element by tag name" without either.
    std::vector<DOM::ElementPtr> getElementsByTagName(const std::string& tagName) override;

protected:
    ComPtr<IDispatch> elementDispatch;
};

}  // namespace FB::ActiveX::AXDOM
