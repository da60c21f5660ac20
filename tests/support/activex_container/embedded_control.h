// What the ActiveX control does for one <object> element of the page, made from the binding's own
// parts linked into the container: the browser host over the container's web browser and client
// site, the plug-in object from the process's factory (sharedFactory) given its <param> values,
// the scripting object the page reaches (the host's COM wrapper of the plug-in's root scripting
// object), the ready mark (which runs the page's "onload"), and then the plug-in window, a child of
// the page's window, attached to the plug-in. Main thread only.
#pragma once

#include "activex/activex_browser_host.h"
#include "host/plugin_core.h"
#include "host/plugin_window_win.h"
#include "tests/support/activex_container/ole_embedded_control.h"
#include "tests/support/page_engine/page_document.h"

#include <memory>

namespace test_support {

class EmbeddedControl {
public:
    // Throws std::runtime_error when the plug-in or its window cannot be made.
    EmbeddedControl(IWebBrowser2* browser, IOleClientSite* site, HWND pageWindow, const PluginElement& element);
    // The control the library makes itself, through its class object and the OLE interfaces: no
    // host or plug-in of the binding is reached directly then (host() and plugin() are empty). An
    // element without width and height gets the control's own extent.
    EmbeddedControl(LPFNGETCLASSOBJECT getClassObject, IWebBrowser2* browser, IOleControlSite* site, HWND pageWindow,
                    const PluginElement& element, bool quickActivate, OleControlSite::MainThreadCheck onMainThread,
                    OleControlSite::FaultSink faults, ObjectWithSite objectWithSite = ObjectWithSite::Never);
    // Shuts the control down if that has not happened.
    ~EmbeddedControl();
    EmbeddedControl(const EmbeddedControl&) = delete;
    EmbeddedControl& operator=(const EmbeddedControl&) = delete;

    // The page's object for the control; no reference is added.
    IDispatchEx* scriptingObject() const { return scripting_.get(); }
    HWND window() const { return window_; }
    const FB::ActiveX::ActiveXBrowserHostPtr& host() const { return host_; }
    const std::shared_ptr<FB::PluginCore>& plugin() const { return plugin_; }
    // The control made through its class object; null for the one made of the binding's parts.
    OleEmbeddedControl* oleControl() const { return ole_.get(); }

    // The host shuts down, the window is cleared and the plug-in shut down, then everything is let go.
    void shutdown();

private:
    FB::ActiveX::ActiveXBrowserHostPtr host_;
    std::shared_ptr<FB::PluginCore> plugin_;
    FB::ActiveX::ComPtr<IDispatchEx> scripting_;
    HWND window_ = nullptr;
    std::unique_ptr<FB::PluginWindowWin> pluginWindow_;
    std::unique_ptr<OleEmbeddedControl> ole_;
};

}  // namespace test_support
