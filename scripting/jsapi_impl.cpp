#include "scripting/jsapi_impl.h"

#include <algorithm>
#include <exception>
#include <set>
#include <typeinfo>

#include "scripting/event_object.h"
#include "scripting/script_error.h"
#include "scripting/utf8_tools.h"

namespace FB {

namespace {

// Runs one delivery to the page. A handler or sink that fails (its host has gone, the browser
// refused the call) must not stop the others, nor end the thread that fires the event.
template <class Deliver>
void deliverSafely(const Deliver& deliver) {
    try {
        deliver();
    } catch (const std::exception&) {}
}

template <class Table>
typename Table::mapped_type entriesOf(const Table& table, void* context) {
    auto found = table.find(context);
    return found == table.end() ? typename Table::mapped_type() : found->second;
}

std::vector<JSObjectPtr> sinkList(const std::map<void*, JSObjectPtr>& sinks) {
    std::vector<JSObjectPtr> list;
    list.reserve(sinks.size());
    for (const auto& entry : sinks) list.push_back(entry.second);
    return list;
}

}  // namespace

JSAPIImpl::HandlerList::iterator JSAPIImpl::findHandler(HandlerList& list, const std::string& name, void* identity) {
    auto range = list.equal_range(name);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second->getNativeObject() == identity) return it;
    }
    return list.end();
}

JSAPIImpl::JSAPIImpl(const int& initialScope) { scopes_.push_back(initialScope); }

JSAPIImpl::~JSAPIImpl() = default;

void JSAPIImpl::invalidate() { valid_.store(false, std::memory_order_release); }

void JSAPIImpl::pushScope(const int& scope) {
    scopeLock_.lock();
    scopes_.push_back(scope);
}

void JSAPIImpl::popScope() {
    // The bottom entry is the default scope and stays; the lock level taken by pushScope goes.
    if (scopes_.size() > 1) scopes_.pop_back();
    scopeLock_.unlock();
}

void JSAPIImpl::setDefaultScope(const int& scope) {
    std::lock_guard<std::recursive_mutex> lock(scopeLock_);
    scopes_.front() = scope;
}

int JSAPIImpl::getDefaultScope() {
    std::lock_guard<std::recursive_mutex> lock(scopeLock_);
    return scopes_.front();
}

int JSAPIImpl::getScope() {
    std::lock_guard<std::recursive_mutex> lock(scopeLock_);
    return scopes_.back();
}

void JSAPIImpl::addEventHandler(const std::string& name, const JSObjectPtr& handler) {
    if (!handler) throw invalid_arguments();
    void* context = handler->getHostContext();
    void* identity = handler->getNativeObject();
    std::lock_guard<std::recursive_mutex> lock(eventLock_);
    HandlerList& list = handlers_[context];
    if (findHandler(list, name, identity) != list.end()) return;
    list.emplace(name, handler);  // goes after the entries already under this name
}

void JSAPIImpl::removeEventHandler(const std::string& name, const JSObjectPtr& handler) {
    if (!handler) throw invalid_arguments();
    void* context = handler->getHostContext();
    void* identity = handler->getNativeObject();
    std::lock_guard<std::recursive_mutex> lock(eventLock_);
    auto found = handlers_.find(context);
    if (found == handlers_.end()) return;
    auto entry = findHandler(found->second, name, identity);
    if (entry != found->second.end()) found->second.erase(entry);
}

void JSAPIImpl::addEventSink(const JSObjectPtr& sink) {
    if (!sink) throw invalid_arguments();
    void* context = sink->getHostContext();
    std::lock_guard<std::recursive_mutex> lock(eventLock_);
    sinks_[context][sink.get()] = sink;
}

void JSAPIImpl::removeEventSink(const JSObjectPtr& sink) {
    if (!sink) throw invalid_arguments();
    void* context = sink->getHostContext();
    std::lock_guard<std::recursive_mutex> lock(eventLock_);
    auto found = sinks_.find(context);
    if (found != sinks_.end()) found->second.erase(sink.get());
}

template <class Fire>
void JSAPIImpl::forEachLiveProxy(const Fire& fire) {
    std::lock_guard<std::recursive_mutex> lock(proxyLock_);
    for (auto it = proxies_.begin(); it != proxies_.end();) {
        JSAPIImplPtr proxy = it->lock();
        if (!proxy) {
            it = proxies_.erase(it);
            continue;
        }
        fire(proxy);
        ++it;
    }
}

void JSAPIImpl::fireNamedEvent(const std::string& name, const VariantList& args) {
    if (!isObjectValid()) return;
    // Keeps the object alive while it fires; an object already being destroyed fires nothing.
    JSAPIPtr self = weak_from_this().lock();
    if (!self) return;
    forEachLiveProxy(
        [&](const JSAPIImplPtr& proxy) { proxy->fireNamedEvent(name, proxyTranslateList(args, self, proxy)); });
    try {
        fireEventLater(name, args);
    } catch (const script_error&) {}
}

void JSAPIImpl::fireNamedEvent(const std::wstring& name, const VariantList& args) {
    fireNamedEvent(wideToUtf8(name), args);
}

JSAPIImpl::Listeners JSAPIImpl::snapshotListeners() {
    std::lock_guard<std::recursive_mutex> lock(eventLock_);
    return Listeners{handlers_, sinks_};
}

void JSAPIImpl::fireEventLater(const std::string& name, const VariantList& args) {
    deliverToHandlers(name, args, snapshotListeners());
}

