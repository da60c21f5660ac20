#include "tests/support/activex_container/ole_embedded_control.h"

#include "activex/jsapi_idispatch_ex_base.h"
#include "host/browser_plugin.h"
#include "platform/com/objsafe.h"
#include "platform/com/ocidl.h"
#include "tests/support/activex_container/control_class_info.h"
#include "tests/support/activex_container/param_property_bag.h"

#include <stdexcept>

namespace test_support {

namespace {

using FB::ActiveX::ComPtr;

constexpr int64_t kPixelsPerInch = 96;
constexpr int64_t kHimetricPerInch = 2540;

const CLSID kVeltrinControlClass = {0xb870b429, 0x16d7, 0x5cc7, {0x86, 0xcc, 0x57, 0xd8, 0x42, 0x21, 0x06, 0x8a}};

void require(HRESULT result, const char* step) {
    if (result < 0) throw std::runtime_error(std::string("the control refused ") + step);
}

template <typename I>
ComPtr<I> requireInterface(const ComPtr<IOleObject>& object, REFIID iid, const char* name) {
    auto found = object.query<I>(iid);
    if (!found) throw std::runtime_error(std::string("the control has no ") + name);
    return found;
}

bool isKeystroke(UINT message) { return message >= WM_KEYDOWN && message <= WM_CHAR; }

// The control's connection point for the outgoing interface its class information names.
ComPtr<IConnectionPoint> eventConnectionPoint(IUnknown* control) {
    IID source{};
    ComPtr<IConnectionPoint> point;
    const auto points = ComPtr<IUnknown>(control).query<IConnectionPointContainer>(IID_IConnectionPointContainer);
    if (!defaultSourceInterface(control, source) || !points || points->FindConnectionPoint(source, point.put()) < 0)
        point.reset();
    return point;
}

}  // namespace

LONG pixelsToHimetric(int pixels) { return LONG((pixels * kHimetricPerInch + kPixelsPerInch / 2) / kPixelsPerInch); }

int himetricToPixels(LONG himetric) {
    return int((himetric * kPixelsPerInch + kHimetricPerInch / 2) / kHimetricPerInch);
}

OleEmbeddedControl::OleEmbeddedControl(LPFNGETCLASSOBJECT getClassObject, IWebBrowser2* browser,
                                       IOleControlSite* controlSite, HWND pageWindow, const OleControlSpec& spec,
                                       OleControlSite::MainThreadCheck onMainThread, OleControlSite::FaultSink faults)
    : pageWindow_(pageWindow), position_{0, 0, spec.width, spec.height} {
    site_ = ComPtr<OleControlSite>::adopt(
        new OleControlSite(browser, controlSite, pageWindow, position_, onMainThread, faults));
    site_->offerWindowless(spec.offerWindowless);
    eventSink_ = ComPtr<ControlEventSink>::adopt(new ControlEventSink(std::move(onMainThread), std::move(faults)));
    ComPtr<IClassFactory> factory;
    require(getClassObject(kVeltrinControlClass, IID_IClassFactory, reinterpret_cast<void**>(factory.put())),
            "DllGetClassObject");
    require(factory->CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(object_.put())),
            "CreateInstance");
    activeObject_ =
        requireInterface<IOleInPlaceActiveObject>(object_, IID_IOleInPlaceActiveObject, "IOleInPlaceActiveObject");
    eventPoint_ = eventConnectionPoint(object_.get());
    const auto quick =
        spec.quickActivate ? object_.query<IQuickActivate>(IID_IQuickActivate) : ComPtr<IQuickActivate>();
    if (quick)
        activateQuickly(*quick.get());
    else
        activateThroughObject();
    if (spec.objectWithSite == ObjectWithSite::BeforeParams) require(setObjectSite(true), "SetSite");
    load(spec);
    if (spec.objectWithSite == ObjectWithSite::AfterParams) require(setObjectSite(true), "SetSite");
    if (!activatedQuickly_) connectEvents();
    size(spec);
    scripting_ = object_.query<IDispatchEx>(IID_IDispatchEx);
    if (!scripting_) throw std::runtime_error("the control has no IDispatchEx");
    require(activate(), "in-place activation");
}

OleEmbeddedControl::~OleEmbeddedControl() { close(); }

// The control sites itself and advises the container's sink on its own event source.
void OleEmbeddedControl::activateQuickly(IQuickActivate& quick) {
    QACONTAINER container{};
    container.cbSize = sizeof(container);
    container.pClientSite = site_.get();
    container.pPropertyNotifySink = site_.get();
    container.pUnkEventSink = eventSink_.get();
    container.dwAmbientFlags = QACONTAINER_USERMODE | QACONTAINER_AUTOCLIP;
    container.lcid = 0x409;
    container.pOleControlSite = site_.get();
    QACONTROL control{};
    control.cbSize = sizeof(control);
    require(quick.QuickActivate(&container, &control), "IQuickActivate::QuickActivate");
    if (!(control.dwMiscStatus & OLEMISC_SETCLIENTSITEFIRST))
        throw std::runtime_error("the control did not tell its misc status");
    eventCookie_ = control.dwEventCookie;
    activatedQuickly_ = true;
}

void OleEmbeddedControl::activateThroughObject() {
    DWORD misc = 0;
    require(object_->GetMiscStatus(DVASPECT_CONTENT, &misc), "IOleObject::GetMiscStatus");
    require(object_->SetClientSite(site_.get()), "SetClientSite");
}

// Once loaded, the control shows its scripting object, whose events the sink can then hear.
void OleEmbeddedControl::connectEvents() {
    if (eventPoint_ && eventPoint_->Advise(eventSink_.get(), &eventCookie_) < 0) eventCookie_ = 0;
}

