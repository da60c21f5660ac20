// Script's view of the plug-in's objects: Duktape proxies whose traps call the object's NPClass.
//
// A proxy's target is a native function (so that calling the proxy, or constructing with it, calls
// the object's invokeDefault or construct) carrying the address of a ProxyRecord, which holds the
// proxy's reference on the object. A member the object answers only as a method reads as a method
// function with a record of its own.
//
// Every trap does its work in a member function that lets no C++ exception out and leaves one value
// on the stack; only the trap itself, holding no C++ object, throws that value into script.
#include "tests/support/npapi_browser/script_bridge.h"

#include "tests/support/npapi_browser/bridge_keys.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace test_support {

namespace {

// The largest argument list script may hand to the plug-in in one call.
constexpr duk_idx_t kMostArguments = 10000;

void pushError(duk_context* context, const std::string& message) {
    duk_push_error_object(context, DUK_ERR_ERROR, "%s", message.c_str());
}

}  // namespace

// One call into the plug-in's class: NPN_SetException during it raises its message in script.
class ScriptBridge::PluginCall {
public:
    explicit PluginCall(ScriptBridge& bridge) : bridge_(bridge) {
        ++bridge_.pluginCallDepth_;
        bridge_.exception_.reset();
    }
    ~PluginCall() { --bridge_.pluginCallDepth_; }
    PluginCall(const PluginCall&) = delete;
    PluginCall& operator=(const PluginCall&) = delete;

    // True, with the error pushed, when the plug-in set an exception.
    bool raised(duk_context* context) {
        if (!bridge_.exception_) return false;
        pushError(context, *bridge_.exception_);
        bridge_.exception_.reset();
        return true;
    }

private:
    ScriptBridge& bridge_;
};

void ScriptBridge::setException(const char* message) {
    const std::string text = message ? message : "";
    if (pluginCallDepth_ > 0)
        exception_ = text;
    else if (page_)
        page_->writeConsole("Uncaught Error: " + text);
}

ScriptBridge::ProxyRecord* ScriptBridge::recordOfProxy(duk_idx_t index) {
    auto* record = static_cast<ProxyRecord*>(recordAt(page_->context(), index, kNpProxyKeys));
    return record && proxies_.count(record) && !record->isMethod ? record : nullptr;
}

void ScriptBridge::pushPluginObject(NPObject* object) {
    duk_context* context = page_->context();
    if (const auto found = proxyOf_.find(object); found != proxyOf_.end()) {
        duk_push_heapptr(context, found->second->proxy);
        return;
    }
    if (!objects_.retain(object, "a plug-in object handed to script")) {
        duk_push_undefined(context);
        return;
    }
    auto* record = new ProxyRecord{this, object, false, nullptr};
    proxies_.insert(record);
    record->proxy = pushRecordProxy(context, kNpProxyKeys, record, trap<&ScriptBridge::callObject>, finalizeRecord,
                                    {{"get", trap<&ScriptBridge::proxyGet>, 3},
                                     {"set", trap<&ScriptBridge::proxySet>, 4},
                                     {"has", trap<&ScriptBridge::proxyHas>, 2},
                                     {"deleteProperty", trap<&ScriptBridge::proxyDelete>, 2},
                                     {"ownKeys", trap<&ScriptBridge::proxyOwnKeys>, 1}});
    proxyOf_.emplace(object, record);
}

duk_ret_t ScriptBridge::finalizeRecord(duk_context* context) {
    duk_get_prop_string(context, 0, kProxyRecordKey);
    auto* record = static_cast<ProxyRecord*>(duk_get_pointer(context, -1));
    if (!record) return 0;
    ScriptBridge& bridge = *record->bridge;
    try {
        if (record->object) bridge.dropped_.push_back(record->object);
    } catch (...) {
        bridge.faults_.record("a dropped proxy's reference could not be queued");
    }
    const auto mapped = bridge.proxyOf_.find(record->object);
    if (mapped != bridge.proxyOf_.end() && mapped->second == record) bridge.proxyOf_.erase(mapped);
    bridge.proxies_.erase(record);
    delete record;
    return 0;
}

void ScriptBridge::releaseDroppedReferences() {
    while (!dropped_.empty()) {
        NPObject* object = dropped_.back();
        dropped_.pop_back();
        objects_.release(object, "a dropped proxy");
    }
}

