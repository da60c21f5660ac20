// The stand-in browser's world on its main thread: the page with its script (PageSession), the plug-in library
// with the browser's function table, the one plug-in instance, the NPAPI objects and identifiers.
// It implements the browser's NPN functions (browser_functions.cpp reaches it through them). Every
// NPN function checks that it runs on the main thread; a call from elsewhere is a fault and does
// nothing. Main thread only, from construction to destruction.
#pragma once

#include "tests/support/npapi_browser/browser_identifiers.h"
#include "tests/support/npapi_browser/browser_identity.h"
#include "tests/support/npapi_browser/browser_objects.h"
#include "tests/support/npapi_browser/plugin_instance.h"
#include "tests/support/page_engine/plugin_library.h"
#include "tests/support/npapi_browser/script_bridge.h"
#include "tests/support/page_engine/page_session.h"

#include "platform/npapi/npfunctions.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace test_support {

class BrowserSession : public PageSession {
public:
    BrowserSession(BrowserMainThread& mainThread, BrowserFaults& faults);
    // Destroys the instance, shuts the plug-in down, drops the page and unloads the library.
    ~BrowserSession() override;

    // An instance the plug-in refuses is not an error of loadPage: NPP_New's answer.
    NPError instanceResult() const { return instance_ ? instance_->newResult() : NPERR_INVALID_INSTANCE_ERROR; }
    PluginInstance* instance() { return instance_ && instance_->live() ? instance_.get() : nullptr; }
    void destroyInstance();
    void shutdownPlugin();

    // What the browser says it is; set before the page is loaded (std::logic_error after).
    void setIdentity(BrowserIdentity identity);
    // Calls the plug-in handed over with NPN_PluginThreadAsyncCall that the main thread has run.
    size_t asyncCallsRun() const { return asyncCallsRun_; }

    // The NPN functions, each after its main-thread check (browser_functions.cpp).
    const char* userAgent() const { return identity_.userAgent.c_str(); }
    NPError getValue(NPP instance, NPNVariable variable, void* value);
    NPIdentifier stringIdentifier(const NPUTF8* name);
    bool identifierIsString(NPIdentifier identifier);
    NPUTF8* utf8FromIdentifier(NPIdentifier identifier);
    NPObject* createObject(NPP instance, NPClass* objectClass);
    NPObject* retainObject(NPObject* object);
    void releaseObject(NPObject* object);
    void releaseVariant(NPVariant* variant);
    bool invoke(NPP instance, NPObject* object, NPIdentifier name, const NPVariant* arguments, uint32_t count,
                NPVariant* result);
    bool invokeDefault(NPP instance, NPObject* object, const NPVariant* arguments, uint32_t count, NPVariant* result);
    bool evaluateFor(NPP instance, NPObject* object, const NPString* script, NPVariant* result);
    bool getProperty(NPP instance, NPObject* object, NPIdentifier name, NPVariant* result);
    void setException(const NPUTF8* message);
    // NPN_PluginThreadAsyncCall, from any thread: the work is queued for the main thread's loop
    // and runs there, unless its instance has gone meanwhile. False when the main thread takes no
    // more work.
    bool queueAsyncCall(NPP instance, void (*function)(void*), void* data);

private:
    std::unique_ptr<PageBridge> makeBridge(PageScript& page) override;
    // Loads the plug-in and makes its instance with its window. Throws std::runtime_error when the
    // plug-in library cannot be loaded or started.
    void embedPlugin(const PluginElement& element) override;
    bool pushPluginObject() override;
    size_t liveCount() override { return objects_.liveCount(); }
    ScriptBridge* bridge() const { return static_cast<ScriptBridge*>(bridge_.get()); }
    void loadPlugin();
    bool knownInstance(NPP instance, const char* function);
    bool liveObject(NPObject* object, const char* function);
    bool knownIdentifier(NPIdentifier identifier, const char* function);
    void runAsyncCall(NPP instance, void (*function)(void*), void* data);

    BrowserIdentifiers identifiers_;
    BrowserObjects objects_{faults_};
    std::unique_ptr<PluginLibrary> library_;
    NPNetscapeFuncs table_{};
    NPPluginFuncs plugin_{};
    bool initialized_ = false;
    std::unique_ptr<PluginInstance> instance_;
    BrowserIdentity identity_ = plainBrowser();
    size_t asyncCallsRun_ = 0;
    // Queued work finds out whether this still lives. It goes with the members, once the session
    // is detached: no other thread reaches it then.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace test_support
