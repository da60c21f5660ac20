// The control hosted by the stand-in container's browser-like embedding: a windowless control
// drawn into the page window and given its input where its view reports a hit, keystrokes once
// it passed on them as accelerators; a windowed one sized by its view's extent, telling the
// container where the keyboard focus is, activated in the container's user interface by a click,
// passing on the keystrokes the browser offers it first, and its window erasing with the window
// colour under the arrow cursor; the class information of both of the library's classes; and the
// view's hit tests at their edges, its extents and status. The test's thread is the browser's main
// thread.
#include "activex/activex_browser_host.h"
#include "activex/com_javascript_object.h"
#include "activex/fb_control_ids.h"
#include "host/plugin_window.h"
#include "platform/com/type_info.h"
#include "platform/window/win_input.h"
#include "platform/window/win_input_testing.h"
#include "platform/window/win_surface_testing.h"
#include "tests/activex/com_server/support/test_control_plugin.h"
#include "tests/activex/support/fake_html.h"
#include "tests/support/page_engine/message_window.h"
#include "tests/support/activex_container/ole_embedded_control.h"

#include <gtest/gtest.h>

#include <algorithm>

extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object);

namespace {

using com_server_test::ControlTestPlugin;
using com_server_test::eventsStartingWith;
using com_server_test::pump;
using FB::ActiveX::ComPtr;
using platform::testing::MouseButton;
using test_support::OleControlSpec;
using test_support::OleEmbeddedControl;

class ControlHosting : public ::testing::Test {
protected:
    void embed(bool windowless, int width = 200, int height = 100) {
        OleControlSpec spec;
        spec.width = width;
        spec.height = height;
        spec.offerWindowless = windowless;
        if (windowless) spec.params.emplace_back("windowless", "true");
        control = std::make_unique<OleEmbeddedControl>(DllGetClassObject, browser.get(), nullptr, page, spec, nullptr,
                                                       [this](const std::string& fault) { faults.push_back(fault); });
        pump();
    }
    void TearDown() override {
        control.reset();
        pump();
        EXPECT_EQ(0, ControlTestPlugin::live.load());
        EXPECT_EQ(std::vector<std::string>{}, faults);
        DestroyWindow(page);
    }