void ScriptBridge::disconnectProxies() {
    proxyOf_.clear();
    for (ProxyRecord* record : proxies_) {
        if (record->object) dropped_.push_back(record->object);
        record->object = nullptr;
    }
    releaseDroppedReferences();
}

// The record of the proxy target at index 0 of a trap, or of the function being called; null, with
// an error pushed, when the object is no longer reachable.
ScriptBridge::ProxyRecord* ScriptBridge::liveRecord(duk_context* context, bool ofCurrentFunction) {
    if (ofCurrentFunction)
        duk_push_current_function(context);
    else
        duk_dup(context, 0);
    duk_get_prop_string(context, -1, kProxyRecordKey);
    auto* record = static_cast<ProxyRecord*>(duk_get_pointer(context, -1));
    duk_pop_2(context);
    if (!record || !proxies_.count(record) || !record->object) {
        pushError(context, "The plug-in object is no longer available");
        return nullptr;
    }
    return record;
}

bool ScriptBridge::memberOfTrap(duk_context* context, PluginCall& call, Member& member, bool& thrown,
                                void (*symbolAnswer)(duk_context*)) {
    ProxyRecord* record = liveRecord(context, false);
    thrown = !record;
    if (!record) return false;
    if (duk_is_symbol(context, 1)) {
        symbolAnswer(context);
        return false;
    }
    member = {record->object, identifierForKey(context, 1), false};
    const std::optional<bool> isProperty = answers(context, call, member, true);
    thrown = !isProperty;
    member.isProperty = isProperty.value_or(false);
    return isProperty.has_value();
}

std::optional<bool> ScriptBridge::answers(duk_context* context, PluginCall& call, const Member& member,
                                          bool asProperty) {
    NPClass* objectClass = member.object->_class;
    const bool yes = asProperty ? objectClass->hasProperty && objectClass->hasProperty(member.object, member.name)
                                : objectClass->hasMethod && objectClass->hasMethod(member.object, member.name);
    if (call.raised(context)) return std::nullopt;
    return yes;
}

bool ScriptBridge::proxyGet(duk_context* context) {
    Member member;
    bool thrown = false;
    PluginCall call(*this);
    if (!memberOfTrap(context, call, member, thrown, duk_push_undefined)) return thrown;
    if (member.isProperty) {
        NPVariant result;
        VOID_TO_NPVARIANT(result);
        NPClass* objectClass = member.object->_class;
        const bool ok = objectClass->getProperty && objectClass->getProperty(member.object, member.name, &result);
        const bool raised = call.raised(context);
        if (ok && !raised) pushVariant(result);
        releaseVariant(result);
        if (!ok && !raised)
            pushError(context, "Error reading '" + textOfIdentifier(member.name) + "' of a plug-in object");
        return !ok || raised;
    }
    const std::optional<bool> isMethod = answers(context, call, member, false);
    if (!isMethod) return true;
    if (!*isMethod || !objects_.retain(member.object, "a plug-in method read by script")) {
        duk_push_undefined(context);
        return false;
    }
    auto* method = new ProxyRecord{this, member.object, true, member.name};
    proxies_.insert(method);
    pushRecordFunction(context, kNpProxyKeys, trap<&ScriptBridge::callMethod>, method, finalizeRecord);
    return false;
}

bool ScriptBridge::proxySet(duk_context* context) {
    Member member;
    bool thrown = false;
    PluginCall call(*this);
    if (!memberOfTrap(context, call, member, thrown, duk_push_true)) return thrown;
    if (!member.isProperty) {
        pushError(context, "A plug-in object has no property '" + textOfIdentifier(member.name) + "' to set");
        return true;
    }
    NPVariant value;
    toVariant(2, value);
    NPClass* objectClass = member.object->_class;
    const bool ok = objectClass->setProperty && objectClass->setProperty(member.object, member.name, &value);
    releaseVariant(value);
    if (call.raised(context)) return true;
    if (!ok) {
        pushError(context, "Error setting '" + textOfIdentifier(member.name) + "' of a plug-in object");
        return true;
    }
    duk_push_true(context);
    return false;
}

bool ScriptBridge::proxyHas(duk_context* context) {
    Member member;
    bool thrown = false;
    PluginCall call(*this);
    if (!memberOfTrap(context, call, member, thrown, duk_push_false)) return thrown;
    const std::optional<bool> has =
        member.isProperty ? std::optional<bool>(true) : answers(context, call, member, false);
    if (!has) return true;
    duk_push_boolean(context, *has);
    return false;
}

