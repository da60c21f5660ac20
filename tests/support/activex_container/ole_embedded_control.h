// A control embedded the way a browser embeds one: made by its class object (from the library's
// DllGetClassObject); activated quickly through IQuickActivate when it offers that (client site,
// the container's event sink and the misc and view status in one call), else through IOleObject
// (misc status, client site, and, once it is loaded, the event sink advised on the outgoing
// interface its class information names); required to be safe for the page's data and script
// (IObjectSafety); its events frozen (IOleControl::FreezeEvents) while it loads its <param> values
// from a property bag, and told afterwards that the ambient properties are news to it; sized
// through its extent in HIMETRIC (the element's size, or the control's own extent when the element
// gives none), read back from its view (IViewObject2::GetExtent) as the size it takes in the page;
// then activated in place in the page's window. While it is active the browser offers it the
// keystrokes meant for it as accelerators first and tells it when the browser's window is
// activated or deactivated, through its active object (IOleInPlaceActiveObject). A control that
// lacks any of these interfaces cannot be embedded. A windowless control is hosted in the page
// window (windowless_control_host.h). Taking it down deactivates it, disconnects the event sink,
// closes it and clears its site. Main thread only.
#pragma once

#include "activex/activex_browser_host.h"
#include "activex/com_owners.h"
#include "host/plugin_core.h"
#include "platform/com/class_factory.h"
#include "platform/com/dispex.h"
#include "platform/com/ole_inplace.h"
#include "tests/support/activex_container/control_event_sink.h"
#include "tests/support/activex_container/ole_control_site.h"
#include "tests/support/activex_container/windowless_control_host.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

// Whether the container also gives the control its site through IObjectWithSite::SetSite, as some
// containers do besides IOleObject::SetClientSite, and whether before or after the <param>s.
enum class ObjectWithSite { Never, BeforeParams, AfterParams };

struct OleControlSpec {
    std::vector<std::pair<std::string, std::string>> params;
    // In pixels; 0 for the control's own extent.
    int width = 300;
    int height = 150;
    bool offerWindowless = false;
    ObjectWithSite objectWithSite = ObjectWithSite::Never;
    // False: as a container without quick activation, through IOleObject alone.
    bool quickActivate = true;
};

// The screen's 96 pixels per inch against HIMETRIC's 2540 units, rounded to the nearest.
LONG pixelsToHimetric(int pixels);
int himetricToPixels(LONG himetric);

class OleEmbeddedControl {
public:
    // Throws std::runtime_error with the failing step when the control cannot be made or activated.
    OleEmbeddedControl(LPFNGETCLASSOBJECT getClassObject, IWebBrowser2* browser, IOleControlSite* controlSite,
                       HWND pageWindow, const OleControlSpec& spec, OleControlSite::MainThreadCheck onMainThread,
                       OleControlSite::FaultSink faults);
    ~OleEmbeddedControl();
    OleEmbeddedControl(const OleEmbeddedControl&) = delete;
    OleEmbeddedControl& operator=(const OleEmbeddedControl&) = delete;

    // No reference is added.
    IDispatchEx* scriptingObject() const { return scripting_.get(); }
    // The host and the plug-in behind a control of the binding linked into this process; empty
    // for another.
    FB::ActiveX::ActiveXBrowserHostPtr host() const;
    std::shared_ptr<FB::PluginCore> plugin() const;
    IOleObject* object() const { return object_.get(); }
    OleControlSite& site() const { return *site_.get(); }
    // The control's own window while it is active in place and windowed.
    HWND window() const;
    bool activatedQuickly() const { return activatedQuickly_; }
    // What the container's own event sink heard, as "name(arg,...)".
    const std::vector<std::string>& events() const { return eventSink_->heard(); }
    // The hosting of a windowless control while it is active; null otherwise.
    const WindowlessControlHost* windowlessHost() const { return windowlessHost_.get(); }

    HRESULT activate();
    // The browser's top-level window was activated or deactivated.
    HRESULT frameWindowActivated(bool active);
    // Runs the messages waiting for this thread as a browser's message loop runs them: a keystroke
    // for the control's own window is offered to the control as an accelerator first, and is
    // dispatched only when the control passes on it. Returns how many messages were dispatched.
    int dispatchWaiting();
    int keystrokesOffered() const { return keystrokesOffered_; }
    int keystrokesTaken() const { return keystrokesTaken_; }
    // IObjectWithSite::SetSite with the control's site (null: without one).
    HRESULT setObjectSite(bool sited);
    HRESULT deactivate();
    // Deactivates, closes and clears the site; the references go.
    void close();

private:
    void activateQuickly(IQuickActivate& quick);
    void activateThroughObject();
    void connectEvents();
    void requireSafety();
    void load(const OleControlSpec& spec);
    void size(const OleControlSpec& spec);
    bool takenAsAccelerator(MSG& keystroke);

    FB::ActiveX::ComPtr<OleControlSite> site_;
    FB::ActiveX::ComPtr<IOleObject> object_;
    FB::ActiveX::ComPtr<IDispatchEx> scripting_;
    FB::ActiveX::ComPtr<IOleInPlaceActiveObject> activeObject_;
    FB::ActiveX::ComPtr<ControlEventSink> eventSink_;
    FB::ActiveX::ComPtr<IConnectionPoint> eventPoint_;  // where the sink is advised, when the container did it
    DWORD eventCookie_ = 0;
    bool activatedQuickly_ = false;
    int keystrokesOffered_ = 0;
    int keystrokesTaken_ = 0;
    std::unique_ptr<WindowlessControlHost> windowlessHost_;
    HWND pageWindow_;
    RECT position_;
    bool sitedAsObject_ = false;
};

}  // namespace test_support
