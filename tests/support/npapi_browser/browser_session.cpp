#include "tests/support/npapi_browser/browser_session.h"

#include "tests/support/npapi_browser/browser_functions.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace test_support {

namespace {

constexpr uint16_t kSmallestTable = offsetof(NPNetscapeFuncs, geturl);

char* browserCopy(const std::string& text) {
    auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy) std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

}  // namespace

BrowserSession::BrowserSession(BrowserOptions options, BrowserMainThread& mainThread, BrowserFaults& faults)
    : PageSession(mainThread, faults), options_(std::move(options)) {
    if (options_.pluginFile.empty()) options_.pluginFile = PluginLibrary::builtPlugin();
    attachBrowserSession(*this, mainThread_);
}

BrowserSession::~BrowserSession() {
    assert(mainThread_.isCurrent());
    alive_.reset();
    try {
        destroyInstance();
        shutdownPlugin();
    } catch (const std::exception& error) {
        faults_.record(std::string("tearing the browser down: ") + error.what());
    }
    closePage();
    instance_.reset();
    library_.reset();
    detachBrowserSession();
}

std::unique_ptr<PageBridge> BrowserSession::makeBridge(PageScript& page) {
    return std::make_unique<ScriptBridge>(page, objects_, identifiers_, faults_);
}

void BrowserSession::embedPlugin(const PluginElement& element) {
    loadPlugin();
    instance_ = std::make_unique<PluginInstance>(plugin_, mainThread_, faults_,
                                                 UrlStreamSettings{document_.baseDirectory, options_.userAgent}, this);
    if (instance_->create(element) == NPERR_NO_ERROR) instance_->setWindow(element.width(), element.height());
}

// From the plug-in's scriptable object on, script reaches that object under the element's id.
bool BrowserSession::pushPluginObject() {
    NPObject* scriptable = instance() ? instance_->scriptableObject() : nullptr;
    if (scriptable) bridge()->pushPluginObject(scriptable);
    return scriptable != nullptr;
}

void BrowserSession::loadPlugin() {
    if (library_) return;
    library_ = std::make_unique<PluginLibrary>(options_.pluginFile);
    const NPNetscapeFuncs full = browserFunctionTable(options_.tableVersion);
    const uint16_t size = std::max(options_.tableSize, kSmallestTable);
    table_ = std::make_unique<unsigned char[]>(size);
    std::memcpy(table_.get(), &full, std::min<size_t>(size, sizeof(full)));
    std::memcpy(table_.get(), &size, sizeof(size));  // the size field comes first
    plugin_ = NPPluginFuncs{};
    plugin_.size = sizeof(plugin_);
    plugin_.version = options_.tableVersion;
    if (const NPError error = library_->exportOf<NP_GetEntryPointsFunc>("NP_GetEntryPoints")(&plugin_);
        error != NPERR_NO_ERROR)
        throw std::runtime_error("NP_GetEntryPoints answered " + std::to_string(error));
    if (const NPError error =
            library_->exportOf<NP_InitializeFunc>("NP_Initialize")(reinterpret_cast<NPNetscapeFuncs*>(table_.get()));
        error != NPERR_NO_ERROR)
        throw std::runtime_error("NP_Initialize answered " + std::to_string(error));
    initialized_ = true;
}

NPError BrowserSession::resizePlugin(int width, int height) {
    assert(mainThread_.isCurrent());
    return instance() ? instance_->setWindow(width, height) : NPERR_INVALID_INSTANCE_ERROR;
}

// As a browser tears an instance down: its streams end, NPP_Destroy, then the browser gives up its
// own references (the scriptable object, script's proxies) and invalidates the instance's objects
// that are still alive, so that script holding one gets an error rather than a dead plug-in.
void BrowserSession::destroyInstance() {
    assert(mainThread_.isCurrent());
    if (!instance()) return;
    NPP npp = instance_->npp();
    NPObject* scriptable = instance_->destroy();
    if (scriptable) objects_.release(scriptable, "the browser's reference on the scriptable object");
    bridge()->disconnectProxies();
    for (NPObject* object : objects_.madeBy(npp, &ScriptBridge::pageObjectClass)) {
        if (objects_.isLive(object) && object->_class->invalidate) object->_class->invalidate(object);
    }
}

