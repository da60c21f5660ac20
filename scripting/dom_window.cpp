#include "scripting/dom_window.h"

#include "scripting/dom_document.h"
#include "scripting/utf8_tools.h"

namespace FB::DOM {

DocumentPtr Window::getDocument() { return Document::fromJSObject(getProperty<JSObjectPtr>("document")); }

void Window::alert(const std::wstring& text) { alert(wideToUtf8(text)); }

void Window::alert(const std::string& text) { callMethod<variant>("alert", VariantList{variant(text)}); }

JSObjectPtr Window::createArray() { return callMethod<JSObjectPtr>("Array", VariantList()); }

JSObjectPtr Window::createMap() { return callMethod<JSObjectPtr>("Object", VariantList()); }

std::string Window::getLocation() {
    NodePtr location = getNode("location");
    return location ? location->getProperty<std::string>("href") : std::string();
}

WindowPtr Window::fromJSObject(const JSObjectPtr& object) {
    if (!object) return {};
    return object->browserHost()->createDOMWindow(object);
}

}  // namespace FB::DOM