void JSAPIImpl::deliverToHandlers(const std::string& name, const VariantList& args, const Listeners& listeners) {
    const SinkTable& sinks = listeners.sinks;
    // Contexts whose sinks went along with a batched handler call.
    std::set<void*> sinksServed;
    // Named entries rather than structured bindings: the lambdas below use them, which the clang
    // of the fuzz build cannot compile for structured bindings.
    for (const auto& handlerEntry : listeners.handlers) {
        void* const context = handlerEntry.first;
        const HandlerList& list = handlerEntry.second;
        auto range = list.equal_range(name);
        bool first = true;
        for (auto it = range.first; it != range.second; ++it) {
            const JSObjectPtr& handler = it->second;
            bool batched = false;
            deliverSafely([&] {
                if (!handler->isValid()) return;
                if (first && handler->isBrowserObject()) {
                    // One call on the browser's thread serves this handler, the ones after it and
                    // the context's sinks.
                    std::vector<JSObjectPtr> batch;
                    for (auto rest = it; rest != range.second; ++rest) batch.push_back(rest->second);
                    sinksServed.insert(context);
                    batched = true;
                    handler->callHandlers(name, args, batch, sinkList(entriesOf(sinks, context)));
                    return;
                }
                first = false;
                handler->invokeLater(std::string(), args);
            });
            if (batched) break;
        }
    }
    for (const auto& sinkEntry : sinks) {
        void* const context = sinkEntry.first;
        const SinkList& contextSinks = sinkEntry.second;
        if (sinksServed.count(context) != 0) continue;
        for (const auto& entry : contextSinks) {
            const JSObjectPtr& sink = entry.second;
            bool batched = false;
            deliverSafely([&] {
                // A sink whose host has gone cannot be reached; it is skipped.
                if (!sink->isValid()) return;
                if (sink->isBrowserObject()) {
                    batched = true;
                    sink->callHandlers(name, args, {}, sinkList(contextSinks));
                    return;
                }
                sink->invokeLater(name, args);
            });
            if (batched) break;
        }
    }
}

void JSAPIImpl::dispatchEventObject(const std::string& name, const VariantList& args) {
    dispatchEventObject(name, VariantMap(), args);
}

void JSAPIImpl::dispatchEventObject(const std::string& name, const VariantMap& members) {
    dispatchEventObject(name, members, VariantList());
}

void JSAPIImpl::dispatchEventObject(const std::string& name, const VariantMap& members, const VariantList& args) {
    if (!isObjectValid()) return;
    JSAPIPtr self = weak_from_this().lock();
    if (!self) return;
    forEachLiveProxy([&](const JSAPIImplPtr& proxy) {
        proxy->dispatchEventObject(name, proxyTranslateMap(members, self, proxy),
                                   proxyTranslateList(args, self, proxy));
    });
    const VariantList eventArgs{variant(buildEventObject(self, name, members, args))};
    const Listeners listeners = snapshotListeners();
    for (const auto& entry : listeners.handlers) {
        auto range = entry.second.equal_range(name);
        for (auto it = range.first; it != range.second; ++it) {
            const JSObjectPtr& handler = it->second;
            deliverSafely([&] {
                if (handler->isValid()) handler->invokeLater(std::string(), eventArgs);
            });
        }
    }
    for (const auto& entry : listeners.sinks) {
        for (const auto& sinkEntry : entry.second) {
            const JSObjectPtr& sink = sinkEntry.second;
            deliverSafely([&] {
                if (sink->isValid()) sink->invokeLater(name, eventArgs);
            });
        }
    }
}

void JSAPIImpl::nameHook(const std::wstring& name) { nameHook(wideToUtf8(name)); }

void JSAPIImpl::nameHook(const std::string&) {}

void JSAPIImpl::addEventProxy(const JSAPIImplPtr& proxy) {
    std::lock_guard<std::recursive_mutex> lock(proxyLock_);
    proxies_.push_back(proxy);
}

void JSAPIImpl::removeEventProxy(const JSAPIImplPtr& proxy) {
    std::lock_guard<std::recursive_mutex> lock(proxyLock_);
    proxies_.erase(std::remove_if(proxies_.begin(), proxies_.end(),
                                  [&](const JSAPIImplWeakPtr& entry) {
                                      JSAPIImplPtr live = entry.lock();
                                      return !live || live == proxy;
                                  }),
                   proxies_.end());
}

VariantList JSAPIImpl::proxyTranslateList(const VariantList& list, const JSAPIPtr& self, const JSAPIPtr& proxy) {
    VariantList translated;
    translated.reserve(list.size());
    for (const variant& value : list) {
        if (value.type() == typeid(JSAPIPtr) && value.cast<JSAPIPtr>() == self) {
            translated.emplace_back(proxy);
        } else if (value.type() == typeid(VariantList)) {
            translated.emplace_back(proxyTranslateList(value.cast<VariantList>(), self, proxy));
        } else if (value.type() == typeid(VariantMap)) {
            translated.emplace_back(proxyTranslateMap(value.cast<VariantMap>(), self, proxy));
        } else {
            translated.push_back(value);
        }
    }
    return translated;
}

VariantMap JSAPIImpl::proxyTranslateMap(const VariantMap& map, const JSAPIPtr& self, const JSAPIPtr& proxy) {
    VariantMap translated;
    for (const auto& [key, value] : map) {
        VariantList one = proxyTranslateList(VariantList{value}, self, proxy);
        translated.emplace(key, one.front());
    }
    return translated;
}

}  // namespace FB
