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
    BrowserMainThread* mainThread = nullptr;
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

template <typename Work>
void onSession(const char* function, Work&& work) {
    onSession(function, 0, [&](BrowserSession& session) {
        work(session);
        return 0;
    });
}

NPError npnGetUrl(NPP instance, const char* url, const char* target) {
    return onSession("NPN_GetURL", NPError(NPERR_GENERIC_ERROR),
                     [&](BrowserSession& session) { return session.getUrl(instance, url, target, false, nullptr); });
}

NPError npnPostUrl(NPP instance, const char* url, const char* target, uint32_t length, const char* buffer,
                   NPBool file) {
    return onSession("NPN_PostURL", NPError(NPERR_GENERIC_ERROR), [&](BrowserSession& session) {
        return session.postUrl(instance, url, target, length, buffer, file, false, nullptr);
    });
}

// No stream here is seekable.
NPError npnRequestRead(NPStream*, NPByteRange*) {
    return onSession("NPN_RequestRead", NPError(NPERR_GENERIC_ERROR),
                     [](BrowserSession&) { return NPError(NPERR_STREAM_NOT_SEEKABLE); });
}

// Streams from the plug-in to the browser are not offered.
NPError npnNewStream(NPP, NPMIMEType, const char*, NPStream**) {
    return onSession("NPN_NewStream", NPError(NPERR_GENERIC_ERROR),
                     [](BrowserSession&) { return NPError(NPERR_GENERIC_ERROR); });
}

int32_t npnWrite(NPP, NPStream*, int32_t, void*) {
    return onSession("NPN_Write", int32_t(-1), [](BrowserSession&) { return int32_t(-1); });
}

NPError npnDestroyStream(NPP instance, NPStream* stream, NPReason reason) {
    return onSession("NPN_DestroyStream", NPError(NPERR_GENERIC_ERROR),
                     [&](BrowserSession& session) { return session.destroyStream(instance, stream, reason); });
}

