#include "npapi/np_object_api.h"

#include "npapi/np_javascript_object.h"
#include "npapi/scoped_np_variant.h"
#include "scripting/script_error.h"

#include <exception>
#include <functional>
#include <memory>

namespace FB::Npapi {

namespace {

// The browser's identifier array, freed with NPN_MemFree however the scope is left.
using BrowserIdentifiers = std::unique_ptr<NPIdentifier, std::function<void(NPIdentifier*)>>;

BrowserIdentifiers enumerateInBrowser(NpapiBrowserHost& host, NPObject* object, uint32_t& count) {
    NPIdentifier* identifiers = nullptr;
    count = 0;
    if (!host.Enumerate(object, &identifiers, &count)) count = 0;
    BrowserIdentifiers owned(identifiers, [&host](NPIdentifier* ids) { host.MemFree(ids); });
    if (!identifiers) count = 0;
    return owned;
}

}  // namespace

NPObjectAPI::NPObjectAPI(NPObject* object, const NpapiBrowserHostPtr& host)
    : JSObject(host), m_hostRef(host), m_object(object) {
    if (!m_object) return;
    host->RetainObject(m_object);
    if (NPJavascriptObject::isOwnObject(m_object)) {
        m_isPluginObject = true;
        m_innerApi = NPJavascriptObject::fromNPObject(m_object)->apiReference();
    }
}

// Without a host the browser instance that owned the object has ended; there is nothing to give
// the reference back to.
NPObjectAPI::~NPObjectAPI() {
    if (!m_object) return;
    if (NpapiBrowserHostPtr host = m_hostRef.lock()) {
        try {
            host->deferRelease(m_object);
        } catch (...) {}
    }
}

std::shared_ptr<NPObjectAPI> NPObjectAPI::sharedSelf() {
    return std::static_pointer_cast<NPObjectAPI>(shared_from_this());
}

void NPObjectAPI::invalidate() { m_innerApi.reset(); }

void* NPObjectAPI::getHostContext() {
    NpapiBrowserHostPtr host = m_hostRef.lock();
    return host ? host->getBrowserContext() : nullptr;
}

JSAPIPtr NPObjectAPI::scriptingObject() {
    if (!NPJavascriptObject::isOwnObject(m_object)) return nullptr;
    return NPJavascriptObject::fromNPObject(m_object)->apiReference().lock();
}

template <typename R, typename Body>
R NPObjectAPI::inBrowserThread(R hostGone, Body body) {
    NpapiBrowserHostPtr host = m_hostRef.lock();
    if (!host) return hostGone;
    if (!host->onMainThread()) {
        std::shared_ptr<NPObjectAPI> self = sharedSelf();
        return host->runOnMainThread([self, hostGone, body]() -> R { return self->inBrowserThread(hostGone, body); });
    }
    return body(*host);
}

template <typename R, typename ForPlugin, typename ForBrowser>
R NPObjectAPI::perform(R hostGone, ForPlugin forPlugin, ForBrowser forBrowser) {
    return inBrowserThread(hostGone, [=, this](NpapiBrowserHost& host) -> R {
        if (!m_isPluginObject) return forBrowser(host);
        const JSAPIPtr api = m_innerApi.lock();
        return api ? forPlugin(*api) : hostGone;
    });
}

void NPObjectAPI::listMemberNames(std::vector<std::string>& names) {
    std::vector<std::string>* into = &names;
    perform(
        false, [into](JSAPI& api) { return api.listMemberNames(*into), true; },
        [this, into](NpapiBrowserHost& host) {
            uint32_t count = 0;
            BrowserIdentifiers identifiers = enumerateInBrowser(host, m_object, count);
            for (uint32_t i = 0; i < count; ++i) into->push_back(host.StringFromIdentifier(identifiers.get()[i]));
            return true;
        });
}

size_t NPObjectAPI::countMembers() {
    return perform(
        size_t(0), [](JSAPI& api) { return api.countMembers(); },
        [this](NpapiBrowserHost& host) {
            uint32_t count = 0;
            enumerateInBrowser(host, m_object, count);
            return size_t(count);
        });
}

bool NPObjectAPI::HasMethod(const std::string& name) {
    return perform(
        false, [&](JSAPI& api) { return api.HasMethod(name); },
        [&](NpapiBrowserHost& host) { return host.HasMethod(m_object, host.GetStringIdentifier(name.c_str())); });
}

bool NPObjectAPI::HasProperty(const std::string& name) {
    return perform(
        false, [&](JSAPI& api) { return api.HasProperty(name); },
        [&](NpapiBrowserHost& host) { return host.HasProperty(m_object, host.GetStringIdentifier(name.c_str())); });
}

bool NPObjectAPI::HasProperty(int index) {
    return perform(
        false, [&](JSAPI& api) { return api.HasProperty(index); },
        [&](NpapiBrowserHost& host) { return host.HasProperty(m_object, host.GetIntIdentifier(index)); });
}

variant NPObjectAPI::getInBrowser(NpapiBrowserHost& host, const std::string& name) {
    ScopedNPVariant result(host);
    if (!host.GetProperty(m_object, host.GetStringIdentifier(name.c_str()), result.get())) throw script_error(name);
    return host.getVariant(result.get());
}

variant NPObjectAPI::GetProperty(const std::string& name) {
    return perform(
        variant(false), [&](JSAPI& api) { return api.GetProperty(name); },
        [&](NpapiBrowserHost& host) { return getInBrowser(host, name); });
}

// A page's elements are named by their index in decimal.
variant NPObjectAPI::GetProperty(int index) {
    return perform(
        variant(false), [&](JSAPI& api) { return api.GetProperty(index); },
        [&](NpapiBrowserHost& host) { return getInBrowser(host, std::to_string(index)); });
}

void NPObjectAPI::SetProperty(const std::string& name, const variant& value) {
    perform(
        false, [&](JSAPI& api) { return api.SetProperty(name, value), true; },
        [&](NpapiBrowserHost& host) {
            ScopedNPVariant converted(host);
            host.getNPVariant(converted.get(), value);
            if (!host.SetProperty(m_object, host.GetStringIdentifier(name.c_str()), converted.get())) {
                throw script_error(name);
            }
            return true;
        });
}

void NPObjectAPI::SetProperty(int index, const variant& value) {
    perform(
        false, [&](JSAPI& api) { return api.SetProperty(index, value), true; },
        [&](NpapiBrowserHost&) { return SetProperty(std::to_string(index), value), true; });
}

void NPObjectAPI::RemoveProperty(const std::string& name) {
    perform(
        false, [&](JSAPI& api) { return api.RemoveProperty(name), true; },
        [&](NpapiBrowserHost& host) {
            if (!host.RemoveProperty(m_object, host.GetStringIdentifier(name.c_str()))) throw script_error(name);
            return true;
        });
}

void NPObjectAPI::RemoveProperty(int index) {
    perform(
        false, [&](JSAPI& api) { return api.RemoveProperty(index), true; },
        [&](NpapiBrowserHost&) { return RemoveProperty(std::to_string(index)), true; });
}

variant NPObjectAPI::invokeInBrowser(NpapiBrowserHost& host, const std::string& name, const VariantList& args) {
    ScopedNPVariantList converted(host, args);
    ScopedNPVariant result(host);
    const bool called = name.empty() ? host.InvokeDefault(m_object, converted.data(), converted.size(), result.get())
                                     : host.Invoke(m_object, host.GetStringIdentifier(name.c_str()), converted.data(),
                                                   converted.size(), result.get());
    if (!called) throw script_error(name);
    return host.getVariant(result.get());
}

variant NPObjectAPI::Invoke(const std::string& name, const VariantList& args) {
    return perform(
        variant(false), [&](JSAPI& api) { return api.Invoke(name, args); },
        [&](NpapiBrowserHost& host) { return invokeInBrowser(host, name, args); });
}

variant NPObjectAPI::Construct(const VariantList& args) {
    return perform(
        variant(false), [&](JSAPI& api) { return api.Construct(args); },
        [&](NpapiBrowserHost& host) {
            ScopedNPVariantList converted(host, args);
            ScopedNPVariant result(host);
            if (!host.Construct(m_object, converted.data(), converted.size(), result.get())) {
                throw script_error("constructor");
            }
            return host.getVariant(result.get());
        });
}

// Page handlers never run inside this call: the page's relay applies each one from a zero-delay
// timer. Handlers that are the plug-in's own objects are called at once.
void NPObjectAPI::callHandlers(const std::string& eventName, const VariantList& args,
                               const std::vector<JSObjectPtr>& handlers, const std::vector<JSObjectPtr>& sinks) {
    NpapiBrowserHostPtr host = m_hostRef.lock();
    if (!host) throw script_error("Error calling handlers");
    if (!host->onMainThread()) {
        std::shared_ptr<NPObjectAPI> self = sharedSelf();
        host->queueOnMainThread(self, [self, eventName, args, handlers, sinks] {
            if (NpapiBrowserHostPtr mainHost = self->m_hostRef.lock()) {
                self->callHandlersHere(*mainHost, eventName, args, handlers, sinks);
            }
        });
        return;
    }
    callHandlersHere(*host, eventName, args, handlers, sinks);
}

void NPObjectAPI::callHandlersHere(NpapiBrowserHost& host, const std::string& eventName, const VariantList& args,
                                   const std::vector<JSObjectPtr>& handlers, const std::vector<JSObjectPtr>& sinks) {
    std::shared_ptr<NPObjectAPI> relay;
    try {
        relay = std::dynamic_pointer_cast<NPObjectAPI>(host.getCallHelper());
    } catch (const std::exception&) {}
    if (!relay || !relay->getNPObject()) throw script_error("Error calling handlers (delegate disappeared)");

    NPVariant params[4];
    INT32_TO_NPVARIANT(0, params[0]);
    ScopedNPVariant argumentArray(host);
    host.getNPVariant(argumentArray.get(), variant(args));
    params[2] = *argumentArray.get();
    ScopedNPVariant name(host);
    host.getNPVariant(name.get(), variant(eventName));
    params[3] = *name.get();

    auto relayTo = [&](const JSObjectPtr& target, uint32_t paramCount) {
        ScopedNPVariant slot(host);
        host.getNPVariant(slot.get(), variant(target));
        params[1] = *slot.get();
        ScopedNPVariant result(host);
        host.InvokeDefault(relay->getNPObject(), params, paramCount, result.get());
    };
    for (const JSObjectPtr& handler : handlers) {
        auto proxy = std::dynamic_pointer_cast<NPObjectAPI>(handler);
        const JSAPIPtr own = proxy && proxy->m_isPluginObject ? proxy->m_innerApi.lock() : nullptr;
        try {
            if (own) {
                own->Invoke("", args);
            } else {
                relayTo(handler, 3);
            }
        } catch (const std::exception&) {
            // One failing handler does not keep the event from the others.
        }
    }
    for (const JSObjectPtr& sink : sinks) {
        try {
            relayTo(sink, 4);
        } catch (const std::exception&) {}
    }
}

}  // namespace FB::Npapi
