// The page's document: its window, its body and new elements.
#pragma once

#include "scripting/dom_element.h"

namespace FB::DOM {

class Document : public Element {
public:
    explicit Document(const JSObjectPtr& object) : Node(object), Element(object) {}

    virtual WindowPtr getWindow();
    virtual ElementPtr getBody();
    virtual ElementPtr createElement(const std::string& tagName);

    static DocumentPtr fromJSObject(const JSObjectPtr& object);
};

}  // namespace FB::DOM
