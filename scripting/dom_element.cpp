#include "scripting/dom_element.h"

#include "scripting/utf8_tools.h"

namespace FB::DOM {

namespace {

ElementPtr wrapElement(const JSObjectPtr& object) { return object ? std::make_shared<Element>(object) : ElementPtr(); }

}  // namespace

std::string Element::getInnerHTML() { return getProperty<std::string>("innerHTML"); }
void Element::setInnerHTML(const std::string& html) { setProperty("innerHTML", variant(html)); }
int Element::getWidth() { return getProperty<int>("width"); }
void Element::setWidth(int width) { setProperty("width", variant(width)); }
int Element::getScrollWidth() { return getProperty<int>("scrollWidth"); }
int Element::getHeight() { return getProperty<int>("height"); }
void Element::setHeight(int height) { setProperty("height", variant(height)); }
int Element::getScrollHeight() { return getProperty<int>("scrollHeight"); }

int Element::getChildNodeCount() {
    NodePtr children = getNode("childNodes");
    return children ? children->getProperty<int>("length") : 0;
}

ElementPtr Element::getChildNode(int index) {
    ElementPtr children = getElement("childNodes");
    return children ? children->getElement(index) : ElementPtr();
}

ElementPtr Element::getParentNode() { return getElement("parentNode"); }

ElementPtr Element::getElement(int index) { return wrapElement(getProperty<JSObjectPtr>(index)); }

ElementPtr Element::getElement(const std::string& name) { return wrapElement(getProperty<JSObjectPtr>(name)); }

std::string Element::getStringAttribute(const std::string& name) {
    return callMethod<std::string>("getAttribute", VariantList{variant(name)});
}

ElementPtr Element::getElementById(const std::string& id) {
    return fromJSObject(callMethod<JSObjectPtr>("getElementById", VariantList{variant(id)}));
}

std::vector<ElementPtr> Element::getElementsByTagName(const std::wstring& tagName) {
    return getElementsByTagName(wideToUtf8(tagName));
}

std::vector<ElementPtr> Element::getElementsByTagName(const std::string& tagName) {
    JSObjectPtr array = callMethod<JSObjectPtr>("getElementsByTagName", VariantList{variant(tagName)});
    std::vector<ElementPtr> elements;
    for (const JSObjectPtr& item : readObjectArray(array)) elements.push_back(fromJSObject(item));
    return elements;
}

ElementPtr Element::fromJSObject(const JSObjectPtr& object) {
    if (!object) return {};
    return object->browserHost()->createDOMElement(object);
}

}  // namespace FB::DOM