void BrowserSession::shutdownPlugin() {
    assert(mainThread_.isCurrent());
    destroyInstance();
    if (!initialized_) return;
    initialized_ = false;
    library_->exportOf<NP_ShutdownFunc>("NP_Shutdown")();
    settle();
}

bool BrowserSession::knownInstance(NPP instance, const char* function) {
    if (instance && instance_ && instance_->live() && instance == instance_->npp()) return true;
    faults_.record(std::string(function) + (instance ? " with an instance that is not live" : " without an instance"));
    return false;
}

bool BrowserSession::liveObject(NPObject* object, const char* function) {
    if (object && objects_.isLive(object)) return true;
    faults_.record(std::string(function) + (object ? " on an object that is not live" : " on no object"));
    return false;
}

bool BrowserSession::knownIdentifier(NPIdentifier identifier, const char* function) {
    if (identifiers_.find(identifier)) return true;
    faults_.record(std::string(function) + " with an identifier the browser never made");
    return false;
}

NPError BrowserSession::request(NPP instance, const char* url, const char* target, UrlRequest request) {
    if (!knownInstance(instance, "a URL request")) return NPERR_INVALID_INSTANCE_ERROR;
    if (!url) return NPERR_INVALID_URL;
    request.url = url;
    if (target && *target) {  // a page navigation: the stand-in shows no other page, it notes it
        page_->writeConsole("navigate: " + request.url + " in " + target);
        if (request.notify) {
            void (*notify)(NPP, const char*, NPReason, void*) = plugin_.urlnotify;
            std::string notifiedUrl = request.url;
            void* notifyData = request.notifyData;
            std::weak_ptr<int> alive = alive_;
            mainThread_.post([this, alive, instance, notify, notifiedUrl, notifyData] {
                if (alive.lock() && notify && instance_ && instance_->live() && instance == instance_->npp())
                    notify(instance, notifiedUrl.c_str(), NPRES_DONE, notifyData);
            });
        }
        return NPERR_NO_ERROR;
    }
    return instance_->streams().request(std::move(request));
}

NPError BrowserSession::getUrl(NPP instance, const char* url, const char* target, bool notify, void* notifyData) {
    UrlRequest request;
    request.notify = notify;
    request.notifyData = notifyData;
    return this->request(instance, url, target, std::move(request));
}

NPError BrowserSession::postUrl(NPP instance, const char* url, const char* target, uint32_t length, const char* buffer,
                                NPBool file, bool notify, void* notifyData) {
    if (!buffer && length > 0) return NPERR_INVALID_PARAM;
    UrlRequest request;
    request.post = true;
    request.postBuffer.assign(buffer ? buffer : "", buffer ? length : 0);
    request.postBufferIsFile = file;
    request.notify = notify;
    request.notifyData = notifyData;
    return this->request(instance, url, target, std::move(request));
}

NPError BrowserSession::destroyStream(NPP instance, NPStream* stream, NPReason reason) {
    if (!knownInstance(instance, "NPN_DestroyStream")) return NPERR_INVALID_INSTANCE_ERROR;
    return instance_->streams().destroyStream(stream, reason);
}

NPError BrowserSession::getValue(NPP instance, NPNVariable variable, void* value) {
    if (!value) return NPERR_INVALID_PARAM;
    switch (variable) {
        case NPNVjavascriptEnabledBool:
            *static_cast<NPBool*>(value) = true;
            return NPERR_NO_ERROR;
        case NPNVSupportsWindowless:
            *static_cast<NPBool*>(value) = false;
            return NPERR_NO_ERROR;
        case NPNVnetscapeWindow:
            if (!knownInstance(instance, "NPN_GetValue(NPNVnetscapeWindow)")) return NPERR_INVALID_INSTANCE_ERROR;
            *static_cast<void**>(value) = instance_->pageWindow();
            return NPERR_NO_ERROR;
        case NPNVWindowNPObject:
        case NPNVPluginElementNPObject: {
            if (!knownInstance(instance, "NPN_GetValue for a page object")) return NPERR_INVALID_INSTANCE_ERROR;
            duk_context* context = page_->context();
            if (variable == NPNVWindowNPObject)
                duk_push_global_object(context);
            else
                page_->pushHeldValue(elementKey_);
            *static_cast<NPObject**>(value) = bridge()->pageObjectFor(-1);
            duk_pop(context);
            return *static_cast<NPObject**>(value) ? NPERR_NO_ERROR : NPERR_GENERIC_ERROR;
        }
        default:
            return NPERR_GENERIC_ERROR;
    }
}