void npnStatus(NPP, const char*) {
    onSession("NPN_Status", [](BrowserSession&) {});
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

uint32_t npnMemFlush(uint32_t) {
    return onSession("NPN_MemFlush", uint32_t(0), [](BrowserSession&) { return uint32_t(0); });
}

void npnReloadPlugins(NPBool) {
    onSession("NPN_ReloadPlugins", [](BrowserSession&) {});
}

NPError npnGetUrlNotify(NPP instance, const char* url, const char* target, void* notifyData) {
    return onSession("NPN_GetURLNotify", NPError(NPERR_GENERIC_ERROR),
                     [&](BrowserSession& session) { return session.getUrl(instance, url, target, true, notifyData); });
}

NPError npnPostUrlNotify(NPP instance, const char* url, const char* target, uint32_t length, const char* buffer,
                         NPBool file, void* notifyData) {
    return onSession("NPN_PostURLNotify", NPError(NPERR_GENERIC_ERROR), [&](BrowserSession& session) {
        return session.postUrl(instance, url, target, length, buffer, file, true, notifyData);
    });
}

NPError npnGetValue(NPP instance, NPNVariable variable, void* value) {
    return onSession("NPN_GetValue", NPError(NPERR_GENERIC_ERROR),
                     [&](BrowserSession& session) { return session.getValue(instance, variable, value); });
}

NPError npnSetValue(NPP instance, NPPVariable variable, void* value) {
    return onSession("NPN_SetValue", NPError(NPERR_GENERIC_ERROR),
                     [&](BrowserSession& session) { return session.setValue(instance, variable, value); });
}

void npnInvalidateRect(NPP instance, NPRect* rect) {
    onSession("NPN_InvalidateRect", [&](BrowserSession& session) { session.invalidate(instance, rect); });
}

void npnInvalidateRegion(NPP instance, NPRegion) {
    onSession("NPN_InvalidateRegion", [&](BrowserSession& session) { session.invalidate(instance, nullptr); });
}

void npnForceRedraw(NPP instance) {
    onSession("NPN_ForceRedraw", [&](BrowserSession& session) { session.forceRedraw(instance); });
}

NPIdentifier npnGetStringIdentifier(const NPUTF8* name) {
    return onSession("NPN_GetStringIdentifier", NPIdentifier(nullptr),
                     [&](BrowserSession& session) { return session.stringIdentifier(name); });
}

void npnGetStringIdentifiers(const NPUTF8** names, int32_t count, NPIdentifier* identifiers) {
    onSession("NPN_GetStringIdentifiers", [&](BrowserSession& session) {
        if (!names || !identifiers) return;
        for (int32_t i = 0; i < count; ++i) identifiers[i] = session.stringIdentifier(names[i]);
    });
}

NPIdentifier npnGetIntIdentifier(int32_t number) {
    return onSession("NPN_GetIntIdentifier", NPIdentifier(nullptr),
                     [&](BrowserSession& session) { return session.intIdentifier(number); });
}

bool npnIdentifierIsString(NPIdentifier identifier) {
    return onSession("NPN_IdentifierIsString", false,
                     [&](BrowserSession& session) { return session.identifierIsString(identifier); });
}

NPUTF8* npnUtf8FromIdentifier(NPIdentifier identifier) {
    return onSession("NPN_UTF8FromIdentifier", static_cast<NPUTF8*>(nullptr),
                     [&](BrowserSession& session) { return session.utf8FromIdentifier(identifier); });
}

int32_t npnIntFromIdentifier(NPIdentifier identifier) {
    return onSession("NPN_IntFromIdentifier", int32_t(0),
                     [&](BrowserSession& session) { return session.intFromIdentifier(identifier); });
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

bool npnSetProperty(NPP instance, NPObject* object, NPIdentifier name, const NPVariant* value) {
    return onSession("NPN_SetProperty", false,
                     [&](BrowserSession& session) { return session.setProperty(instance, object, name, value); });
}

bool npnRemoveProperty(NPP instance, NPObject* object, NPIdentifier name) {
    return onSession("NPN_RemoveProperty", false,
                     [&](BrowserSession& session) { return session.removeProperty(instance, object, name); });
}

bool npnHasProperty(NPP instance, NPObject* object, NPIdentifier name) {
    return onSession("NPN_HasProperty", false,
                     [&](BrowserSession& session) { return session.hasProperty(instance, object, name); });
}

bool npnHasMethod(NPP instance, NPObject* object, NPIdentifier name) {
    return onSession("NPN_HasMethod", false,
                     [&](BrowserSession& session) { return session.hasMethod(instance, object, name); });
}

void npnReleaseVariantValue(NPVariant* variant) {
    onSession("NPN_ReleaseVariantValue", [&](BrowserSession& session) { session.releaseVariant(variant); });
}

void npnSetException(NPObject*, const NPUTF8* message) {
    onSession("NPN_SetException", [&](BrowserSession& session) { session.setException(message); });
}

void npnPushPopupsEnabledState(NPP, NPBool) {
    onSession("NPN_PushPopupsEnabledState", [](BrowserSession&) {});
}

void npnPopPopupsEnabledState(NPP) {
    onSession("NPN_PopPopupsEnabledState", [](BrowserSession&) {});
}

bool npnEnumerate(NPP instance, NPObject* object, NPIdentifier** names, uint32_t* count) {
    return onSession("NPN_Enumerate", false,
                     [&](BrowserSession& session) { return session.enumerate(instance, object, names, count); });
}

// The one function a plug-in may call from any thread: the work is queued for the main thread.
void npnPluginThreadAsyncCall(NPP instance, void (*function)(void*), void* data) {
    Attached& state = attached();
    std::lock_guard<std::mutex> lock(state.lock);
    if (!state.session || !function) return;
    try {
        state.mainThread->post([instance, function, data] {
            onSession("NPN_PluginThreadAsyncCall's work",
                      [&](BrowserSession& session) { session.runAsyncCall(instance, function, data); });
        });
    } catch (...) {
        state.session->fault("NPN_PluginThreadAsyncCall could not queue its work");
    }
}

bool npnConstruct(NPP instance, NPObject* object, const NPVariant* arguments, uint32_t count, NPVariant* result) {
    return onSession("NPN_Construct", false, [&](BrowserSession& session) {
        return session.construct(instance, object, arguments, count, result);
    });
}

NPError npnGetValueForUrl(NPP instance, NPNURLVariable variable, const char* url, char** value, uint32_t* length) {
    return onSession("NPN_GetValueForURL", NPError(NPERR_GENERIC_ERROR), [&](BrowserSession& session) {
        return session.getValueForUrl(instance, variable, url, value, length);
    });
}

NPError npnSetValueForUrl(NPP, NPNURLVariable, const char*, const char*, uint32_t) {
    return onSession("NPN_SetValueForURL", NPError(NPERR_GENERIC_ERROR),
                     [](BrowserSession&) { return NPError(NPERR_GENERIC_ERROR); });
}

NPError npnGetAuthenticationInfo(NPP, const char*, const char*, int32_t, const char*, const char*, char**, uint32_t*,
                                 char**, uint32_t*) {
    return onSession("NPN_GetAuthenticationInfo", NPError(NPERR_GENERIC_ERROR),
                     [](BrowserSession&) { return NPError(NPERR_GENERIC_ERROR); });
}

}  // namespace

void attachBrowserSession(BrowserSession& session, BrowserMainThread& mainThread) {
    Attached& state = attached();
    std::lock_guard<std::mutex> lock(state.lock);
    if (state.session) throw std::logic_error("one stand-in browser at a time");
    state.session = &session;
    state.mainThread = &mainThread;
}

void detachBrowserSession() {
    Attached& state = attached();
    std::lock_guard<std::mutex> lock(state.lock);
    state.session = nullptr;
    state.mainThread = nullptr;
}

NPNetscapeFuncs browserFunctionTable(uint16_t version) {
    NPNetscapeFuncs table{};
    table.size = sizeof(table);
    table.version = version;
    table.geturl = npnGetUrl;
    table.posturl = npnPostUrl;
    table.requestread = npnRequestRead;
    table.newstream = npnNewStream;
    table.write = npnWrite;
    table.destroystream = npnDestroyStream;
    table.status = npnStatus;
    table.uagent = npnUserAgent;
    table.memalloc = npnMemAlloc;
    table.memfree = npnMemFree;
    table.memflush = npnMemFlush;
    table.reloadplugins = npnReloadPlugins;
    table.geturlnotify = npnGetUrlNotify;
    table.posturlnotify = npnPostUrlNotify;
    table.getvalue = npnGetValue;
    table.setvalue = npnSetValue;
    table.invalidaterect = npnInvalidateRect;
    table.invalidateregion = npnInvalidateRegion;
    table.forceredraw = npnForceRedraw;
    table.getstringidentifier = npnGetStringIdentifier;
    table.getstringidentifiers = npnGetStringIdentifiers;
    table.getintidentifier = npnGetIntIdentifier;
    table.identifierisstring = npnIdentifierIsString;
    table.utf8fromidentifier = npnUtf8FromIdentifier;
    table.intfromidentifier = npnIntFromIdentifier;
    table.createobject = npnCreateObject;
    table.retainobject = npnRetainObject;
    table.releaseobject = npnReleaseObject;
    table.invoke = npnInvoke;
    table.invokeDefault = npnInvokeDefault;
    table.evaluate = npnEvaluate;
    table.getproperty = npnGetProperty;
    table.setproperty = npnSetProperty;
    table.removeproperty = npnRemoveProperty;
    table.hasproperty = npnHasProperty;
    table.hasmethod = npnHasMethod;
    table.releasevariantvalue = npnReleaseVariantValue;
    table.setexception = npnSetException;
    table.construct = npnConstruct;
    if (version >= NPVERS_HAS_POPUPS_ENABLED_STATE) {
        table.pushpopupsenabledstate = npnPushPopupsEnabledState;
        table.poppopupsenabledstate = npnPopPopupsEnabledState;
    }
    if (version >= NPVERS_HAS_NPOBJECT_ENUM) table.enumerate = npnEnumerate;
    if (version >= NPVERS_HAS_PLUGIN_THREAD_ASYNC_CALL) table.pluginthreadasynccall = npnPluginThreadAsyncCall;
    if (version >= NPVERS_HAS_URL_AND_AUTH_INFO) {
        table.getvalueforurl = npnGetValueForUrl;
        table.setvalueforurl = npnSetValueForUrl;
        table.getauthenticationinfo = npnGetAuthenticationInfo;
    }
    return table;
}

}  // namespace test_support
