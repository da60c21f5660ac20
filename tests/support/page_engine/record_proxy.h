// Script's view of objects that live outside the page (a plug-in's objects, a control's): Duktape
// proxies whose target is a native function carrying the address of a record of the bridge that
// made it. Calling the proxy calls the target's function; the traps given answer member reads,
// writes, tests, deletions and listing. Records are found again under a hidden key, and a page
// script object is marked with the bridge object standing for it.
#pragma once

#include <duktape.h>

#include <initializer_list>

namespace test_support {

// The hidden keys of one bridge: its traps' handler (in the stash), a target's record, a target's
// proxy, and a page object's mark.
struct RecordProxyKeys {
    const char* handler;
    const char* record;
    const char* proxy;
    const char* mark;
};

struct ProxyTrap {
    const char* name;  // "get", "set", "has", "deleteProperty", "ownKeys"
    duk_c_function function;
    duk_idx_t arguments;
};

// Pushes a native function carrying the record, finalised by `finalizer` when script drops it.
void pushRecordFunction(duk_context* context, const RecordProxyKeys& keys, duk_c_function function, void* record,
                        duk_c_function finalizer);
// Pushes a new proxy over a record function; the traps' handler is made once per heap. Answers the
// proxy's heap address. The target keeps its proxy: the cycle leaves both to the mark-and-sweep
// collector, which runs the target's finalizer while the proxy still exists, so that the proxy's
// address stays good for as long as the record maps to it.
void* pushRecordProxy(duk_context* context, const RecordProxyKeys& keys, void* record, duk_c_function call,
                      duk_c_function finalizer, std::initializer_list<ProxyTrap> traps);
// The record the value at the index carries (a proxy reads it from its target without running a
// trap), or null.
void* recordAt(duk_context* context, duk_idx_t index, const RecordProxyKeys& keys);
// Marks the script object at the index with the address (null removes the mark). A value that
// takes no mark has no identity: it is simply not found again.
void markScriptObject(duk_context* context, duk_idx_t index, const RecordProxyKeys& keys, void* address);
// The address the script object at the index is marked with, or null.
void* markOf(duk_context* context, duk_idx_t index, const RecordProxyKeys& keys);

}  // namespace test_support