bool ScriptBridge::proxyDelete(duk_context* context) {
    Member member;
    bool thrown = false;
    PluginCall call(*this);
    if (!memberOfTrap(context, call, member, thrown, duk_push_true)) return thrown;
    NPClass* objectClass = member.object->_class;
    const bool ok =
        !member.isProperty || (objectClass->removeProperty && objectClass->removeProperty(member.object, member.name));
    if (call.raised(context)) return true;
    if (!ok) {
        pushError(context, "Error removing '" + textOfIdentifier(member.name) + "' of a plug-in object");
        return true;
    }
    duk_push_true(context);
    return false;
}

bool ScriptBridge::proxyOwnKeys(duk_context* context) {
    ProxyRecord* record = liveRecord(context, false);
    if (!record) return true;
    NPObject* object = record->object;
    NPClass* objectClass = object->_class;
    duk_push_array(context);
    if (objectClass->structVersion < 2 || !objectClass->enumerate) return false;
    NPIdentifier* names = nullptr;
    uint32_t count = 0;
    PluginCall call(*this);
    const bool ok = objectClass->enumerate(object, &names, &count);
    if (call.raised(context)) {
        std::free(names);
        return true;
    }
    if (!ok) {
        std::free(names);
        pushError(context, "Error listing the members of a plug-in object");
        return true;
    }
    duk_uarridx_t next = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (!identifiers_.find(names[i])) {
            faults_.record("enumerate gave an identifier the browser never made");
            continue;
        }
        const std::string text = textOfIdentifier(names[i]);
        duk_push_lstring(context, text.data(), text.size());
        duk_put_prop_index(context, -2, next++);
    }
    std::free(names);
    return false;
}

bool ScriptBridge::callObject(duk_context* context) { return callPlugin(context, false); }
bool ScriptBridge::callMethod(duk_context* context) { return callPlugin(context, true); }

// A call of the proxy (invokeDefault, or construct with "new") or of a method function (invoke).
bool ScriptBridge::callPlugin(duk_context* context, bool ofMethod) {
    const duk_idx_t count = duk_get_top(context);
    ProxyRecord* record = liveRecord(context, true);
    if (!record) return true;
    if (count > kMostArguments) {
        pushError(context, "Too many arguments for a plug-in call");
        return true;
    }
    NPObject* object = record->object;
    NPClass* objectClass = object->_class;
    const bool construct = !ofMethod && duk_is_constructor_call(context);
    std::vector<NPVariant> arguments(static_cast<size_t>(count));
    for (duk_idx_t i = 0; i < count; ++i) toVariant(i, arguments[static_cast<size_t>(i)]);
    NPVariant result;
    VOID_TO_NPVARIANT(result);
    bool ok = false;
    {
        PluginCall call(*this);
        const auto argumentCount = static_cast<uint32_t>(count);
        if (ofMethod)
            ok = objectClass->invoke &&
                 objectClass->invoke(object, record->method, arguments.data(), argumentCount, &result);
        else if (construct)
            ok = objectClass->structVersion >= 3 && objectClass->construct &&
                 objectClass->construct(object, arguments.data(), argumentCount, &result);
        else
            ok = objectClass->invokeDefault &&
                 objectClass->invokeDefault(object, arguments.data(), argumentCount, &result);
        for (NPVariant& argument : arguments) releaseVariant(argument);
        if (call.raised(context)) {
            releaseVariant(result);
            return true;
        }
    }
    if (!ok) {
        releaseVariant(result);
        pushError(context, ofMethod
                               ? "Error calling method '" + textOfIdentifier(record->method) + "' of a plug-in object"
                               : std::string(construct ? "Error constructing with a plug-in object"
                                                       : "Error calling a plug-in object"));
        return true;
    }
    pushVariant(result);
    releaseVariant(result);
    return false;
}

// Runs the work, letting no C++ exception out, and throws what it left on the stack when it says
// so; by then the trap's frame holds no C++ object for the jump to skip.
template <bool (ScriptBridge::*Work)(duk_context*)>
duk_ret_t ScriptBridge::trap(duk_context* context) {
    bool thrown = true;
    try {
        thrown = (of(context).*Work)(context);
    } catch (...) {
        duk_push_error_object(context, DUK_ERR_ERROR, "the browser failed in a plug-in object operation");
    }
    return thrown ? duk_throw(context) : 1;
}

}  // namespace test_support
