// Base of every script-visible object of the plug-in: keeps the page's event handlers and sinks,
// the objects that mirror its events, its scope stack and its validity, and fires named events to
// the page from any thread.
#pragma once

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "scripting/js_object.h"
#include "scripting/jsapi.h"

namespace FB {

class JSAPIImpl;
using JSAPIImplPtr = std::shared_ptr<JSAPIImpl>;
using JSAPIImplWeakPtr = std::weak_ptr<JSAPIImpl>;

class JSAPIImpl : public JSAPI {
public:
    explicit JSAPIImpl(const int& initialScope);
    ~JSAPIImpl() override;

    using JSAPI::addEventHandler;
    using JSAPI::removeEventHandler;

    void invalidate() override;

    // pushScope takes the scope lock and keeps it until the matching popScope on the same thread,
    // so a call made on behalf of a caller runs with the object's tables locked.
    void pushScope(const int& scope) override;
    void popScope() override;
    void setDefaultScope(const int& scope) override;
    int getDefaultScope() override;
    int getScope() override;

    void addEventHandler(const std::string& name, const JSObjectPtr& handler) override;
    void removeEventHandler(const std::string& name, const JSObjectPtr& handler) override;
    void addEventSink(const JSObjectPtr& sink) override;
    void removeEventSink(const JSObjectPtr& sink) override;

    // Hands the event to the page's handlers and sinks without ever running page script here.
    virtual void fireEventLater(const std::string& name, const VariantList& args);
    // Mirrors first, then the page. Callable from any thread; does nothing once invalidated.
    virtual void fireNamedEvent(const std::string& name, const VariantList& args);
    virtual void fireNamedEvent(const std::wstring& name, const VariantList& args);

    // Delivers one DOM-style event object (see buildEventObject) to every handler and sink.
    virtual void dispatchEventObject(const std::string& name, const VariantList& args);
    virtual void dispatchEventObject(const std::string& name, const VariantMap& members);
    virtual void dispatchEventObject(const std::string& name, const VariantMap& members, const VariantList& args);

    virtual void nameHook(const std::wstring& name);
    virtual void nameHook(const std::string& name);

    virtual void addEventProxy(const JSAPIImplPtr& proxy);
    virtual void removeEventProxy(const JSAPIImplPtr& proxy);

protected:
    // Copies of a list or map in which every reference to `self` becomes `proxy`, nested too.
    static VariantList proxyTranslateList(const VariantList& list, const JSAPIPtr& self, const JSAPIPtr& proxy);
    static VariantMap proxyTranslateMap(const VariantMap& map, const JSAPIPtr& self, const JSAPIPtr& proxy);

    bool isObjectValid() const { return valid_.load(std::memory_order_acquire); }
    std::recursive_mutex& scopeLock() { return scopeLock_; }

private:
    using HandlerList = std::multimap<std::string, JSObjectPtr>;
    using HandlerTable = std::map<void*, HandlerList>;
    using SinkList = std::map<void*, JSObjectPtr>;
    using SinkTable = std::map<void*, SinkList>;

    // The handlers and sinks an event is handed to.
    struct Listeners {
        HandlerTable handlers;
        SinkTable sinks;
    };

    // The entry under `name` of the page function `identity` (a handler's native object, which
    // says whether two handlers are the same function), or list.end().
    static HandlerList::iterator findHandler(HandlerList& list, const std::string& name, void* identity);
    // Calls fire(proxy) for each live proxy in order, dropping the ones that are gone.
    template <class Fire>
    void forEachLiveProxy(const Fire& fire);
    // A copy of the tables taken under the event lock: attaching and detaching while an event is
    // handed out affect later events only, and page calls are never made under the lock.
    Listeners snapshotListeners();
    void deliverToHandlers(const std::string& name, const VariantList& args, const Listeners& listeners);

    HandlerTable handlers_;
    SinkTable sinks_;
    std::vector<JSAPIImplWeakPtr> proxies_;
    std::recursive_mutex eventLock_;
    std::recursive_mutex proxyLock_;
    std::recursive_mutex scopeLock_;
    std::deque<int> scopes_;
    // Read by firing threads without a lock.
    std::atomic<bool> valid_{true};
};

}  // namespace FB
