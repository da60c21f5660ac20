#include "tests/support/activex_container/ole_embedded_control.h"

#include "tests/support/activex_container/param_property_bag.h"

#include <stdexcept>

namespace test_support {

namespace {

const CLSID kVeltrinControlClass = {
    0xb870b429, 0x16d7, 0x5cc7, {0x86, 0xcc, 0x57, 0xd8, 0x42, 0x21, 0x06, 0x8a}};

void require(HRESULT result, const char* step) {
    if (result < 0) throw std::runtime_error(std::string("the control refused ") + step);
}

}  // namespace

OleEmbeddedControl::OleEmbeddedControl(LPFNGETCLASSOBJECT getClassObject, IWebBrowser2* browser,
                                       IOleControlSite* controlSite, HWND pageWindow, const OleControlSpec& spec,
                                       OleControlSite::MainThreadCheck onMainThread, OleControlSite::FaultSink faults)
    : pageWindow_(pageWindow), position_{0, 0, spec.width, spec.height} {
    site_ = FB::ActiveX::ComPtr<OleControlSite>::adopt(
        new OleControlSite(browser, controlSite, pageWindow, position_, std::move(onMainThread), std::move(faults)));
    site_->offerWindowless(spec.offerWindowless);
    FB::ActiveX::ComPtr<IClassFactory> factory;
    require(getClassObject(kVeltrinControlClass, IID_IClassFactory, reinterpret_cast<void**>(factory.put())),
            "DllGetClassObject");
    require(factory->CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(object_.put())),
            "CreateInstance");
    require(object_->SetClientSite(site_.get()), "SetClientSite");
    if (spec.objectWithSite == ObjectWithSite::BeforeParams) require(setObjectSite(true), "SetSite");
    const auto persist = object_.query<IPersistPropertyBag>(IID_IPersistPropertyBag);
    if (!persist) throw std::runtime_error("the control has no IPersistPropertyBag");
    const auto bag = FB::ActiveX::ComPtr<ParamPropertyBag>::adopt(new ParamPropertyBag(spec.params));
    require(persist->Load(bag.get(), nullptr), "IPersistPropertyBag::Load");
    if (spec.objectWithSite == ObjectWithSite::AfterParams) require(setObjectSite(true), "SetSite");
    scripting_ = object_.query<IDispatchEx>(IID_IDispatchEx);
    if (!scripting_) throw std::runtime_error("the control has no IDispatchEx");
    require(activate(), "in-place activation");
}

OleEmbeddedControl::~OleEmbeddedControl() { close(); }

HWND OleEmbeddedControl::window() const {
    HWND window = nullptr;
    const auto inPlace = object_.query<IOleInPlaceObject>(IID_IOleInPlaceObject);
    if (inPlace && inPlace->GetWindow(&window) < 0) window = nullptr;
    return window;
}

HRESULT OleEmbeddedControl::activate() {
    if (!object_) return E_UNEXPECTED;
    return object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.get(), 0, pageWindow_, &position_);
}

HRESULT OleEmbeddedControl::setObjectSite(bool sited) {
    const auto withSite = object_.query<IObjectWithSite>(IID_IObjectWithSite);
    if (!withSite) return E_NOINTERFACE;
    sitedAsObject_ = sited;
    return withSite->SetSite(sited ? static_cast<IOleClientSite*>(site_.get()) : nullptr);
}

HRESULT OleEmbeddedControl::resize(int width, int height) {
    const auto inPlace = object_.query<IOleInPlaceObject>(IID_IOleInPlaceObject);
    if (!inPlace) return E_NOINTERFACE;
    position_.right = position_.left + width;
    position_.bottom = position_.top + height;
    site_->setPosition(position_);
    return inPlace->SetObjectRects(&position_, &position_);
}

HRESULT OleEmbeddedControl::deactivate() {
    const auto inPlace = object_.query<IOleInPlaceObject>(IID_IOleInPlaceObject);
    return inPlace ? inPlace->InPlaceDeactivate() : E_NOINTERFACE;
}

void OleEmbeddedControl::close() {
    if (!object_) return;
    deactivate();
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
    if (sitedAsObject_) setObjectSite(false);
    scripting_.reset();
    object_.reset();
    site_->forget();
}

}  // namespace test_support
