// The stand-in container's world on its main thread: the page with its script (PageSession), the
// COM bridge, the container's web browser and client site, and the one embedded control. Main
// thread only, from construction to destruction.
#pragma once

#include "activex/com_owners.h"
#include "tests/support/activex_container/com_bridge.h"
#include "tests/support/activex_container/container_objects.h"
#include "tests/support/activex_container/ole_embedded_control.h"
#include "tests/support/page_engine/page_session.h"

#include <memory>
#include <string>

namespace test_support {

class ContainerSession : public PageSession {
public:
    ContainerSession(BrowserMainThread& mainThread, BrowserFaults& faults);
    // Shuts the control down, then drops the page.
    ~ContainerSession() override;

    // The control is made through this class object (a library's DllGetClassObject, or the
    // binding's linked into the process). Before loadPage.
    void setClassObjectSource(LPFNGETCLASSOBJECT getClassObject) { getClassObject_ = getClassObject; }
    // How the control also gets its site. Before loadPage.
    void setObjectWithSite(ObjectWithSite objectWithSite) { objectWithSite_ = objectWithSite; }
    // Whether the control is activated through IQuickActivate when it offers it (the default), or
    // through IOleObject alone. Before loadPage.
    void setQuickActivation(bool quick) { quickActivation_ = quick; }
    OleEmbeddedControl* control() { return control_.get(); }
    IWebBrowser2* webBrowser() const { return browser_.get(); }
    IOleClientSite* clientSite() const { return site_.get(); }
    ComBridge* bridge() const { return static_cast<ComBridge*>(bridge_.get()); }
    HWND pluginWindow() const { return control_ ? control_->window() : nullptr; }

    // Advises the script object the expression gives on the control's connection point for the
    // outgoing interface its class information names, as the browser does for event scripts; the
    // cookie comes back in `cookie`.
    HRESULT advise(const std::string& sinkExpression, DWORD& cookie);
    HRESULT unadvise(DWORD cookie);
    // As a container takes a control down: the control shuts down, then script's proxies over its
    // objects are cut loose and their references given up.
    void shutdownControl();

private:
    std::unique_ptr<PageBridge> makeBridge(PageScript& page) override;
    void embedPlugin(const PluginElement& element) override;
    bool pushPluginObject() override;
    size_t liveCount() override { return bridge() ? bridge()->livePageObjects() : 0; }
    FB::ActiveX::ComPtr<IConnectionPoint> connectionPoint();

    FB::ActiveX::ComPtr<ContainerWebBrowser> browser_;
    FB::ActiveX::ComPtr<ContainerSite> site_;
    std::unique_ptr<OleEmbeddedControl> control_;
    HWND pageWindow_ = nullptr;
    ObjectWithSite objectWithSite_ = ObjectWithSite::Never;
    LPFNGETCLASSOBJECT getClassObject_ = nullptr;
    bool quickActivation_ = true;
};

}  // namespace test_support
