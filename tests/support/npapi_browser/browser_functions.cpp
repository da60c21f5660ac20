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

NPError npnGetUrl(NPP instance, const char* url, const char* target) {
    BrowserSession* session = sessionFor("NPN_GetURL");
    return session ? session->getUrl(instance, url, target, false, nullptr) : NPERR_GENERIC_ERROR;
}

NPError npnPostUrl(NPP instance, const char* url, const char* target, uint32_t length, const char* buffer,
                   NPBool file) {
    BrowserSession* session = sessionFor("NPN_PostURL");
    return session ? session->postUrl(instance, url, target, length, buffer, file, false, nullptr)
                   : NPERR_GENERIC_ERROR;
}

NPError npnRequestRead(NPStream*, NPByteRange*) {
    return sessionFor("NPN_RequestRead") ? NPERR_STREAM_NOT_SEEKABLE : NPERR_GENERIC_ERROR;
}

// Streams from the plug-in to the browser are not offered.
NPError npnNewStream(NPP, NPMIMEType, const char*, NPStream**) {
    sessionFor("NPN_NewStream");
    return NPERR_GENERIC_ERROR;
}

int32_t npnWrite(NPP, NPStream*, int32_t, void*) {
    sessionFor("NPN_Write");
    return -1;
}

NPError npnDestroyStream(NPP instance, NPStream* stream, NPReason reason) {
    BrowserSession* session = sessionFor("NPN_DestroyStream");
    return session ? session->destroyStream(instance, stream, reason) : NPERR_GENERIC_ERROR;
}

void npnStatus(NPP, const char*) { sessionFor("NPN_Status"); }

const char* npnUserAgent(NPP) {
    BrowserSession* session = sessionFor("NPN_UserAgent");
    return session ? session->userAgent() : "";
}

void* npnMemAlloc(uint32_t size) { return sessionFor("NPN_MemAlloc") ? std::malloc(size ? size : 1) : nullptr; }

void npnMemFree(void* pointer) {
    if (sessionFor("NPN_MemFree")) std::free(pointer);
}

uint32_t npnMemFlush(uint32_t) {
    sessionFor("NPN_MemFlush");
    return 0;
}

void npnReloadPlugins(NPBool) { sessionFor("NPN_ReloadPlugins"); }

NPError npnGetUrlNotify(NPP instance, const char* url, const char* target, void* notifyData) {
    BrowserSession* session = sessionFor("NPN_GetURLNotify");
    return session ? session->getUrl(instance, url, target, true, notifyData) : NPERR_GENERIC_ERROR;
}

NPError npnPostUrlNotify(NPP instance, const char* url, const char* target, uint32_t length, const char* buffer,
                         NPBool file, void* notifyData) {
    BrowserSession* session = sessionFor("NPN_PostURLNotify");
    return session ? session->postUrl(instance, url, target, length, buffer, file, true, notifyData)
                   : NPERR_GENERIC_ERROR;
}

NPError npnGetValue(NPP instance, NPNVariable variable, void* value) {
    BrowserSession* session = sessionFor("NPN_GetValue");
    return session ? session->getValue(instance, variable, value) : NPERR_GENERIC_ERROR;
}

NPError npnSetValue(NPP instance, NPPVariable variable, void* value) {
    BrowserSession* session = sessionFor("NPN_SetValue");
    return session ? session->setValue(instance, variable, value) : NPERR_GENERIC_ERROR;
}

void npnInvalidateRect(NPP instance, NPRect* rect) {
    if (BrowserSession* session = sessionFor("NPN_InvalidateRect")) session->invalidate(instance, rect);
}

void npnInvalidateRegion(NPP instance, NPRegion) {
    if (BrowserSession* session = sessionFor("NPN_InvalidateRegion")) session->invalidate(instance, nullptr);
}

void npnForceRedraw(NPP instance) {
    if (BrowserSession* session = sessionFor("NPN_ForceRedraw")) session->forceRedraw(instance);
}

NPIdentifier npnGetStringIdentifier(const NPUTF8* name) {
    BrowserSession* session = sessionFor("NPN_GetStringIdentifier");
    return session ? session->stringIdentifier(name) : nullptr;
}

void npnGetStringIdentifiers(const NPUTF8** names, int32_t count, NPIdentifier* identifiers) {
    BrowserSession* session = sessionFor("NPN_GetStringIdentifiers");
    if (!session || !names || !identifiers) return;
    for (int32_t i = 0; i < count; ++i) identifiers[i] = session->stringIdentifier(names[i]);
}

NPIdentifier npnGetIntIdentifier(int32_t number) {
    BrowserSession* session = sessionFor("NPN_GetIntIdentifier");
    return session ? session->intIdentifier(number) : nullptr;
}

bool npnIdentifierIsString(NPIdentifier identifier) {
    BrowserSession* session = sessionFor("NPN_IdentifierIsString");
    return session && session->identifierIsString(identifier);
}

NPUTF8* npnUtf8FromIdentifier(NPIdentifier identifier) {
    BrowserSession* session = sessionFor("NPN_UTF8FromIdentifier");
    return session ? session->utf8FromIdentifier(identifier) : nullptr;
}

