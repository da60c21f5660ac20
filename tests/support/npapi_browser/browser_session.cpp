#include "tests/support/npapi_browser/browser_session.h"

#include "tests/support/npapi_browser/browser_functions.h"

#include <cassert>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace test_support {

namespace {

char* browserCopy(const std::string& text) {
    auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy) std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

}  // namespace

BrowserSession::BrowserSession(BrowserMainThread& mainThread, BrowserFaults& faults)
    : PageSession(mainThread, faults) {
    attachBrowserSession(*this);
}

BrowserSession::~BrowserSession() {
    assert(mainThread_.isCurrent());
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

void BrowserSession::setIdentity(BrowserIdentity identity) {
    assert(mainThread_.isCurrent());
    if (library_) throw std::logic_error("the browser's identity is set before its page is loaded");
    identity_ = std::move(identity);
}

void BrowserSession::embedPlugin(const PluginElement& element) {
    loadPlugin();
    notePluginInstanceAskedBy(identity_);
    instance_ = std::make_unique<PluginInstance>(plugin_, this);
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
    library_ = std::make_unique<PluginLibrary>(PluginLibrary::builtPlugin());
    table_ = browserFunctionTable(identity_.tableVersion);
    plugin_ = NPPluginFuncs{};
    plugin_.size = sizeof(plugin_);
    plugin_.version = table_.version;
    if (const NPError error = library_->exportOf<NP_GetEntryPointsFunc>("NP_GetEntryPoints")(&plugin_);
        error != NPERR_NO_ERROR)
        throw std::runtime_error("NP_GetEntryPoints answered " + std::to_string(error));
    if (const NPError error =
            library_->exportOf<NP_InitializeFunc>("NP_Initialize")(&table_);
        error != NPERR_NO_ERROR)
        throw std::runtime_error("NP_Initialize answered " + std::to_string(error));
    initialized_ = true;
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

void BrowserSession::setException(const NPUTF8* message) {
    if (bridge_) bridge()->setException(message);
}

bool BrowserSession::queueAsyncCall(NPP instance, void (*function)(void*), void* data) {
    std::weak_ptr<int> alive = alive_;
    return mainThread_.post([this, alive, instance, function, data] {
        if (!alive.expired()) runAsyncCall(instance, function, data);
    });
}

// The work of an instance that has gone since is dropped, as a browser drops it.
void BrowserSession::runAsyncCall(NPP instance, void (*function)(void*), void* data) {
    if (!instance_ || !instance_->live() || instance != instance_->npp()) return;
    ++asyncCallsRun_;
    function(data);
}

}  // namespace test_support