NPError BrowserSession::setValue(NPP instance, NPPVariable variable, void* value) {
    if (!knownInstance(instance, "NPN_SetValue")) return NPERR_INVALID_INSTANCE_ERROR;
    switch (variable) {
        case NPPVpluginWindowBool:  // the stand-in browser only has windowed plug-ins
            return value ? NPERR_NO_ERROR : NPERR_GENERIC_ERROR;
        case NPPVpluginTransparentBool:
            return NPERR_NO_ERROR;
        default:
            return NPERR_GENERIC_ERROR;
    }
}

void BrowserSession::invalidate(NPP instance, const NPRect* rect) {
    if (!knownInstance(instance, "NPN_InvalidateRect")) return;
    if (!rect) {
        InvalidateRect(instance_->pluginWindow(), nullptr, FALSE);
        return;
    }
    const RECT area{rect->left, rect->top, rect->right, rect->bottom};
    InvalidateRect(instance_->pluginWindow(), &area, FALSE);
}

void BrowserSession::forceRedraw(NPP instance) {
    if (knownInstance(instance, "NPN_ForceRedraw")) UpdateWindow(instance_->pluginWindow());
}

NPIdentifier BrowserSession::stringIdentifier(const NPUTF8* name) {
    if (!name) {
        faults_.record("NPN_GetStringIdentifier without a name");
        return nullptr;
    }
    return identifiers_.forName(name);
}

bool BrowserSession::identifierIsString(NPIdentifier identifier) {
    const IdentifierRecord* record = identifiers_.find(identifier);
    if (!record) knownIdentifier(identifier, "NPN_IdentifierIsString");
    return record && record->isString;
}

NPUTF8* BrowserSession::utf8FromIdentifier(NPIdentifier identifier) {
    const IdentifierRecord* record = identifiers_.find(identifier);
    if (!record) knownIdentifier(identifier, "NPN_UTF8FromIdentifier");
    return record && record->isString ? browserCopy(record->name) : nullptr;
}

int32_t BrowserSession::intFromIdentifier(NPIdentifier identifier) {
    const IdentifierRecord* record = identifiers_.find(identifier);
    if (!record) knownIdentifier(identifier, "NPN_IntFromIdentifier");
    return record && !record->isString ? record->number : INT32_MIN;
}

NPObject* BrowserSession::createObject(NPP instance, NPClass* objectClass) {
    if (!knownInstance(instance, "NPN_CreateObject")) return nullptr;
    return objects_.create(instance, objectClass);
}

NPObject* BrowserSession::retainObject(NPObject* object) {
    if (object) objects_.retain(object, "NPN_RetainObject");
    return object;
}

void BrowserSession::releaseObject(NPObject* object) {
    if (object) objects_.release(object, "NPN_ReleaseObject");
}

void BrowserSession::releaseVariant(NPVariant* variant) {
    if (variant) releaseVariantValue(*variant, objects_);
}

// The scripting functions reach any object, the page's or the plug-in's, through its class.
bool BrowserSession::invoke(NPP instance, NPObject* object, NPIdentifier name, const NPVariant* arguments,
                            uint32_t count, NPVariant* result) {
    if (!result) return false;
    VOID_TO_NPVARIANT(*result);
    if (!knownInstance(instance, "NPN_Invoke") || !liveObject(object, "NPN_Invoke") ||
        !knownIdentifier(name, "NPN_Invoke"))
        return false;
    return object->_class->invoke && object->_class->invoke(object, name, arguments, count, result);
}

bool BrowserSession::invokeDefault(NPP instance, NPObject* object, const NPVariant* arguments, uint32_t count,
                                   NPVariant* result) {
    if (!result) return false;
    VOID_TO_NPVARIANT(*result);
    if (!knownInstance(instance, "NPN_InvokeDefault") || !liveObject(object, "NPN_InvokeDefault")) return false;
    return object->_class->invokeDefault && object->_class->invokeDefault(object, arguments, count, result);
}

bool BrowserSession::construct(NPP instance, NPObject* object, const NPVariant* arguments, uint32_t count,
                               NPVariant* result) {
    if (!result) return false;
    VOID_TO_NPVARIANT(*result);
    if (!knownInstance(instance, "NPN_Construct") || !liveObject(object, "NPN_Construct")) return false;
    NPClass* objectClass = object->_class;
    return objectClass->structVersion >= 3 && objectClass->construct &&
           objectClass->construct(object, arguments, count, result);
}

