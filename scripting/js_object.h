// A page object held by the plug-in: a page function, window, DOM node or event sink. Each browser
// binding implements it as a proxy over its own object type; the proxy knows the browser host that
// made it only weakly, so a page object never keeps a shut-down host alive, and only through the
// services page objects need of it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scripting/jsapi.h"
#include "scripting/page_object_host.h"

namespace FB {

class JSObject : public JSAPI {
public:
    explicit JSObject(const PageObjectHostPtr& host);
    ~JSObject() override;

    // The browser's own handle of the object; the identity of a handler or sink.
    virtual void* getNativeObject() { return nullptr; }
    // The browser context of the owning host (null once that host is gone); handlers and sinks
    // are grouped by it.
    virtual void* getHostContext() { return nullptr; }
    // True when the object can take a batched handler call (callHandlers).
    virtual bool isBrowserObject() { return false; }
    // On the browser's thread: calls every handler with the arguments and every sink's member
    // named like the event.
    virtual void callHandlers(const std::string& eventName, const VariantList& args,
                              const std::vector<JSObjectPtr>& handlers, const std::vector<JSObjectPtr>& sinks);
    // The page object and its host are still usable.
    virtual bool isValid() = 0;

    // Deferred operations: queue a call of the object itself (empty name) or of its member, or a
    // property write, onto the browser's thread and return at once.
    virtual void invokeLater(const std::string& methodName, const VariantList& args);
    virtual void InvokeDelayed(const VariantList& args, const std::string& methodName);
    virtual void setPropertyLater(const std::string& name, const variant& value);

    // The plug-in's own scriptable object when this page object wraps one, else null.
    virtual JSAPIPtr scriptingObject() = 0;

    // The owning host; throws std::bad_weak_ptr when it is gone.
    PageObjectHostPtr browserHost() const;

    // Read a page array (through "length" and indices) or a page object's members.
    static void readArrayValues(const JSObjectPtr& src, VariantList& dst);
    static void readArrayObjects(const JSObjectPtr& src, std::vector<JSObjectPtr>& dst);
    static void readObjectValues(const JSObjectPtr& src, VariantMap& dst);

protected:
    std::weak_ptr<PageObjectHost> host_;
};

}  // namespace FB
