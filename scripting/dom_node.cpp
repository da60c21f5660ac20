#include "scripting/dom_node.h"

#include "scripting/utf8_tools.h"

namespace FB::DOM {

NodePtr Node::getNode(int index) { return fromJSObject(getProperty<JSObjectPtr>(index)); }

NodePtr Node::getNode(const std::string& name) { return fromJSObject(getProperty<JSObjectPtr>(name)); }

NodePtr Node::getNode(const std::wstring& name) { return getNode(wideToUtf8(name)); }

void Node::setProperty(int index, const variant& value) { m_object->SetProperty(index, value); }

void Node::setProperty(const std::string& name, const variant& value) { m_object->SetProperty(name, value); }

void Node::setProperty(const std::wstring& name, const variant& value) { setProperty(wideToUtf8(name), value); }

NodePtr Node::appendChild(const NodePtr& node) {
    VariantList args{variant(node ? node->getJSObject() : JSObjectPtr())};
    return fromJSObject(callMethod<JSObjectPtr>("appendChild", args));
}

NodePtr Node::fromJSObject(const JSObjectPtr& object) {
    if (!object) return {};
    return object->browserHost()->createDOMNode(object);
}

std::vector<JSObjectPtr> Node::readObjectArray(const JSObjectPtr& array) {
    std::vector<JSObjectPtr> objects;
    if (!array) return objects;
    int length = array->GetProperty("length").convertTo<int>();
    for (int i = 0; i < length; ++i) objects.push_back(array->GetProperty(i).convertTo<JSObjectPtr>());
    return objects;
}

}  // namespace FB::DOM
