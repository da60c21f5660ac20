#include "tests/support/activex_container/embedded_control.h"

#include "host/factory_base.h"
#include "tests/support/activex_container/container_window.h"

#include <map>
#include <stdexcept>

namespace test_support {

namespace {

constexpr const wchar_t* kControlClass = L"StandInContainerControl";

std::map<std::string, FB::variant> paramsOf(const PluginElement& element) {
    std::map<std::string, FB::variant> params;
    for (const PageAttribute& param : element.params) params[param.name] = FB::variant(param.value);
    return params;
}

}  // namespace

EmbeddedControl::EmbeddedControl(IWebBrowser2* browser, IOleClientSite* site, HWND pageWindow,
                                 const PluginElement& element)
    : host_(std::make_shared<FB::ActiveX::ActiveXBrowserHost>(browser, site)),
      plugin_(sharedFactory()->makePluginObject(element.type())) {
    if (!plugin_) throw std::runtime_error("the factory made no plug-in for " + element.type());
    plugin_->setHost(host_);
    plugin_->setFlag(true);
    plugin_->takeParamList(paramsOf(element));
    scripting_ = FB::ActiveX::ComPtr<IDispatchEx>::adopt(host_->getJSAPIWrapper(plugin_->rootScriptingObject(), false));
    plugin_->markReady();

    // The control's own window, whose procedure the plug-in window replaces and passes on to.
    window_ = createContainerWindow(kControlClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS,
                                    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, element.width(),
                                    element.height(), pageWindow);
    if (!window_) throw std::runtime_error("the control's window could not be made");
    pluginWindow_.reset(sharedFactory()->makeWindowedWrapper(FB::WindowContextWindowed(window_)));
    pluginWindow_->callPreviousProc = true;
    plugin_->SetWindow(pluginWindow_.get());
}

EmbeddedControl::EmbeddedControl(LPFNGETCLASSOBJECT getClassObject, IWebBrowser2* browser, IOleControlSite* site,
                                 HWND pageWindow, const PluginElement& element, bool quickActivate,
                                 OleControlSite::MainThreadCheck onMainThread, OleControlSite::FaultSink faults,
                                 ObjectWithSite objectWithSite) {
    OleControlSpec spec;
    spec.objectWithSite = objectWithSite;
    for (const PageAttribute& param : element.params) spec.params.emplace_back(param.name, param.value);
    const bool sized = !element.attribute("width").empty() && !element.attribute("height").empty();
    spec.width = sized ? element.width() : 0;
    spec.height = sized ? element.height() : 0;
    spec.quickActivate = quickActivate;
    ole_ = std::make_unique<OleEmbeddedControl>(getClassObject, browser, site, pageWindow, spec,
                                                std::move(onMainThread), std::move(faults));
    scripting_ = FB::ActiveX::ComPtr<IDispatchEx>(ole_->scriptingObject());
    window_ = ole_->window();
}

EmbeddedControl::~EmbeddedControl() { shutdown(); }

void EmbeddedControl::shutdown() {
    if (ole_) {
        scripting_.reset();
        window_ = nullptr;
        ole_->close();
        ole_.reset();
        return;
    }
    if (!plugin_) return;
    host_->shutdown();
    plugin_->ClearWindow();
    plugin_->shutdown();
    pluginWindow_.reset();
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
    scripting_.reset();
    plugin_.reset();
    host_.reset();
}

}  // namespace test_support