int32_t npnIntFromIdentifier(NPIdentifier identifier) {
    BrowserSession* session = sessionFor("NPN_IntFromIdentifier");
    return session ? session->intFromIdentifier(identifier) : 0;
}

NPObject* npnCreateObject(NPP instance, NPClass* objectClass) {
    BrowserSession* session = sessionFor("NPN_CreateObject");
    return session ? session->createObject(instance, objectClass) : nullptr;
}

NPObject* npnRetainObject(NPObject* object) {
    BrowserSession* session = sessionFor("NPN_RetainObject");
    return session ? session->retainObject(object) : object;
}

void npnReleaseObject(NPObject* object) {
    if (BrowserSession* session = sessionFor("NPN_ReleaseObject")) session->releaseObject(object);
}

bool npnInvoke(NPP instance, NPObject* object, NPIdentifier name, const NPVariant* arguments, uint32_t count,
               NPVariant* result) {
    BrowserSession* session = sessionFor("NPN_Invoke");
    return session && session->invoke(instance, object, name, arguments, count, result);
}

bool npnInvokeDefault(NPP instance, NPObject* object, const NPVariant* arguments, uint32_t count, NPVariant* result) {
    BrowserSession* session = sessionFor("NPN_InvokeDefault");
    return session && session->invokeDefault(instance, object, arguments, count, result);
}

bool npnEvaluate(NPP instance, NPObject* object, NPString* script, NPVariant* result) {
    BrowserSession* session = sessionFor("NPN_Evaluate");
    return session && session->evaluateFor(instance, object, script, result);
}

bool npnGetProperty(NPP instance, NPObject* object, NPIdentifier name, NPVariant* result) {
    BrowserSession* session = sessionFor("NPN_GetProperty");
    return session && session->getProperty(instance, object, name, result);
}

bool npnSetProperty(NPP instance, NPObject* object, NPIdentifier name, const NPVariant* value) {
    BrowserSession* session = sessionFor("NPN_SetProperty");
    return session && session->setProperty(instance, object, name, value);
}

bool npnRemoveProperty(NPP instance, NPObject* object, NPIdentifier name) {
    BrowserSession* session = sessionFor("NPN_RemoveProperty");
    return session && session->removeProperty(instance, object, name);
}

bool npnHasProperty(NPP instance, NPObject* object, NPIdentifier name) {
    BrowserSession* session = sessionFor("NPN_HasProperty");
    return session && session->hasProperty(instance, object, name);
}

bool npnHasMethod(NPP instance, NPObject* object, NPIdentifier name) {
    BrowserSession* session = sessionFor("NPN_HasMethod");
    return session && session->hasMethod(instance, object, name);
}

void npnReleaseVariantValue(NPVariant* variant) {
    if (BrowserSession* session = sessionFor("NPN_ReleaseVariantValue")) session->releaseVariant(variant);
}

void npnSetException(NPObject*, const NPUTF8* message) {
    if (BrowserSession* session = sessionFor("NPN_SetException")) session->setException(message);
}

void npnPushPopupsEnabledState(NPP, NPBool) { sessionFor("NPN_PushPopupsEnabledState"); }

void npnPopPopupsEnabledState(NPP) { sessionFor("NPN_PopPopupsEnabledState"); }

bool npnEnumerate(NPP instance, NPObject* object, NPIdentifier** names, uint32_t* count) {
    BrowserSession* session = sessionFor("NPN_Enumerate");
    return session && session->enumerate(instance, object, names, count);
}

// The one function a plug-in may call from any thread: the work is queued for the main thread.
void npnPluginThreadAsyncCall(NPP instance, void (*function)(void*), void* data) {
    Attached& state = attached();
    std::lock_guard<std::mutex> lock(state.lock);
    if (!state.session || !function) return;
    state.mainThread->post([instance, function, data] {
        BrowserSession* session = sessionFor("NPN_PluginThreadAsyncCall's work");
        if (session) session->runAsyncCall(instance, function, data);
    });
}

bool npnConstruct(NPP instance, NPObject* object, const NPVariant* arguments, uint32_t count, NPVariant* result) {
    BrowserSession* session = sessionFor("NPN_Construct");
    return session && session->construct(instance, object, arguments, count, result);
}

NPError npnGetValueForUrl(NPP instance, NPNURLVariable variable, const char* url, char** value, uint32_t* length) {
    BrowserSession* session = sessionFor("NPN_GetValueForURL");
    return session ? session->getValueForUrl(instance, variable, url, value, length) : NPERR_GENERIC_ERROR;
}

NPError npnSetValueForUrl(NPP, NPNURLVariable, const char*, const char*, uint32_t) {
    sessionFor("NPN_SetValueForURL");
    return NPERR_GENERIC_ERROR;
}

NPError npnGetAuthenticationInfo(NPP, const char*, const char*, int32_t, const char*, const char*, char**, uint32_t*,
                                 char**, uint32_t*) {
    sessionFor("NPN_GetAuthenticationInfo");
    return NPERR_GENERIC_ERROR;
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
