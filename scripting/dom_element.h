// A page element: its markup, sizes, children, attributes and lookups.
#pragma once

#include "scripting/dom_node.h"

namespace FB::DOM {

class Element : public virtual Node {
public:
    explicit Element(const JSObjectPtr& object) : Node(object) {}

    virtual std::string getInnerHTML();
    virtual void setInnerHTML(const std::string& html);
    virtual int getWidth();
    virtual void setWidth(int width);
    virtual int getScrollWidth();
    virtual int getHeight();
    virtual void setHeight(int height);
    virtual int getScrollHeight();
    virtual int getChildNodeCount();
    virtual ElementPtr getChildNode(int index);
    virtual ElementPtr getParentNode();
    virtual ElementPtr getElement(int index);
    virtual ElementPtr getElement(const std::string& name);
    virtual std::string getStringAttribute(const std::string& name);
    virtual ElementPtr getElementById(const std::string& id);
    virtual std::vector<ElementPtr> getElementsByTagName(const std::wstring& tagName);
    virtual std::vector<ElementPtr> getElementsByTagName(const std::string& tagName);

    static ElementPtr fromJSObject(const JSObjectPtr& object);
};

}  // namespace FB::DOM
