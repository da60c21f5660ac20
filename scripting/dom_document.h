// The page's document: its window, its body and new elements.
#pragma once

#include "scripting/dom_element.h"

namespace FB::DOM {

// Element is a virtual base, so that a binding's document can derive from its own element wrapper
// as well and still be one element.
class Document : public virtual Element {
public:
    explicit Document(const JSObjectPtr& object) : Node(object), Element(object) {}

    virtual WindowPtr getWindow();
    virtual ElementPtr getBody();
    virtual ElementPtr createElement(const std::string& tagName);

    static DocumentPtr fromJSObject(const JSObjectPtr& object);
};

}  // namespace FB::DOM
