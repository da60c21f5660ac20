// Script's view of the plug-in's objects: Duktape proxies whose traps call the object's NPClass.
//
// Calling a proxy, or constructing with it, calls the object's invokeDefault or construct. A member
// the object answers only as a method reads as a method function with a record of its own.
#include "tests/support/npapi_browser/script_bridge.h"

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

void ScriptBridge::pushPluginObject(NPObject* object) {
    duk_context* context = page_->context();
    if (proxies_.pushKnown(context, object)) return;
    if (!objects_.retain(object, "a plug-in object handed to script")) {
        duk_push_undefined(context);
        return;
    }
    proxies_.pushProxy<ScriptBridge>(context, object);
}

bool ScriptBridge::memberOfTrap(duk_context* context, PluginCall& call, Member& member, bool& thrown,
                                void (*symbolAnswer)(duk_context*)) {
    Proxies::Record* record = proxies_.liveRecord(context, false);
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
    proxies_.pushFunction(context, member.object, bridgeTrap<ScriptBridge, &ScriptBridge::callMethod>,
                          ProxyExtra{member.name});
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

bool ScriptBridge::proxyOwnKeys(duk_context* context) {
    Proxies::Record* record = proxies_.liveRecord(context, false);
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
    Proxies::Record* record = proxies_.liveRecord(context, true);
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

}  // namespace test_support
