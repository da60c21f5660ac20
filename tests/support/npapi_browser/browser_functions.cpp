#include "tests/support/npapi_browser/browser_functions.h"

#include "tests/support/npapi_browser/browser_session.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <string>

namespace test_support {

namespace {

struct Attached {
    std::mutex lock;
    BrowserSession* session = nullptr;
};

Attached& attached() {
    static Attached instance;
    return instance;
}

// The session, when the caller is on its main thread; null (after recording the fault) otherwise.
BrowserSession* sessionFor(const char* function) {
    Attached& state = attached();
    std::lock_guard<std::mutex> lock(state.lock);
    if (!state.session) {
        std::fprintf(stderr, "stand-in browser: %s called while no browser is running\n", function);
        return nullptr;
    }
    if (!state.session->isMainThread()) {
        state.session->fault(std::string(function) + " called off the browser's main thread");
        return nullptr;
    }
    return state.session;
}

// Runs the work on the session when the caller is on its main thread; the fallback otherwise, and
// when the work throws (nothing may unwind into the plug-in's frames).
template <typename Result, typename Work>
Result onSession(const char* function, Result fallback, Work&& work) {
    BrowserSession* session = sessionFor(function);
    if (!session) return fallback;
    try {
        return work(*session);
    } catch (const std::exception& error) {
        session->fault(std::string(function) + " failed in the browser: " + error.what());
    } catch (...) {
        session->fault(std::string(function) + " failed in the browser");
    }
    return fallback;
}

// What no test needs of this browser: a call is a fault, answered as a failed call.
template <typename Result>
Result unserved(const char* function, Result answer) {
    if (BrowserSession* session = sessionFor(function))
        session->fault(std::string(function) + " is not served by the stand-in browser");
    return answer;
}
void unserved(const char* function) { unserved(function, 0); }
constexpr NPError kFailed = NPERR_GENERIC_ERROR;

template <typename Work>
void onSession(const char* function, Work&& work) {
    onSession(function, 0, [&](BrowserSession& session) {
        work(session);
        return 0;
    });
}

const char* npnUserAgent(NPP) {
    return onSession("NPN_UserAgent", "", [](BrowserSession& session) { return session.userAgent(); });
}

void* npnMemAlloc(uint32_t size) {
    return onSession("NPN_MemAlloc", static_cast<void*>(nullptr),
                     [&](BrowserSession&) { return std::malloc(size ? size : 1); });
}

void npnMemFree(void* pointer) {
    onSession("NPN_MemFree", [&](BrowserSession&) { std::free(pointer); });
}

NPError npnGetValue(NPP instance, NPNVariable variable, void* value) {
    return onSession("NPN_GetValue", NPError(NPERR_GENERIC_ERROR),
                     [&](BrowserSession& session) { return session.getValue(instance, variable, value); });
}

NPIdentifier npnGetStringIdentifier(const NPUTF8* name) {
    return onSession("NPN_GetStringIdentifier", NPIdentifier(nullptr),
                     [&](BrowserSession& session) { return session.stringIdentifier(name); });
}

bool npnIdentifierIsString(NPIdentifier identifier) {
    return onSession("NPN_IdentifierIsString", false,
                     [&](BrowserSession& session) { return session.identifierIsString(identifier); });
}

NPUTF8* npnUtf8FromIdentifier(NPIdentifier identifier) {
    return onSession("NPN_UTF8FromIdentifier", static_cast<NPUTF8*>(nullptr),
                     [&](BrowserSession& session) { return session.utf8FromIdentifier(identifier); });
}

NPObject* npnCreateObject(NPP instance, NPClass* objectClass) {
    return onSession("NPN_CreateObject", static_cast<NPObject*>(nullptr),
                     [&](BrowserSession& session) { return session.createObject(instance, objectClass); });
}

NPObject* npnRetainObject(NPObject* object) {
    return onSession("NPN_RetainObject", object, [&](BrowserSession& session) { return session.retainObject(object); });
}

void npnReleaseObject(NPObject* object) {
    onSession("NPN_ReleaseObject", [&](BrowserSession& session) { session.releaseObject(object); });
}

bool npnInvoke(NPP instance, NPObject* object, NPIdentifier name, const NPVariant* arguments, uint32_t count,
               NPVariant* result) {
    return onSession("NPN_Invoke", false, [&](BrowserSession& session) {
        return session.invoke(instance, object, name, arguments, count, result);
    });
}

bool npnInvokeDefault(NPP instance, NPObject* object, const NPVariant* arguments, uint32_t count, NPVariant* result) {
    return onSession("NPN_InvokeDefault", false, [&](BrowserSession& session) {
        return session.invokeDefault(instance, object, arguments, count, result);
    });
}

bool npnEvaluate(NPP instance, NPObject* object, NPString* script, NPVariant* result) {
    return onSession("NPN_Evaluate", false,
                     [&](BrowserSession& session) { return session.evaluateFor(instance, object, script, result); });
}

bool npnGetProperty(NPP instance, NPObject* object, NPIdentifier name, NPVariant* result) {
    return onSession("NPN_GetProperty", false,
                     [&](BrowserSession& session) { return session.getProperty(instance, object, name, result); });
}

void npnReleaseVariantValue(NPVariant* variant) {
    onSession("NPN_ReleaseVariantValue", [&](BrowserSession& session) { session.releaseVariant(variant); });
}

void npnSetException(NPObject*, const NPUTF8* message) {
    onSession("NPN_SetException", [&](BrowserSession& session) { session.setException(message); });
}

// The one function a plug-in may call from any thread: the work is queued for the browser's
// main-thread loop, which runs it later, as a browser does.
void npnPluginThreadAsyncCall(NPP instance, void (*function)(void*), void* data) {
    Attached& state = attached();
    std::lock_guard<std::mutex> lock(state.lock);
    if (!state.session) {
        std::fprintf(stderr, "stand-in browser: NPN_PluginThreadAsyncCall called while no browser is running\n");
        return;
    }
    if (!function) {
        state.session->fault("NPN_PluginThreadAsyncCall without a function");
        return;
    }
    if (!state.session->queueAsyncCall(instance, function, data))
        state.session->fault("NPN_PluginThreadAsyncCall after the browser's main thread stopped taking work");
}

}  // namespace

void attachBrowserSession(BrowserSession& session) {
    Attached& state = attached();
    std::lock_guard<std::mutex> lock(state.lock);
    if (state.session) throw std::logic_error("one stand-in browser at a time");
    state.session = &session;
}

void detachBrowserSession() {
    Attached& state = attached();
    std::lock_guard<std::mutex> lock(state.lock);
    state.session = nullptr;
}

NPNetscapeFuncs browserFunctionTable(uint16_t version) {
    NPNetscapeFuncs table{};
    table.size = sizeof(table);
    table.version = version;
    table.uagent = npnUserAgent;
    table.memalloc = npnMemAlloc;
    table.memfree = npnMemFree;
    table.getvalue = npnGetValue;
    table.getstringidentifier = npnGetStringIdentifier;
    table.identifierisstring = npnIdentifierIsString;
    table.utf8fromidentifier = npnUtf8FromIdentifier;
    table.createobject = npnCreateObject;
    table.retainobject = npnRetainObject;
    table.releaseobject = npnReleaseObject;
    table.invoke = npnInvoke;
    table.invokeDefault = npnInvokeDefault;
    table.evaluate = npnEvaluate;
    table.getproperty = npnGetProperty;
    table.releasevariantvalue = npnReleaseVariantValue;
    table.setexception = npnSetException;
    table.pluginthreadasynccall = npnPluginThreadAsyncCall;
    table.geturl = [](NPP, const char*, const char*) { return unserved("NPN_GetURL", kFailed); };
    table.posturl = [](NPP, const char*, const char*, uint32_t, const char*, NPBool) {
        return unserved("NPN_PostURL", kFailed);
    };
    table.requestread = [](NPStream*, NPByteRange*) { return unserved("NPN_RequestRead", kFailed); };
    table.newstream = [](NPP, NPMIMEType, const char*, NPStream**) { return unserved("NPN_NewStream", kFailed); };
    table.write = [](NPP, NPStream*, int32_t, void*) { return unserved("NPN_Write", int32_t(-1)); };
    table.destroystream = [](NPP, NPStream*, NPReason) { return unserved("NPN_DestroyStream", kFailed); };
    table.status = [](NPP, const char*) { unserved("NPN_Status"); };
    table.memflush = [](uint32_t) { return unserved("NPN_MemFlush", uint32_t(0)); };
    table.reloadplugins = [](NPBool) { unserved("NPN_ReloadPlugins"); };
    table.geturlnotify = [](NPP, const char*, const char*, void*) { return unserved("NPN_GetURLNotify", kFailed); };
    table.posturlnotify = [](NPP, const char*, const char*, uint32_t, const char*, NPBool, void*) {
        return unserved("NPN_PostURLNotify", kFailed);
    };
    table.setvalue = [](NPP, NPPVariable, void*) { return unserved("NPN_SetValue", kFailed); };
    table.invalidaterect = [](NPP, NPRect*) { unserved("NPN_InvalidateRect"); };
    table.invalidateregion = [](NPP, NPRegion) { unserved("NPN_InvalidateRegion"); };
    table.forceredraw = [](NPP) { unserved("NPN_ForceRedraw"); };
    table.getstringidentifiers = [](const NPUTF8**, int32_t, NPIdentifier*) { unserved("NPN_GetStringIdentifiers"); };
    table.getintidentifier = [](int32_t) { return unserved("NPN_GetIntIdentifier", NPIdentifier(nullptr)); };
    table.intfromidentifier = [](NPIdentifier) { return unserved("NPN_IntFromIdentifier", int32_t(0)); };
    table.setproperty = [](NPP, NPObject*, NPIdentifier, const NPVariant*) {
        return unserved("NPN_SetProperty", false);
    };
    table.removeproperty = [](NPP, NPObject*, NPIdentifier) { return unserved("NPN_RemoveProperty", false); };
    table.hasproperty = [](NPP, NPObject*, NPIdentifier) { return unserved("NPN_HasProperty", false); };
    table.hasmethod = [](NPP, NPObject*, NPIdentifier) { return unserved("NPN_HasMethod", false); };
    table.construct = [](NPP, NPObject*, const NPVariant*, uint32_t, NPVariant*) {
        return unserved("NPN_Construct", false);
    };
    table.pushpopupsenabledstate = [](NPP, NPBool) { unserved("NPN_PushPopupsEnabledState"); };
    table.poppopupsenabledstate = [](NPP) { unserved("NPN_PopPopupsEnabledState"); };
    table.enumerate = [](NPP, NPObject*, NPIdentifier**, uint32_t*) { return unserved("NPN_Enumerate", false); };
    table.getvalueforurl = [](NPP, NPNURLVariable, const char*, char**, uint32_t*) {
        return unserved("NPN_GetValueForURL", kFailed);
    };
    table.setvalueforurl = [](NPP, NPNURLVariable, const char*, const char*, uint32_t) {
        return unserved("NPN_SetValueForURL", kFailed);
    };
    table.getauthenticationinfo = [](NPP, const char*, const char*, int32_t, const char*, const char*, char**,
                                     uint32_t*, char**, uint32_t*) {
        return unserved("NPN_GetAuthenticationInfo", kFailed);
    };
    return table;
}

}  // namespace test_support
