#include "tests/support/activex_container/container_session.h"

#include "tests/support/activex_container/control_class_info.h"
#include "tests/support/activex_container/container_window.h"
#include "tests/support/page_engine/element_script.h"

#include <cassert>
#include <stdexcept>

namespace test_support {

namespace {

constexpr const wchar_t* kPageClass = L"StandInContainerPage";

}  // namespace

ContainerSession::ContainerSession(BrowserMainThread& mainThread, BrowserFaults& faults)
    : mainThread_(mainThread), faults_(faults) {
    assert(mainThread_.isCurrent());
}

ContainerSession::~ContainerSession() {
    assert(mainThread_.isCurrent());
    try {
        shutdownControl();
    } catch (const std::exception& error) {
        faults_.record(std::string("tearing the container down: ") + error.what());
    }
    if (browser_) browser_->forget();
    if (site_) site_->forget();
    if (bridge_) bridge_->detachPage();
    page_.reset();  // finalizers queue what the proxies still held
    if (bridge_) bridge_->releaseDroppedReferences();
    bridge_.reset();
    if (pageWindow_) DestroyWindow(pageWindow_);
}

void ContainerSession::loadPage(PageDocument page) {
    assert(mainThread_.isCurrent());
    if (page_) throw std::logic_error("the stand-in container shows one page in its life");
    document_ = std::move(page);
    page_ = std::make_unique<PageScript>(document_.url);
    bridge_ = std::make_unique<ComBridge>(
        *page_, faults_, [this] { return mainThread_.isCurrent(); },
        [this](std::function<void()> work) { return mainThread_.post(std::move(work)); });
    if (document_.plugin) defineElement(*document_.plugin);
    runScripts(document_.scriptsBeforePlugin);
    if (document_.plugin) {
        pageWindow_ = createContainerWindow(kPageClass, 0, WS_VISIBLE, 1024, 768, nullptr);
        browser_ = FB::ActiveX::ComPtr<ContainerWebBrowser>::adopt(new ContainerWebBrowser(*bridge_));
        site_ = FB::ActiveX::ComPtr<ContainerSite>::adopt(new ContainerSite(*bridge_, elementKey_));
        if (getClassObject_) {
            control_ = std::make_unique<EmbeddedControl>(
                getClassObject_, browser_.get(), site_.get(), pageWindow_, *document_.plugin, quickActivation_,
                [this] { return mainThread_.isCurrent(); }, [this](const std::string& fault) { faults_.record(fault); },
                objectWithSite_);
        } else {
            control_ = std::make_unique<EmbeddedControl>(browser_.get(), site_.get(), pageWindow_, *document_.plugin);
        }
    }
    runScripts(document_.scriptsAfterPlugin);
}

void ContainerSession::runScripts(const std::vector<std::string>& scripts) {
    runPageScripts(*page_, scripts, [this] { settle(); });
}

// The element is a plain script object with the <object>'s attributes until the control gives its
// scripting object; from then on script reaches that object under the element's id.
void ContainerSession::defineElement(const PluginElement& element) {
    elementKey_ = defineElementObject(*page_, element, [this] { pushElement(); });
    bridge_->setElementValue(elementKey_);
}

void ContainerSession::pushElement() {
    IDispatchEx* scripting = control_ ? control_->scriptingObject() : nullptr;
    if (scripting)
        bridge_->pushControlObject(scripting);
    else
        page_->pushHeldValue(elementKey_);
}

ScriptResult ContainerSession::evaluate(const std::string& script) {
    assert(mainThread_.isCurrent());
    if (!page_) return {false, "no page is loaded"};
    ScriptResult result = page_->evaluate(script, "evaluate");
    settle();
    return result;
}

const std::vector<std::string>& ContainerSession::consoleLines() const {
    static const std::vector<std::string> none;
    return page_ ? page_->consoleLines() : none;
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
    assert(mainThread_.isCurrent());
    cookie = 0;
    const FB::ActiveX::ComPtr<IConnectionPoint> point = connectionPoint();
    if (!point || !page_) return E_UNEXPECTED;
    duk_context* context = page_->context();
    if (!page_->evaluateOnStack(sinkExpression, "advise")) {
        duk_pop(context);
        return E_INVALIDARG;
    }
    const auto sink = FB::ActiveX::ComPtr<PageDispatch>::adopt(bridge_->pageObjectFor(-1));
    duk_pop(context);
    return point->Advise(sink ? sink->dispatch() : nullptr, &cookie);
}

HRESULT ContainerSession::unadvise(DWORD cookie) {
    assert(mainThread_.isCurrent());
    const FB::ActiveX::ComPtr<IConnectionPoint> point = connectionPoint();
    return point ? point->Unadvise(cookie) : E_UNEXPECTED;
}

// As a container takes a control down: the control shuts down, then script's proxies over its
// objects are cut loose and their references given up.
void ContainerSession::shutdownControl() {
    assert(mainThread_.isCurrent());
    if (!control_) return;
    control_->shutdown();
    control_.reset();
    if (bridge_) bridge_->disconnectProxies();
    settle();
}

size_t ContainerSession::liveObjects() {
    assert(mainThread_.isCurrent());
    if (page_) {  // the first pass runs the finalizers of proxies script dropped, the second frees them
        duk_gc(page_->context(), 0);
        duk_gc(page_->context(), 0);
    }
    settle();
    return bridge_ ? bridge_->livePageObjects() : 0;
}

void ContainerSession::settle() {
    if (bridge_) bridge_->releaseDroppedReferences();
}

}  // namespace test_support