    HWND page =
        test_support::createClassWindow(L"ControlHostingPage", 0, DefWindowProcW, WS_VISIBLE, 400, 300, nullptr);
    ComPtr<IWebBrowser2> browser =
        ComPtr<IWebBrowser2>::adopt(new activex_test::FakeBrowser(nullptr, L"http://x.test/"));
    std::unique_ptr<OleEmbeddedControl> control;
    std::vector<std::string> faults;
};

TEST_F(ControlHosting, AWindowlessControlGetsThePagesInputWhereItsViewReportsAHit) {
    embed(true);
    ASSERT_TRUE(control->windowlessHost());
    platform::testing::mouseDown(page, MouseButton::Left, 250, 50);  // beside the control
    platform::testing::mouseUp(page, MouseButton::Left, 250, 50);
    pump();
    EXPECT_EQ(0u, eventsStartingWith("down"));
    EXPECT_EQ(2, control->windowlessHost()->missed());

    platform::testing::advanceInputClock(1000);
    platform::testing::mouseDown(page, MouseButton::Left, 10, 20);
    pump();
    EXPECT_EQ(1u, eventsStartingWith("down"));
    EXPECT_EQ(1, control->site().focusRequests());
    EXPECT_TRUE(control->site().captured());
    platform::testing::mouseUp(page, MouseButton::Left, 250, 50);  // released outside: the capture holds
    pump();
    EXPECT_EQ(1u, eventsStartingWith("up"));
    EXPECT_FALSE(control->site().captured());

    SetFocus(page);
    platform::testing::keyDown('A');
    platform::testing::keyUp('A');
    pump();
    EXPECT_EQ(1u, eventsStartingWith("key "));
}

TEST_F(ControlHosting, AWindowedControlErasesWithTheWindowColourUnderTheArrowCursor) {
    embed(false);
    const HWND own = control->window();
    ASSERT_NE(nullptr, own);
    InvalidateRect(own, nullptr, TRUE);
    pump();
    EXPECT_EQ(0xFFFFFFFFu, platform::testing::readSurface(own).at(100, 50));
    // The plug-in's window sets its own cursor; once the plug-in has gone the class's shows.
    ASSERT_EQ(S_OK, control->object()->Close(OLECLOSE_NOSAVE));
    ASSERT_EQ(S_OK, control->activate());
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    platform::testing::mouseMove(control->window(), 100, 50);
    pump();
    EXPECT_EQ(LoadCursorW(nullptr, IDC_ARROW), GetCursor());
}

// The control's window takes the size the view reports: the element's, or the control's own two
// inches (at 96 pixels per inch) when the element gives none.
TEST_F(ControlHosting, AWindowedControlTakesTheSizeItsViewReports) {
    struct Case {
        int width, height;
        LONG clientWidth, clientHeight;
    };
    for (const Case& test : {Case{200, 100, 200, 100}, Case{0, 0, 192, 192}}) {
        embed(false, test.width, test.height);
        RECT client{};
        ASSERT_TRUE(GetClientRect(control->window(), &client));
        EXPECT_EQ(test.clientWidth, client.right) << test.width;
        EXPECT_EQ(test.clientHeight, client.bottom) << test.width;
        control.reset();
    }
}

// A click gives the plug-in's window the focus; the control tells its control site, and again
// when the focus goes elsewhere.
TEST_F(ControlHosting, TheContainerHearsWhenTheControlsWindowGainsOrLosesTheFocus) {
    embed(false);
    ASSERT_FALSE(control->site().controlHasFocus());
    platform::testing::mouseDown(control->window(), MouseButton::Left, 10, 10);
    platform::testing::mouseUp(control->window(), MouseButton::Left, 10, 10);
    pump();
    EXPECT_EQ(control->window(), GetFocus());
    EXPECT_TRUE(control->site().controlHasFocus());
    SetFocus(page);
    EXPECT_FALSE(control->site().controlHasFocus());
}

// The plug-in's window answers a click itself while it is there; without it (the plug-in closed)
// the control's own window does, and a click makes the control active in the container's user
// interface once: the site hears it, the frame holds the control's active object, the control's
// window has the focus.
TEST_F(ControlHosting, AClickMakesAControlWithoutItsPluginActiveInTheUserInterface) {
    embed(false);
    ASSERT_EQ(S_OK, control->object()->Close(OLECLOSE_NOSAVE));
    ASSERT_EQ(S_OK, control->activate());
    const HWND own = control->window();
    ASSERT_NE(nullptr, own);
    EXPECT_EQ(0, control->site().uiActivations());
    for (int click = 0; click < 2; ++click) {
        platform::testing::advanceInputClock(1000);
        platform::testing::mouseDown(own, MouseButton::Left, 10, 10);
        platform::testing::mouseUp(own, MouseButton::Left, 10, 10);
        pump();
    }
    EXPECT_EQ(1, control->site().uiActivations());
    EXPECT_NE(nullptr, control->site().frame().activeObject());
    EXPECT_EQ(own, GetFocus());
    EXPECT_TRUE(control->site().controlHasFocus());
}

// The browser offers a windowed control the keystrokes meant for its window as accelerators first;
// the control has none and passes on each (S_FALSE), so they reach the plug-in as they were. It
// takes the browser window's activation and deactivation.
TEST_F(ControlHosting, AWindowedControlPassesOnTheKeystrokesTheBrowserOffersIt) {
    embed(false);
    SetFocus(control->window());
    platform::testing::keyDown('A');
    platform::testing::keyUp('A');
    control->dispatchWaiting();
    EXPECT_EQ(2, control->keystrokesOffered());
    EXPECT_EQ(0, control->keystrokesTaken());
    EXPECT_EQ(1u, eventsStartingWith("key "));
    EXPECT_EQ(1u, eventsStartingWith("keyup "));
    EXPECT_EQ(S_OK, control->frameWindowActivated(false));
    EXPECT_EQ(S_OK, control->frameWindowActivated(true));
}

// Each class finds its own coclass in the module's type library: its default interface and, as
// default source, the event interface.
TEST_F(ControlHosting, BothClassesDescribeTheirInterfacesInTheirClassInformation) {
    embed(false);
    const auto host = std::make_shared<FB::ActiveX::ActiveXBrowserHost>(nullptr, nullptr);
    const auto api = std::make_shared<com_server_test::ControlTestApi>();
    const auto subObject = ComPtr<IDispatchEx>::adopt(FB::ActiveX::COMJavascriptObject::wrapApi(host, api, false));
    struct Case {
        IUnknown* object;
        CLSID clsid;
        IID defaultInterface;
        const wchar_t* name;
    };
    for (const Case& test :
         {Case{control->object(), CLSID_FBControl0, IID_IFBControl, L"FBControl0"},
          Case{subObject.get(), CLSID_FBComJavascriptObject, IID_IFBComJavascriptObject, L"FBComJavascriptObject"}}) {
        SCOPED_TRACE(std::string(test.name, test.name + wcslen(test.name)));
        ComPtr<ITypeInfo> info;
        ASSERT_EQ(
            S_OK,
            ComPtr<IUnknown>(test.object).query<IProvideClassInfo>(IID_IProvideClassInfo)->GetClassInfo(info.put()));
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(S_OK, info->GetTypeAttr(&attributes));
        EXPECT_EQ(test.clsid, attributes->guid);
        info->ReleaseTypeAttr(attributes);
        const std::pair<INT, IID> implemented[] = {
            {IMPLTYPEFLAG_FDEFAULT, test.defaultInterface},
            {IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE, DIID_IFBComEventSource}};
        for (UINT i = 0; i < 2; ++i) {
            INT flags = 0;
            HREFTYPE reference = 0;
            ComPtr<ITypeInfo> type;
            ASSERT_EQ(S_OK, info->GetImplTypeFlags(i, &flags));
            EXPECT_EQ(implemented[i].first, flags);
            ASSERT_EQ(S_OK, info->GetRefTypeOfImplType(i, &reference));
            ASSERT_EQ(S_OK, info->GetRefTypeInfo(reference, type.put()));
            ASSERT_EQ(S_OK, type->GetTypeAttr(&attributes));
            EXPECT_EQ(implemented[i].second, attributes->guid);
            type->ReleaseTypeAttr(attributes);
        }
    }
    host->shutdown();
}

// The edges of the control's rectangle: its right and bottom are outside it.
TEST_F(ControlHosting, TheViewReportsHitsInsideItsRectangleOnly) {
    embed(false);
    const auto view = ComPtr<IOleObject>(control->object()).query<IViewObjectEx>(IID_IViewObjectEx);
    const RECT bounds{10, 10, 20, 20};
    struct Case {
        RECT location;
        DWORD hit;
    };
    for (const Case& test : {Case{{10, 10, 10, 10}, HITRESULT_HIT}, Case{{19, 19, 19, 19}, HITRESULT_HIT},
                             Case{{20, 15, 20, 15}, HITRESULT_OUTSIDE}, Case{{15, 9, 15, 9}, HITRESULT_OUTSIDE}}) {
        DWORD hit = 99;
        ASSERT_EQ(S_OK, view->QueryHitPoint(DVASPECT_CONTENT, &bounds, POINT{test.location.left, test.location.top}, 0,
                                            &hit));
        EXPECT_EQ(test.hit, hit) << test.location.left << "," << test.location.top;
    }
    for (const Case& test : {Case{{0, 0, 11, 11}, HITRESULT_HIT}, Case{{0, 0, 10, 30}, HITRESULT_OUTSIDE},
                             Case{{19, 19, 40, 40}, HITRESULT_HIT}, Case{{20, 0, 40, 40}, HITRESULT_OUTSIDE}}) {
        DWORD hit = 99;
        ASSERT_EQ(S_OK, view->QueryHitRect(DVASPECT_CONTENT, &bounds, &test.location, 0, &hit));
        EXPECT_EQ(test.hit, hit) << test.location.left << "," << test.location.top;
    }
    DWORD hit = 0;
    EXPECT_EQ(DV_E_DVASPECT, view->QueryHitPoint(2, &bounds, POINT{15, 15}, 0, &hit));
}

// The container gave the control its size; its natural size stays the two inches it was made with.
TEST_F(ControlHosting, TheNaturalExtentStaysWhenTheExtentIsGiven) {
    embed(false);
    const auto view = ComPtr<IOleObject>(control->object()).query<IViewObjectEx>(IID_IViewObjectEx);
    SIZEL extent{};
    ASSERT_EQ(S_OK, view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &extent));
    EXPECT_EQ(test_support::pixelsToHimetric(200), extent.cx);
    DVEXTENTINFO info{sizeof(DVEXTENTINFO), DVEXTENT_CONTENT, {}};
    ASSERT_EQ(S_OK, view->GetNaturalExtent(DVASPECT_CONTENT, -1, nullptr, nullptr, &info, &extent));
    EXPECT_EQ(5080, extent.cx);
    EXPECT_EQ(5080, extent.cy);
    DWORD status = 0;
    ASSERT_EQ(S_OK, view->GetViewStatus(&status));
    EXPECT_EQ(DWORD(VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND), status);
}

}  // namespace
