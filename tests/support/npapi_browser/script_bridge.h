// Where page script and NPAPI objects meet.
//
// - A page script object handed to the plug-in becomes an NPObject of the browser's page-object
//   class: one per script object for as long as the plug-in holds it (the same function given twice
//   is the same NPObject), keeping the script object alive until its last reference goes. Its class
//   callbacks run the script operation: member reads and calls. Script errors on the way are
//   written to the console as uncaught, and the callback answers false.
// - An NPObject of the plug-in handed to script becomes a Duktape proxy whose member reads, writes,
//   tests ("in"), listing (Object.getOwnPropertyNames) and calls go through the object's
//   NPClass: one proxy per object while script holds it. Each proxy holds one reference, given up
//   when script has dropped the proxy and the garbage collector finds it (at the browser's next
//   safe point, releaseDroppedReferences), or when the instance ends (disconnectProxies).
// - Values convert both ways. A message given to NPN_SetException becomes the script exception of
//   the plug-in call under way.
// Main thread only.
#pragma once

#include "tests/support/page_engine/browser_faults.h"
#include "tests/support/npapi_browser/browser_identifiers.h"
#include "tests/support/npapi_browser/browser_objects.h"
#include "tests/support/page_engine/page_script.h"
#include "tests/support/page_engine/page_session.h"
#include "tests/support/page_engine/record_proxy.h"
#include "tests/support/page_engine/script_operation.h"

#include <optional>
#include <string>

namespace test_support {

class ScriptBridge : public PageBridge {
public:
    ScriptBridge(PageScript& page, BrowserObjects& objects, BrowserIdentifiers& identifiers, BrowserFaults& faults);
    ~ScriptBridge() override;
    ScriptBridge(const ScriptBridge&) = delete;
    ScriptBridge& operator=(const ScriptBridge&) = delete;

    PageScript* page() const { return page_; }

    // The script value at the index as a variant that owns what it holds (strings are browser
    // memory, objects carry one reference); the receiver releases it with releaseVariant.
    void toVariant(duk_idx_t index, NPVariant& variant);
    // Pushes the variant's value for script; the variant keeps what it owns.
    void pushVariant(const NPVariant& variant);
    void releaseVariant(NPVariant& variant);

    // The page object standing for the script object at the index, with one reference for the caller.
    NPObject* pageObjectFor(duk_idx_t index);
    // Pushes the proxy over the plug-in's object: the one script still has, so that the same object
    // is the same script value, or a new one taking its own reference.
    void pushPluginObject(NPObject* object);

    // NPN_SetException: the message is thrown in the script call under way, or written to the
    // console as uncaught when no call is under way.
    void setException(const char* message);

    void releaseDroppedReferences() override { proxies_.releaseDropped(); }
    // Script that still holds a proxy cut loose gets an error from then on.
    void disconnectProxies() override { proxies_.disconnect(); }
    void detachPage() override;

    // The page-object class: its callbacks, reached through the NPN functions.
    static NPClass pageObjectClass;

private:
    struct PageObject : NPObject {
        ScriptBridge* bridge = nullptr;  // null once the bridge is gone
        int heldKey = 0;                 // the script value among the page's held values; 0 once the heap is gone
    };
    // A proxy, or a function standing for one of the object's methods.
    struct ProxyExtra {
        NPIdentifier method = nullptr;
    };
    using Proxies = ScriptProxies<NPObject, ProxyExtra>;
    friend Proxies;
    class PluginCall;
    struct Member {
        NPObject* object = nullptr;
        NPIdentifier name = nullptr;
        bool isProperty = false;  // the object's hasProperty answer
    };

    NPIdentifier identifierForKey(duk_context* context, duk_idx_t key);
    bool pushIdentifierKey(NPIdentifier identifier);
    void forgetPageObject(PageObject* object);
    std::string textOfIdentifier(NPIdentifier identifier);

    // Page-object operations, run on the script object under a protected call.
    bool runPageOperation(NPObject* object, ScriptOperation operation, NPIdentifier name, const NPVariant* arguments,
                          uint32_t count, NPVariant* result);

    // Proxy traps; each leaves one value on the stack (the result, or the error to throw) and
    // says whether to throw it.
    bool proxyGet(duk_context* context);
    bool proxySet(duk_context* context);
    bool proxyHas(duk_context* context);
    bool proxyOwnKeys(duk_context* context);
    bool callObject(duk_context* context);
    bool callMethod(duk_context* context);
    bool callPlugin(duk_context* context, bool ofMethod);
    // The object and member of a member trap (target at index 0, key at 1), with the object's answer
    // whether it is a property. False when the trap is answered already, its answer pushed: an error
    // (thrown) for a proxy cut loose or an exception the plug-in raised, and for a symbol key, which
    // names no member of a plug-in object, what symbolAnswer pushes.
    bool memberOfTrap(duk_context* context, PluginCall& call, Member& member, bool& thrown,
                      void (*symbolAnswer)(duk_context*));
    // Whether the object has the member as a property (or as a method); nothing, with the error
    // pushed, when the plug-in raised an exception instead of answering.
    std::optional<bool> answers(duk_context* context, PluginCall& call, const Member& member, bool asProperty);

    template <typename Operation>
    static bool onPageObject(NPObject* object, Operation operation);
    static NPObject* allocatePageObject(NPP instance, NPClass* objectClass);
    static void deallocatePageObject(NPObject* object);
    static bool pageInvoke(NPObject* object, NPIdentifier name, const NPVariant* arguments, uint32_t count,
                           NPVariant* result);
    static bool pageInvokeDefault(NPObject* object, const NPVariant* arguments, uint32_t count, NPVariant* result);
    static bool pageGetProperty(NPObject* object, NPIdentifier name, NPVariant* result);

    PageScript* page_;
    BrowserObjects& objects_;
    BrowserIdentifiers& identifiers_;
    BrowserFaults& faults_;
    PageObjectMarks<PageObject> pageObjects_;
    Proxies proxies_;
    std::optional<std::string> exception_;  // NPN_SetException's message for the call under way
    int pluginCallDepth_ = 0;
};

}  // namespace test_support
