#include "tests/support/activex_container/container_session.h"

#include "tests/support/activex_container/control_class_info.h"
#include "tests/support/page_engine/message_window.h"

#include <stdexcept>

namespace test_support {

namespace {

constexpr const wchar_t* kPageClass = L"StandInContainerPage";

}  // namespace

ContainerSession::ContainerSession(BrowserMainThread& mainThread, BrowserFaults& faults)
    : PageSession(mainThread, faults) {}

ContainerSession::~ContainerSession() {
    try {
        shutdownControl();
    } catch (const std::exception& error) {
        faults_.record(std::string("tearing the container down: ") + error.what());
    }
    if (browser_) browser_->forget();
    if (site_) site_->forget();
    closePage();
    if (pageWindow_) DestroyWindow(pageWindow_);
}

std::unique_ptr<PageBridge> ContainerSession::makeBridge(PageScript& page) {
    return std::make_unique<ComBridge>(
        page, faults_, [this] { return mainThread_.isCurrent(); },
        [this](std::function<void()> work) { return mainThread_.post(std::move(work)); });
}

// An element without width and height gets the control's own extent.
void ContainerSession::embedPlugin(const PluginElement& element) {
    if (!getClassObject_) throw std::runtime_error("the container was given no class object for its control");
    bridge()->setElementValue(elementKey_);
    pageWindow_ = createClassWindow(kPageClass, 0, DefWindowProcW, WS_VISIBLE, 1024, 768, nullptr);
    browser_ = FB::ActiveX::ComPtr<ContainerWebBrowser>::adopt(new ContainerWebBrowser(*bridge()));
    site_ = FB::ActiveX::ComPtr<ContainerSite>::adopt(new ContainerSite(*bridge(), elementKey_));
    OleControlSpec spec;
    spec.objectWithSite = objectWithSite_;
    for (const PageAttribute& param : element.params) spec.params.emplace_back(param.name, param.value);
    const bool sized = !element.attribute("width").empty() && !element.attribute("height").empty();
    spec.width = sized ? element.width() : 0;
    spec.height = sized ? element.height() : 0;
    spec.quickActivate = quickActivation_;
    control_ = std::make_unique<OleEmbeddedControl>(
        getClassObject_, browser_.get(), site_.get(), pageWindow_, spec, [this] { return mainThread_.isCurrent(); },
        [this](const std::string& fault) { faults_.record(fault); });
}

// From the control's scripting object on, script reaches that object under the element's id.
bool ContainerSession::pushPluginObject() {
    IDispatchEx* scripting = control_ ? control_->scriptingObject() : nullptr;
    if (scripting) bridge()->pushControlObject(scripting);
    return scripting != nullptr;
}

FB::ActiveX::ComPtr<IConnectionPoint> ContainerSession::connectionPoint() {
    FB::ActiveX::ComPtr<IConnectionPoint> point;
    IID source{};
    if (!control_ || !control_->scriptingObject() || !defaultSourceInterface(control_->scriptingObject(), source))
        return point;
    const auto container = FB::ActiveX::ComPtr<IDispatchEx>(control_->scriptingObject())
                               .query<IConnectionPointContainer>(IID_IConnectionPointContainer);
    if (container && container->FindConnectionPoint(source, point.put()) < 0) point.reset();
    return point;
}

HRESULT ContainerSession::advise(const std::string& sinkExpression, DWORD& cookie) {
    cookie = 0;
    const FB::ActiveX::ComPtr<IConnectionPoint> point = connectionPoint();
    if (!point || !page_) return E_UNEXPECTED;
    duk_context* context = page_->context();
    if (!page_->evaluateOnStack(sinkExpression, "advise")) {
        duk_pop(context);
        return E_INVALIDARG;
    }
    const auto sink = FB::ActiveX::ComPtr<PageDispatch>::adopt(bridge()->pageObjectFor(-1));
    duk_pop(context);
    return point->Advise(sink ? sink->dispatch() : nullptr, &cookie);
}

HRESULT ContainerSession::unadvise(DWORD cookie) {
    const FB::ActiveX::ComPtr<IConnectionPoint> point = connectionPoint();
    return point ? point->Unadvise(cookie) : E_UNEXPECTED;
}

void ContainerSession::shutdownControl() {
    if (!control_) return;
    control_->close();
    control_.reset();
    if (bridge_) bridge_->disconnectProxies();
    settle();
}

}  // namespace test_support
