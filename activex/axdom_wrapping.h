// What the DOM wrappers over the browser's HTML interfaces share: making a wrapper of the kind an
// operation returns around an interface the browser answered (a page-object proxy first, through
// the wrapped object's own host), reading a collection of elements, and the proxy's IDispatch.
// Main thread only.
#pragma once

#include "activex/com_owners.h"
#include "platform/com/mshtml.h"
#include "scripting/dom_document.h"
#include "scripting/dom_element.h"
#include "scripting/dom_window.h"

#include <vector>

namespace FB::ActiveX::AXDOM {

// The proxy's IDispatch (no reference added); null when the object is no ActiveX page object.
IDispatch* dispatchOf(const JSObjectPtr& object);

// The proxy's IDispatch; std::bad_cast "This is not a valid object" when there is none.
IDispatch* requireDispatch(const JSObjectPtr& object);

// An empty pointer for a null interface: no proxy is made of nothing.
DOM::ElementPtr wrapElement(const JSObjectPtr& owner, IDispatch* element);
DOM::DocumentPtr wrapDocument(const JSObjectPtr& owner, IDispatch* document);
DOM::WindowPtr wrapWindow(const JSObjectPtr& owner, IDispatch* window);

// The collection's elements in its order, null items skipped; empty when its length cannot be read.
std::vector<DOM::ElementPtr> collectElements(const JSObjectPtr& owner, IHTMLElementCollection* collection);

// The attribute through IHTMLElement as text (numbers and booleans as their text); without
// IHTMLElement, `fallback` (the framework's property read).
std::string readStringAttribute(const JSObjectPtr& owner, IDispatch* element, const std::string& name,
                                const std::function<std::string()>& fallback);

}  // namespace FB::ActiveX::AXDOM