// As a browser does for a page it does not trust: the control must be safe for data from the page
// (its <param> values) and for calls from its script.
void OleEmbeddedControl::requireSafety() {
    const auto safety = object_.query<IObjectSafety>(IID_IObjectSafety);
    if (!safety) throw std::runtime_error("the control has no IObjectSafety");
    require(safety->SetInterfaceSafetyOptions(IID_IPersistPropertyBag, INTERFACESAFE_FOR_UNTRUSTED_DATA,
                                              INTERFACESAFE_FOR_UNTRUSTED_DATA),
            "safety for untrusted data");
    require(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                              INTERFACESAFE_FOR_UNTRUSTED_CALLER),
            "safety for untrusted callers");
}

// Events are held back while the control loads, then the ambient properties are news to it.
void OleEmbeddedControl::load(const OleControlSpec& spec) {
    requireSafety();
    const auto persist = object_.query<IPersistPropertyBag>(IID_IPersistPropertyBag);
    if (!persist) throw std::runtime_error("the control has no IPersistPropertyBag");
    const auto control = requireInterface<IOleControl>(object_, IID_IOleControl, "IOleControl");
    require(control->FreezeEvents(TRUE), "IOleControl::FreezeEvents");
    const auto bag = ComPtr<ParamPropertyBag>::adopt(new ParamPropertyBag(spec.params));
    require(persist->Load(bag.get(), nullptr), "IPersistPropertyBag::Load");
    require(control->FreezeEvents(FALSE), "IOleControl::FreezeEvents");
    require(control->OnAmbientPropertyChange(DISPID_UNKNOWN), "IOleControl::OnAmbientPropertyChange");
}

// The element's size goes to the control as its extent; the extent its view reports is the size
// it is given in the page.
void OleEmbeddedControl::size(const OleControlSpec& spec) {
    SIZEL extent{pixelsToHimetric(spec.width), pixelsToHimetric(spec.height)};
    if (spec.width > 0 && spec.height > 0) require(object_->SetExtent(DVASPECT_CONTENT, &extent), "SetExtent");
    const auto view = requireInterface<IViewObject2>(object_, IID_IViewObject2, "IViewObject2");
    require(view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &extent), "IViewObject2::GetExtent");
    position_ = RECT{0, 0, himetricToPixels(extent.cx), himetricToPixels(extent.cy)};
    site_->setPosition(position_);
}

FB::ActiveX::ActiveXBrowserHostPtr OleEmbeddedControl::host() const {
    const auto* scripting = dynamic_cast<FB::ActiveX::JSAPI_IDispatchExBase*>(scripting_.get());
    return scripting ? scripting->getHost() : nullptr;
}

std::shared_ptr<FB::PluginCore> OleEmbeddedControl::plugin() const {
    const auto* control = dynamic_cast<FB::BrowserPlugin*>(object_.get());
    return control ? control->pluginCore() : nullptr;
}

HWND OleEmbeddedControl::window() const {
    HWND window = nullptr;
    const auto inPlace = object_.query<IOleInPlaceObject>(IID_IOleInPlaceObject);
    if (inPlace && inPlace->GetWindow(&window) < 0) window = nullptr;
    return window;
}

HRESULT OleEmbeddedControl::activate() {
    if (!object_) return E_UNEXPECTED;
    const HRESULT result = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.get(), 0, pageWindow_, &position_);
    if (result >= 0 && !windowlessHost_ && !window() && site_->activations() > site_->deactivations()) {
        windowlessHost_ =
            std::make_unique<WindowlessControlHost>(pageWindow_, object_.get(), activeObject_.get(), *site_.get());
    }
    return result;
}

HRESULT OleEmbeddedControl::frameWindowActivated(bool active) {
    return activeObject_ ? activeObject_->OnFrameWindowActivate(active ? TRUE : FALSE) : E_UNEXPECTED;
}

int OleEmbeddedControl::dispatchWaiting() {
    int dispatched = 0;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (isKeystroke(message.message) && takenAsAccelerator(message)) continue;
        DispatchMessageW(&message);
        ++dispatched;
    }
    return dispatched;
}

// S_OK: the control took the keystroke as an accelerator of its own; S_FALSE: it is the browser's
// to dispatch as usual.
bool OleEmbeddedControl::takenAsAccelerator(MSG& keystroke) {
    if (!activeObject_ || !keystroke.hwnd || keystroke.hwnd != window()) return false;
    ++keystrokesOffered_;
    const HRESULT answer = activeObject_->TranslateAccelerator(&keystroke);
    if (answer != S_OK && answer != S_FALSE) throw std::runtime_error("the control failed a keystroke");
    if (answer == S_OK) ++keystrokesTaken_;
    return answer == S_OK;
}

HRESULT OleEmbeddedControl::setObjectSite(bool sited) {
    const auto withSite = object_.query<IObjectWithSite>(IID_IObjectWithSite);
    if (!withSite) return E_NOINTERFACE;
    sitedAsObject_ = sited;
    return withSite->SetSite(sited ? static_cast<IOleClientSite*>(site_.get()) : nullptr);
}

HRESULT OleEmbeddedControl::deactivate() {
    windowlessHost_.reset();
    const auto inPlace = object_.query<IOleInPlaceObject>(IID_IOleInPlaceObject);
    return inPlace ? inPlace->InPlaceDeactivate() : E_NOINTERFACE;
}

void OleEmbeddedControl::close() {
    if (!object_) return;
    deactivate();
    if (eventPoint_ && eventCookie_) eventPoint_->Unadvise(eventCookie_);
    eventPoint_.reset();
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
    if (sitedAsObject_) setObjectSite(false);
    scripting_.reset();
    activeObject_.reset();
    object_.reset();
    site_->forget();
}

}  // namespace test_support