// The script runs in the page's global scope, whatever object it was asked for.
bool BrowserSession::evaluateFor(NPP instance, NPObject* object, const NPString* script, NPVariant* result) {
    if (!result) return false;
    VOID_TO_NPVARIANT(*result);
    if (!knownInstance(instance, "NPN_Evaluate") || !liveObject(object, "NPN_Evaluate") || !script || !page_)
        return false;
    if (!script->UTF8Characters && script->UTF8Length > 0) return false;
    const std::string_view text(script->UTF8Characters ? script->UTF8Characters : "", script->UTF8Length);
    duk_context* context = page_->context();
    const bool ok = page_->evaluateOnStack(text, "NPN_Evaluate");
    if (ok)
        bridge()->toVariant(-1, *result);
    else
        page_->writeConsole("Uncaught " + PageScript::textOf(context, -1));
    duk_pop(context);
    return ok;
}

bool BrowserSession::getProperty(NPP instance, NPObject* object, NPIdentifier name, NPVariant* result) {
    if (!result) return false;
    VOID_TO_NPVARIANT(*result);
    if (!knownInstance(instance, "NPN_GetProperty") || !liveObject(object, "NPN_GetProperty") ||
        !knownIdentifier(name, "NPN_GetProperty"))
        return false;
    return object->_class->getProperty && object->_class->getProperty(object, name, result);
}

bool BrowserSession::setProperty(NPP instance, NPObject* object, NPIdentifier name, const NPVariant* value) {
    if (!value || !knownInstance(instance, "NPN_SetProperty") || !liveObject(object, "NPN_SetProperty") ||
        !knownIdentifier(name, "NPN_SetProperty"))
        return false;
    return object->_class->setProperty && object->_class->setProperty(object, name, value);
}

bool BrowserSession::removeProperty(NPP instance, NPObject* object, NPIdentifier name) {
    if (!knownInstance(instance, "NPN_RemoveProperty") || !liveObject(object, "NPN_RemoveProperty") ||
        !knownIdentifier(name, "NPN_RemoveProperty"))
        return false;
    return object->_class->removeProperty && object->_class->removeProperty(object, name);
}

bool BrowserSession::hasProperty(NPP instance, NPObject* object, NPIdentifier name) {
    if (!knownInstance(instance, "NPN_HasProperty") || !liveObject(object, "NPN_HasProperty") ||
        !knownIdentifier(name, "NPN_HasProperty"))
        return false;
    return object->_class->hasProperty && object->_class->hasProperty(object, name);
}

bool BrowserSession::hasMethod(NPP instance, NPObject* object, NPIdentifier name) {
    if (!knownInstance(instance, "NPN_HasMethod") || !liveObject(object, "NPN_HasMethod") ||
        !knownIdentifier(name, "NPN_HasMethod"))
        return false;
    return object->_class->hasMethod && object->_class->hasMethod(object, name);
}

bool BrowserSession::enumerate(NPP instance, NPObject* object, NPIdentifier** names, uint32_t* count) {
    if (!names || !count || !knownInstance(instance, "NPN_Enumerate") || !liveObject(object, "NPN_Enumerate"))
        return false;
    NPClass* objectClass = object->_class;
    return objectClass->structVersion >= 2 && objectClass->enumerate && objectClass->enumerate(object, names, count);
}

void BrowserSession::setException(const NPUTF8* message) {
    if (bridge_) bridge()->setException(message);
}

NPError BrowserSession::getValueForUrl(NPP instance, NPNURLVariable variable, const char* url, char** value,
                                       uint32_t* length) {
    if (!knownInstance(instance, "NPN_GetValueForURL")) return NPERR_INVALID_INSTANCE_ERROR;
    if (!url || !value || !length) return NPERR_INVALID_PARAM;
    if (variable != NPNURLVProxy) return NPERR_GENERIC_ERROR;
    *value = browserCopy(options_.proxyForUrl);
    if (!*value) return NPERR_OUT_OF_MEMORY_ERROR;
    *length = static_cast<uint32_t>(options_.proxyForUrl.size());
    return NPERR_NO_ERROR;
}

void BrowserSession::runAsyncCall(NPP instance, void (*function)(void*), void* data) {
    if (instance_ && instance_->live() && instance == instance_->npp()) function(data);
}

}  // namespace test_support
