// The stand-in container's world on its main thread: the page with its script, the COM bridge, the
// container's web browser and client site, and the one embedded control. Main thread only, from
// construction to destruction.
#pragma once

#include "activex/com_owners.h"
#include "tests/support/activex_container/com_bridge.h"
#include "tests/support/activex_container/container_objects.h"
#include "tests/support/activex_container/embedded_control.h"
#include "tests/support/page_engine/browser_faults.h"
#include "tests/support/page_engine/browser_main_thread.h"
#include "tests/support/page_engine/page_document.h"
#include "tests/support/page_engine/page_script.h"

#include <memory>
#include <string>
#include <vector>

namespace test_support {

class ContainerSession {
public:
    ContainerSession(BrowserMainThread& mainThread, BrowserFaults& faults);
    // Shuts the control down, then drops the page.
    ~ContainerSession();
    ContainerSession(const ContainerSession&) = delete;
    ContainerSession& operator=(const ContainerSession&) = delete;

    // The control is made through this class object (the library's DllGetClassObject) rather than
    // of the binding's parts linked into the process. Before loadPage.
    void setClassObjectSource(LPFNGETCLASSOBJECT getClassObject) { getClassObject_ = getClassObject; }
    // How the control made through the class object also gets its site. Before loadPage.
    void setObjectWithSite(ObjectWithSite objectWithSite) { objectWithSite_ = objectWithSite; }
    // Whether a control made through its class object is activated through IQuickActivate when it
    // offers it (the default), or through IOleObject alone. Before loadPage.
    void setQuickActivation(bool quick) { quickActivation_ = quick; }
    // Runs the scripts before the control, makes the control for the page's <object> element, then
    // runs the scripts after it. Throws std::runtime_error when the control cannot be made.
    void loadPage(PageDocument page);
    ScriptResult evaluate(const std::string& script);
    const std::vector<std::string>& consoleLines() const;
    EmbeddedControl* control() { return control_.get(); }
    IWebBrowser2* webBrowser() const { return browser_.get(); }
    IOleClientSite* clientSite() const { return site_.get(); }
    ComBridge* bridge() const { return bridge_.get(); }
    HWND pluginWindow() const { return control_ ? control_->window() : nullptr; }

    // Advises the script object the expression gives on the control's connection point for the
    // outgoing interface its class information names, as the browser does for event scripts; the
    // cookie comes back in `cookie`.
    HRESULT advise(const std::string& sinkExpression, DWORD& cookie);
    HRESULT unadvise(DWORD cookie);
    void shutdownControl();
    // Page objects still alive once script's dropped proxies are collected.
    size_t liveObjects();
    // The container's safe point (after each message its pump dispatched, each script run): the
    // references dropped proxies gave up are released.
    void settle();
    bool isMainThread() const { return mainThread_.isCurrent(); }

private:
    void defineElement(const PluginElement& element);
    void pushElement();
    void runScripts(const std::vector<std::string>& scripts);
    FB::ActiveX::ComPtr<IConnectionPoint> connectionPoint();

    BrowserMainThread& mainThread_;
    BrowserFaults& faults_;
    PageDocument document_;
    std::unique_ptr<PageScript> page_;
    std::unique_ptr<ComBridge> bridge_;
    FB::ActiveX::ComPtr<ContainerWebBrowser> browser_;
    FB::ActiveX::ComPtr<ContainerSite> site_;
    std::unique_ptr<EmbeddedControl> control_;
    HWND pageWindow_ = nullptr;
    int elementKey_ = 0;
    ObjectWithSite objectWithSite_ = ObjectWithSite::Never;
    LPFNGETCLASSOBJECT getClassObject_ = nullptr;
    bool quickActivation_ = true;
};

}  // namespace test_support
