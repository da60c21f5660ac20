#include "scripting/dom_document.h"

#include "scripting/dom_window.h"

namespace FB::DOM {

WindowPtr Document::getWindow() { return Window::fromJSObject(getProperty<JSObjectPtr>("window")); }

ElementPtr Document::getBody() { return Element::fromJSObject(getProperty<JSObjectPtr>("body")); }

ElementPtr Document::createElement(const std::string& tagName) {
    return Element::fromJSObject(callMethod<JSObjectPtr>("createElement", VariantList{variant(tagName)}));
}

DocumentPtr Document::fromJSObject(const JSObjectPtr& object) {
    if (!object) return {};
    return object->browserHost()->createDOMDocument(object);
}

}  // namespace FB::DOM
