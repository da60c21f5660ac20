// What page objects and the DOM wrappers need of the browser host that made them: wrappers of the
// binding's own DOM classes, a queue onto the browser's main thread, and the call of a page
// function from a page timer. The browser host implements it; scripting knows the host through
// this interface alone, so that it depends on nothing above the platform.
#pragma once

#include "scripting/variant.h"

#include <functional>
#include <memory>
#include <string>

namespace FB {

class JSObject;
using JSObjectPtr = std::shared_ptr<JSObject>;

namespace DOM {
class Node;
class Element;
class Window;
class Document;
}  // namespace DOM

class PageObjectHost {
public:
    virtual ~PageObjectHost() = default;

    // Wrap a page object in a DOM wrapper of the kind, so that each binding can supply its own
    // wrapper classes; a null object gives an empty wrapper pointer.
    virtual std::shared_ptr<DOM::Window> createDOMWindow(const JSObjectPtr& object) = 0;
    virtual std::shared_ptr<DOM::Document> createDOMDocument(const JSObjectPtr& object) = 0;
    virtual std::shared_ptr<DOM::Element> createDOMElement(const JSObjectPtr& object) = 0;
    virtual std::shared_ptr<DOM::Node> createDOMNode(const JSObjectPtr& object) = 0;

    // Any thread: runs `call` once on the browser's main thread, never inside this call, and
    // returns at once. `reference` stays alive until the call has run or been discarded; script
    // and conversion errors the call raises there are dropped, and a host that has shut down
    // discards the call.
    virtual void queueCallOnMainThread(const JSObjectPtr& reference, std::function<void()> call) = 0;

    // Main thread: calls func (or its member fname) from a page timer after `delay` ms, so that
    // the page function never runs inside the plug-in's own call stack; -1 when the page has no
    // window or helper to do so.
    virtual int InvokeDelayed(int delay, const JSObjectPtr& func, const VariantList& args,
                              const std::string& fname) = 0;
};

using PageObjectHostPtr = std::shared_ptr<PageObjectHost>;

}  // namespace FB
