#include "tests/support/page_engine/record_proxy.h"

namespace test_support {

namespace {

// Hidden keys: a leading 0xFF byte makes a key no script can name, and such keys are read from a
// proxy's target without running any of its traps. (Each name starts with a letter that is no hex
// digit, so that the escape ends where it should.)
constexpr const char* kBridgeKey = "\xFFpageBridge";     // stash: the page's bridge
constexpr const char* kHandlerKey = "\xFFproxyHandler";  // stash: the traps of every proxy
constexpr const char* kRecordKey = "\xFFproxyRecord";    // proxy target or method function: its record
constexpr const char* kProxyKey = "\xFFproxy";           // proxy target: its proxy
constexpr const char* kMarkKey = "\xFFpageObject";       // script object: the object standing for it

// Under duk_safe_call, with an object and the address (or undefined) on top.
duk_ret_t markObjectOnStack(duk_context* context, void* mark) {
    const duk_idx_t object = duk_get_top(context) - 2;
    duk_push_string(context, static_cast<const char*>(mark));
    if (duk_is_undefined(context, object + 1)) {
        duk_del_prop(context, object);
    } else {
        duk_dup(context, object + 1);
        duk_def_prop(context, object, DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_SET_CONFIGURABLE | DUK_DEFPROP_FORCE);
    }
    return 0;
}

}  // namespace

void stashBridge(duk_context* context, void* bridge) {
    duk_push_global_stash(context);
    duk_push_pointer(context, bridge);
    duk_put_prop_string(context, -2, kBridgeKey);
    duk_pop(context);
}

void* stashedBridge(duk_context* context) {
    duk_push_global_stash(context);
    duk_get_prop_string(context, -1, kBridgeKey);
    void* bridge = duk_get_pointer(context, -1);
    duk_pop_2(context);
    return bridge;
}

void pushRecordFunction(duk_context* context, duk_c_function function, void* record, duk_c_function finalizer) {
    duk_push_c_function(context, function, DUK_VARARGS);
    duk_push_pointer(context, record);
    duk_put_prop_string(context, -2, kRecordKey);
    duk_push_c_function(context, finalizer, 2);
    duk_set_finalizer(context, -2);
}

void* pushRecordProxy(duk_context* context, void* record, duk_c_function call, duk_c_function finalizer,
                      std::initializer_list<ProxyTrap> traps) {
    pushRecordFunction(context, call, record, finalizer);
    duk_push_global_stash(context);
    if (!duk_get_prop_string(context, -1, kHandlerKey)) {
        duk_pop(context);
        duk_push_object(context);
        for (const ProxyTrap& trap : traps) {
            duk_push_c_function(context, trap.function, trap.arguments);
            duk_put_prop_string(context, -2, trap.name);
        }
        duk_dup(context, -1);
        duk_put_prop_string(context, -3, kHandlerKey);
    }
    duk_remove(context, -2);  // target, handler
    duk_dup(context, -2);
    duk_swap_top(context, -2);  // target, target, handler
    duk_push_proxy(context, 0);
    void* proxy = duk_get_heapptr(context, -1);
    duk_dup(context, -1);
    duk_put_prop_string(context, -3, kProxyKey);
    duk_remove(context, -2);
    return proxy;
}

void* recordAt(duk_context* context, duk_idx_t index) {
    if (!duk_is_object(context, index)) return nullptr;
    duk_get_prop_string(context, index, kRecordKey);
    void* record = duk_get_pointer(context, -1);
    duk_pop(context);
    return record;
}

void markScriptObject(duk_context* context, duk_idx_t index, void* address) {
    duk_dup(context, index);
    if (address)
        duk_push_pointer(context, address);
    else
        duk_push_undefined(context);
    duk_safe_call(context, markObjectOnStack, const_cast<char*>(kMarkKey), 2, 1);
    duk_pop(context);
}

void* markOf(duk_context* context, duk_idx_t index) {
    duk_get_prop_string(context, index, kMarkKey);
    void* address = duk_get_pointer(context, -1);
    duk_pop(context);
    return address;
}

}  // namespace test_support
