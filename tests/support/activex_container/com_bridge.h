// Where page script and COM objects meet in the stand-in container.
//
// - A page script object handed to the control becomes a PageDispatch: one per script object for
//   as long as the control holds it (the same function given twice is the same COM object). Its
//   methods run the script operation; script errors on the way are written to the console as
//   uncaught and answered DISP_E_EXCEPTION with the error's text in EXCEPINFO.
// - A COM object of the control handed to script becomes a Duktape proxy whose member reads,
//   writes, tests ("in") and listing go through GetDispID, InvokeEx and GetNextDispID /
//   GetMemberName, as the browser's script engine calls them. A method call
//   reads the member and calls it: when the function is called on the object it was read from, the
//   call goes to that object's member (DISPATCH_METHOD on its DISPID), otherwise to the function
//   object itself (DISPID_VALUE, with the this-value as the named DISPID_THIS argument). One proxy
//   per object while script holds it, holding one reference, given up when the garbage collector
//   finds the proxy dropped (at the container's next safe point, releaseDroppedReferences) or when
//   the control goes (disconnectProxies).
// - A failed call raises a script error: EXCEPINFO's description as its message (with its
//   "description", "number" and "source"), or "Object doesn't support this property or method".
// Main thread only, except the main-thread check itself.
#pragma once

#include "activex/com_owners.h"
#include "platform/com/dispex.h"
#include "tests/support/activex_container/page_dispatch.h"
#include "tests/support/page_engine/browser_faults.h"
#include "tests/support/page_engine/page_script.h"
#include "tests/support/page_engine/page_session.h"
#include "tests/support/page_engine/record_proxy.h"
#include "tests/support/page_engine/script_operation.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>

namespace test_support {

class ComBridge : public PageBridge {
public:
    using MainThreadCheck = std::function<bool()>;
    using MainThreadPost = std::function<bool(std::function<void()>)>;

    ComBridge(PageScript& page, BrowserFaults& faults, MainThreadCheck onMainThread, MainThreadPost post);
    ~ComBridge() override;
    ComBridge(const ComBridge&) = delete;
    ComBridge& operator=(const ComBridge&) = delete;

    PageScript* page() const { return page_; }
    // True on the main thread; otherwise records the fault ("<what> off the main thread").
    bool checkMainThread(const char* what);
    void fault(std::string text) { faults_.record(std::move(text)); }
    // Runs the work on the main thread later; false when it takes no more work.
    bool postToMainThread(std::function<void()> work) { return post_(std::move(work)); }

    // The script value at the index as a VARIANT that owns what it holds (strings are new BSTRs,
    // objects carry one reference); `value` is overwritten, not cleared.
    void toVariant(duk_idx_t index, VARIANT& value);
    // Pushes the VARIANT's value for script; the VARIANT keeps what it owns.
    void pushVariant(const VARIANT& value);

    // The page object standing for the script object at the index, with one reference for the
    // caller; null for a value that is not an object.
    PageDispatch* pageObjectFor(duk_idx_t index);
    // The page's element that stands for the control; it answers the element interfaces.
    void setElementValue(int heldKey) { elementKey_ = heldKey; }
    size_t livePageObjects() const { return pageObjects_.all().size(); }
    // Called by a PageDispatch on its last release (main thread).
    void forgetPageObject(PageDispatch* object);

    // Pushes the proxy over a control object: the one script still has, or a new one holding its
    // own reference.
    void pushControlObject(IDispatch* object);
    void releaseDroppedReferences() override { proxies_.releaseDropped(); }
    // Script that still holds a proxy cut loose gets an error from then on.
    void disconnectProxies() override { proxies_.disconnect(); }
    void detachPage() override;

    // DISPIDs of page members: one per name for the container's life, from 1000 up.
    DISPID idForName(const std::string& name);
    const std::string* nameForId(DISPID id) const;

    // The bodies of the page objects' script operations (PageDispatch forwards to them).
    HRESULT hasMember(PageDispatch& object, const std::string& name, bool& has);
    HRESULT invoke(PageDispatch& object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception);
    HRESULT deleteMember(PageDispatch& object, const std::string& name);
    HRESULT nextMember(PageDispatch& object, DISPID id, DISPID* next);
    HRESULT execScript(const std::string& code, VARIANT* result);

private:
    // The object and member the proxy's object was last read from, so that calling it on that
    // object calls the member.
    struct ProxyExtra {
        IDispatch* parent = nullptr;  // compared only, never called
        DISPID parentId = DISPID_UNKNOWN;
    };
    using Proxies = ScriptProxies<IDispatch, ProxyExtra>;
    friend Proxies;

    PageObjectKind kindOf(duk_idx_t index);
    // Runs one script operation under a protected call on the object's value, the member key and
    // the this-value and `count` values pushed by pushValues; leaves the result (or the error) on
    // the stack and answers whether it succeeded.
    bool runOperation(PageDispatch& object, ScriptOperation operation, const std::string* name, duk_idx_t count,
                      const std::function<void()>& pushValues);
    HRESULT scriptFailure(EXCEPINFO* exception);

    bool proxyGet(duk_context* context);
    bool proxySet(duk_context* context);
    bool proxyHas(duk_context* context);
    bool proxyOwnKeys(duk_context* context);
    bool callObject(duk_context* context);
    // The live record of a trap's target or of the function called; notes a fault off the main thread.
    Proxies::Record* liveRecord(duk_context* context, bool ofCurrentFunction);
    // The member's DISPID on the control object; nothing when it has none.
    std::optional<DISPID> controlDispId(IDispatch* object, const std::string& name);
    // InvokeEx on the control object with the parameter block (and the one named argument's id,
    // when there is one); false with the error pushed when it fails.
    bool invokeControl(duk_context* context, IDispatch* object, DISPID id, WORD flags,
                       FB::ActiveX::VariantArray& values, DISPID* named, VARIANT* result);

    PageScript* page_;
    BrowserFaults& faults_;
    MainThreadCheck onMainThread_;
    MainThreadPost post_;
    int elementKey_ = 0;
    PageObjectMarks<PageDispatch> pageObjects_;
    std::unordered_map<IDispatch*, PageDispatch*> pageObjectOf_;
    Proxies proxies_;
    std::map<std::string, DISPID> ids_;
    std::map<DISPID, std::string> names_;
};

}  // namespace test_support
