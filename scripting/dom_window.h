// The page's window: its document, alerts, new script arrays and objects, and its address.
#pragma once

#include "scripting/dom_node.h"

namespace FB::DOM {

class Window : public virtual Node {
public:
    explicit Window(const JSObjectPtr& object) : Node(object) {}

    virtual DocumentPtr getDocument();
    virtual void alert(const std::wstring& text);
    virtual void alert(const std::string& text);
    virtual JSObjectPtr createArray();
    virtual JSObjectPtr createMap();
    virtual std::string getLocation();

    static WindowPtr fromJSObject(const JSObjectPtr& object);
};

}  // namespace FB::DOM
