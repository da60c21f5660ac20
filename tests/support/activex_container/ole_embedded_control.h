// A control embedded the way a container embeds one: made by its class object (from the library's
// DllGetClassObject), given its client site first, its <param> values through a property bag, then
// activated in place in the page's window. Taking it down deactivates it, closes it and clears
// its site. Main thread only.
#pragma once

#include "activex/com_owners.h"
#include "platform/com/class_factory.h"
#include "platform/com/dispex.h"
#include "platform/com/ole_inplace.h"
#include "tests/support/activex_container/ole_control_site.h"

#include <string>
#include <utility>
#include <vector>

namespace test_support {

// Whether the container also gives the control its site through IObjectWithSite::SetSite, as some
// containers do besides IOleObject::SetClientSite, and whether before or after the <param>s.
enum class ObjectWithSite { Never, BeforeParams, AfterParams };

struct OleControlSpec {
    std::vector<std::pair<std::string, std::string>> params;
    int width = 300;
    int height = 150;
    bool offerWindowless = false;
    ObjectWithSite objectWithSite = ObjectWithSite::Never;
};

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
    IOleObject* object() const { return object_.get(); }
    OleControlSite& site() const { return *site_.get(); }
    // The control's own window while it is active in place and windowed.
    HWND window() const;

    HRESULT activate();
    // IObjectWithSite::SetSite with the control's site (null: without one).
    HRESULT setObjectSite(bool sited);
    HRESULT resize(int width, int height);
    HRESULT deactivate();
    // Deactivates, closes and clears the site; the references go.
    void close();

private:
    FB::ActiveX::ComPtr<OleControlSite> site_;
    FB::ActiveX::ComPtr<IOleObject> object_;
    FB::ActiveX::ComPtr<IDispatchEx> scripting_;
    HWND pageWindow_;
    RECT position_;
    bool sitedAsObject_ = false;
};

}  // namespace test_support
