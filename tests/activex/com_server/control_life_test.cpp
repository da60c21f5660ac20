// The control's life in a container's site: its client site first, the page's <param>s through the
// property bag, in-place activation with a window of its own, activation in the container's user
// interface, drawing, resizing, a repaint asked for from a worker thread, its window message map,
// frozen events, deactivation and close; and the answers it gives about itself (its interfaces,
// safety options, class information, connection points). The test's thread is the browser's main
// thread.
#include "activex/fb_control.h"
#include "activex/plugin_interfaces.h"
#include "platform/com/class_factory.h"
#include "platform/com/olectl.h"
#include "platform/window/win_gdi.h"
#include "platform/window/win_input.h"
#include "tests/activex/com_server/support/test_control_plugin.h"
#include "tests/activex/support/fake_html.h"
#include "tests/support/page_engine/message_window.h"
#include "tests/support/activex_container/ole_control_site.h"
#include "tests/support/activex_container/param_property_bag.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace {

using activex_test::FakeBrowser;
using com_server_test::ControlTestPlugin;
using com_server_test::pump;
using FB::ActiveX::CFBControl;
using FB::ActiveX::ComPtr;
using test_support::OleControlSite;
using test_support::ParamPropertyBag;

bool hasEvent(const std::string& event) {
    const auto& events = ControlTestPlugin::last->windowEvents;
    return std::find(events.begin(), events.end(), event) != events.end();
}

class ControlLife : public ::testing::Test {
protected:
    void SetUp() override {
        page = test_support::createClassWindow(L"ControlLifePage", 0, DefWindowProcW, WS_VISIBLE, 800, 600, nullptr);
        browser = ComPtr<IWebBrowser2>::adopt(new FakeBrowser(nullptr, L"http://example.test/"));
        site = ComPtr<OleControlSite>::adopt(
            new OleControlSite(browser.get(), nullptr, page, RECT{10, 20, 330, 260}, nullptr,
                               [this](const std::string& fault) { faults.push_back(fault); }));
        ASSERT_EQ(S_OK, CFBControl::create(IID_IOleObject, reinterpret_cast<void**>(object.put())));
    }
    void TearDown() override {
        if (object) {
            object->Close(OLECLOSE_NOSAVE);
            object->SetClientSite(nullptr);
            object.reset();
        }
        pump();
        EXPECT_EQ(0, ControlTestPlugin::live.load());
        EXPECT_EQ(std::vector<std::string>{}, faults);
        DestroyWindow(page);
    }

    CFBControl& control() { return *dynamic_cast<CFBControl*>(object.get()); }
    template <typename I>
    ComPtr<I> as(REFIID iid) {
        return object.query<I>(iid);
    }
    void load(std::vector<std::pair<std::string, std::string>> params, std::set<std::string> failing = {}) {
        ASSERT_EQ(S_OK, object->SetClientSite(site.get()));
        const auto bag = ComPtr<ParamPropertyBag>::adopt(new ParamPropertyBag(std::move(params), std::move(failing)));
        ASSERT_EQ(S_OK, as<IPersistPropertyBag>(IID_IPersistPropertyBag)->Load(bag.get(), nullptr));
    }
    HRESULT activate() { return object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.get(), 0, page, nullptr); }
    HWND window() {
        HWND handle = nullptr;
        as<IOleInPlaceObject>(IID_IOleInPlaceObject)->GetWindow(&handle);
        return handle;
    }

    HWND page = nullptr;
    ComPtr<IWebBrowser2> browser;
    ComPtr<OleControlSite> site;
    ComPtr<IOleObject> object;
    std::vector<std::string> faults;
};

TEST_F(ControlLife, PropertyBagParamsReachThePluginAndMarkItReadyOnce) {
    EXPECT_EQ(READYSTATE_LOADING, control().readyState());
    load({{"color", "red"}, {"broken", "x"}, {"onload", ""}}, {"broken"});
    ControlTestPlugin& plugin = *ControlTestPlugin::last;
    EXPECT_EQ("red", plugin.paramValue("color"));
    EXPECT_FALSE(plugin.paramValue("broken"));  // its read failed: the others still arrive
    EXPECT_EQ(READYSTATE_COMPLETE, control().readyState());
    EXPECT_EQ(1, site->readyStateChanges());
    EXPECT_EQ(1, plugin.readyMarks);
}

// A control the container makes new, without <param>s, is ready all the same.
TEST_F(ControlLife, InitNewMarksThePluginReadyWithoutParams) {
    ASSERT_EQ(S_OK, object->SetClientSite(site.get()));
    EXPECT_EQ(S_OK, as<IPersistPropertyBag>(IID_IPersistPropertyBag)->InitNew());
    EXPECT_EQ(READYSTATE_COMPLETE, control().readyState());
    EXPECT_EQ(1, site->readyStateChanges());
    EXPECT_EQ(1, ControlTestPlugin::last->readyMarks);
}

TEST_F(ControlLife, InPlaceActivationGivesThePluginAChildWindowOfTheSite) {
    load({});
    EXPECT_EQ(nullptr, window());
    ASSERT_EQ(S_OK, activate());
    const HWND own = window();
    ASSERT_NE(nullptr, own);
    EXPECT_EQ(page, GetParent(own));
    RECT client{};
    GetClientRect(own, &client);
    EXPECT_EQ(320, client.right);
    EXPECT_EQ(240, client.bottom);
    EXPECT_TRUE(hasEvent("attached"));
    EXPECT_EQ(1, site->activations());
    EXPECT_EQ(S_OK, activate());  // already active: nothing new
    EXPECT_EQ(own, window());
    EXPECT_EQ(1, site->activations());
}

TEST_F(ControlLife, ResizeAndRepaintReachThePluginThroughItsWindow) {
    load({});
    ASSERT_EQ(S_OK, activate());
    const RECT bigger{0, 0, 400, 300};
    ASSERT_EQ(S_OK, as<IOleInPlaceObject>(IID_IOleInPlaceObject)->SetObjectRects(&bigger, &bigger));
    pump();
    RECT client{};
    GetClientRect(window(), &client);
    EXPECT_EQ(400, client.right);
    EXPECT_EQ(300, client.bottom);
    EXPECT_TRUE(hasEvent("resized"));
    InvalidateRect(window(), nullptr, TRUE);
    pump();
    EXPECT_TRUE(hasEvent("refresh"));
}

TEST_F(ControlLife, AWindowedPluginMakesTheControlWindowedThoughTheSiteOffersWindowless) {
    site->offerWindowless(true);
    load({});
    ASSERT_EQ(S_OK, activate());
    EXPECT_FALSE(control().isWindowless());
    EXPECT_NE(nullptr, window());
}

TEST_F(ControlLife, ARepaintAskedForOnAWorkerReachesTheSiteOnceOnTheMainThread) {
    site->offerWindowless(true);
    load({{"windowless", "true"}});
    ASSERT_EQ(S_OK, activate());
    ASSERT_TRUE(control().isWindowless());
    EXPECT_EQ(nullptr, window());
    std::thread worker([] { ControlTestPlugin::last->getWindow()->repaintWindow(); });
    worker.join();
    EXPECT_EQ(0, site->invalidations());  // only queued so far
    pump();
    EXPECT_EQ(1, site->invalidations());
    pump();
    EXPECT_EQ(1, site->invalidations());
}

// A windowless control draws into the container's surface.
TEST_F(ControlLife, AWindowlessControlDrawsIntoTheSitesSurface) {
    site->offerWindowless(true);
    load({{"windowless", "true"}});
    ASSERT_EQ(S_OK, activate());
    const RECT position{0, 0, 200, 100};
    ASSERT_EQ(S_OK, as<IOleInPlaceObject>(IID_IOleInPlaceObject)->SetObjectRects(&position, &position));
    EXPECT_TRUE(hasEvent("resized"));
    const HDC surface = GetDC(page);
    const RECTL bounds{0, 0, 200, 100};
    EXPECT_EQ(S_OK, as<IViewObject>(IID_IViewObject)
                        ->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, surface, &bounds, nullptr, nullptr, 0));
    ReleaseDC(page, surface);
    EXPECT_TRUE(hasEvent("refresh"));
}

TEST_F(ControlLife, DeactivationTakesTheWindowAwayAndReactivationMakesANewOne) {
    load({});
    ASSERT_EQ(S_OK, activate());
    const HWND first = window();
    ASSERT_EQ(S_OK, as<IOleInPlaceObject>(IID_IOleInPlaceObject)->InPlaceDeactivate());
    EXPECT_TRUE(hasEvent("detached"));
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(nullptr, ControlTestPlugin::last->getWindow());
    EXPECT_EQ(1, site->deactivations());
    ASSERT_EQ(S_OK, activate());
    EXPECT_NE(nullptr, window());
    EXPECT_NE(nullptr, ControlTestPlugin::last->getWindow());
    EXPECT_EQ(2, site->activations());
}

TEST_F(ControlLife, CloseTakesThePluginDownAndLaterSitesChangeNothing) {
    load({});
    ASSERT_EQ(S_OK, activate());
    const HWND own = window();
    ASSERT_EQ(S_OK, object->Close(OLECLOSE_NOSAVE));
    EXPECT_EQ(0, ControlTestPlugin::live.load());
    EXPECT_FALSE(IsWindow(own));
    EXPECT_EQ(S_OK, object->SetClientSite(site.get()));
    EXPECT_EQ(0, ControlTestPlugin::live.load());
    EXPECT_EQ(S_OK, activate());  // the library activates; no plug-in is there to get a window
}

TEST_F(ControlLife, AScriptMadeControlIsReadyOnceItHasASite) {
    ASSERT_EQ(S_OK, as<IObjectWithSite>(IID_IObjectWithSite)->SetSite(static_cast<IOleClientSite*>(site.get())));
    EXPECT_EQ(READYSTATE_COMPLETE, control().readyState());
    EXPECT_TRUE(ControlTestPlugin::last->getFlag());
    EXPECT_EQ(1, ControlTestPlugin::last->readyMarks);
    // Loaded as well: the <param>s may bring the page's "onload", which that first mark had nothing
    // to schedule for, so the plug-in is marked ready again.
    const std::vector<std::pair<std::string, std::string>> params{{"onload", "pluginLoaded"}};
    const auto bag = ComPtr<ParamPropertyBag>::adopt(new ParamPropertyBag(params));
    ASSERT_EQ(S_OK, as<IPersistPropertyBag>(IID_IPersistPropertyBag)->Load(bag.get(), nullptr));
    EXPECT_EQ(READYSTATE_COMPLETE, control().readyState());
    EXPECT_EQ(2, ControlTestPlugin::last->readyMarks);
    ComPtr<IOleClientSite> kept;
    EXPECT_EQ(
        S_OK,
        as<IObjectWithSite>(IID_IObjectWithSite)->GetSite(IID_IOleClientSite, reinterpret_cast<void**>(kept.put())));
    EXPECT_EQ(static_cast<IOleClientSite*>(site.get()), kept.get());
    kept.reset();
    EXPECT_EQ(S_OK, as<IObjectWithSite>(IID_IObjectWithSite)->SetSite(nullptr));
    EXPECT_EQ(0, ControlTestPlugin::live.load());
}

TEST_F(ControlLife, SafetyOptionsAreTheSameForEveryInterfaceOfTheControl) {
    const auto safety = as<IObjectSafety>(IID_IObjectSafety);
    DWORD supported = 9, enabled = 9;
    ASSERT_EQ(S_OK, safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled));
    EXPECT_EQ(3u, supported);
    EXPECT_EQ(0u, enabled);
    EXPECT_EQ(E_FAIL, safety->SetInterfaceSafetyOptions(IID_IDispatch, 4, 4));
    EXPECT_EQ(S_OK, safety->SetInterfaceSafetyOptions(IID_IDispatchEx, 3, 1));
    ASSERT_EQ(S_OK, safety->GetInterfaceSafetyOptions(IID_IOleObject, &supported, &enabled));
    EXPECT_EQ(1u, enabled);
    EXPECT_EQ(E_NOINTERFACE, safety->SetInterfaceSafetyOptions(IID_IClassFactory, 1, 1));
    EXPECT_EQ(E_NOINTERFACE, safety->GetInterfaceSafetyOptions(IID_IClassFactory, &supported, &enabled));
    EXPECT_EQ(0u, supported);
    EXPECT_EQ(E_POINTER, safety->GetInterfaceSafetyOptions(IID_IDispatch, nullptr, &enabled));
}

TEST_F(ControlLife, ItNamesItsClassAndItsOneConnectionPoint) {
    GUID guid = IID_IDispatch;
    const auto classInfo = as<IProvideClassInfo2>(IID_IProvideClassInfo2);
    EXPECT_EQ(E_FAIL, classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &guid));
    EXPECT_EQ(GUID_NULL, guid);
    EXPECT_EQ(E_INVALIDARG, classInfo->GetGUID(2, &guid));
    EXPECT_EQ(E_POINTER, classInfo->GetGUID(1, nullptr));
    CLSID clsid{};
    EXPECT_EQ(S_OK, as<IPersistPropertyBag>(IID_IPersistPropertyBag)->GetClassID(&clsid));
    EXPECT_EQ(CLSID_FBControl0, clsid);
    const auto points = as<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(CONNECT_E_NOCONNECTION, points->FindConnectionPoint(IID_IDispatch, point.put()));
    ASSERT_EQ(S_OK, points->FindConnectionPoint(DIID_IFBComEventSource, point.put()));
    ComPtr<IConnectionPointContainer> back;
    ASSERT_EQ(S_OK, point->GetConnectionPointContainer(back.put()));
    EXPECT_EQ(points.get(), back.get());
    DWORD status = 0;
    EXPECT_EQ(S_OK, object->GetMiscStatus(1, &status));
    EXPECT_EQ(0x20191u, status);
}

// Each line of the interface map leads to one part of the control; nothing else is answered.
TEST_F(ControlLife, TheInterfaceMapAnswersItsFourteenLinesAndNothingElse) {
    const std::vector<std::vector<IID>> lines{{DIID_IFBComEventSource, IID_IDispatch, IID_IDispatchEx},
                                              {IID_IPluginObject},
                                              {IID_IViewObjectEx, IID_IViewObject2, IID_IViewObject},
                                              {IID_IOleInPlaceObjectWindowless, IID_IOleInPlaceObject, IID_IOleWindow},
                                              {IID_IOleInPlaceActiveObject},
                                              {IID_IOleControl},
                                              {IID_IOleObject},
                                              {IID_IConnectionPointContainer},
                                              {IID_IConnectionPoint},
                                              {IID_IQuickActivate},
                                              {IID_IObjectWithSite},
                                              {IID_IObjectSafety},
                                              {IID_IPersistPropertyBag},
                                              {IID_IProvideClassInfo, IID_IProvideClassInfo2}};
    std::set<void*> parts;
    for (size_t line = 0; line < lines.size(); ++line) {
        void* part = nullptr;
        for (const IID& iid : lines[line]) {
            ComPtr<IUnknown> answer;
            ASSERT_EQ(S_OK, object->QueryInterface(iid, reinterpret_cast<void**>(answer.put()))) << "line " << line + 1;
            if (!part) part = answer.get();
            EXPECT_EQ(part, answer.get()) << "line " << line + 1;
        }
        parts.insert(part);
    }
    EXPECT_EQ(14u, parts.size());
    for (const IID& iid : {IID_IPersist, IID_IFBControl, IID_IFBComJavascriptObject, IID_IClassFactory,
                           IID_IOleInPlaceSite, IID_IOleControlSite}) {
        ComPtr<IUnknown> answer;
        EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(iid, reinterpret_cast<void**>(answer.put())));
        EXPECT_FALSE(answer);
    }
}

TEST_F(ControlLife, FrozenEventsAreCountedAndThawedOneByOne) {
    const auto control = as<IOleControl>(IID_IOleControl);
    struct Step {
        BOOL freeze;
        int frozen;
    };
    for (const Step& step :
         {Step{TRUE, 1}, Step{TRUE, 2}, Step{FALSE, 1}, Step{FALSE, 0}, Step{FALSE, 0}, Step{TRUE, 1}}) {
        EXPECT_EQ(S_OK, control->FreezeEvents(step.freeze));
        EXPECT_EQ(step.frozen, this->control().frozenEvents());
    }
}

// The control's own messages, as its window procedure and a windowless container hand them to it:
// it paints its window itself, tells its control site where the keyboard focus went and leaves
// the message to the default procedure, and hands a notification its parent reflected back to the
// default procedure as the message it reflects.
TEST_F(ControlLife, TheWindowMessageMapPaintsTellsOfFocusAndReflectsNotifications) {
    load({});
    ASSERT_EQ(S_OK, activate());
    const auto windowless = as<IOleInPlaceObjectWindowless>(IID_IOleInPlaceObjectWindowless);
    struct Case {
        UINT message;
        HRESULT handled;
        bool focusAfter;
    };
    for (const Case& test :
         {Case{WM_SETFOCUS, S_FALSE, true}, Case{WM_PAINT, S_OK, true}, Case{OCM_COMMAND, S_OK, true},
          Case{OCM_NOTIFY, S_OK, true}, Case{OCM_CTLCOLORSTATIC, S_OK, true}, Case{OCM_VSCROLL, S_OK, true},
          Case{WM_KILLFOCUS, S_FALSE, false}, Case{WM_COMMAND, S_FALSE, false},
          Case{OCM__BASE + WM_TIMER, S_FALSE, false}, Case{WM_TIMER, S_FALSE, false}}) {
        LRESULT result = 7;
        EXPECT_EQ(test.handled, windowless->OnWindowMessage(test.message, 0, 0, &result)) << std::hex << test.message;
        EXPECT_EQ(0, result) << std::hex << test.message;
        EXPECT_EQ(test.focusAfter, site->controlHasFocus()) << std::hex << test.message;
    }
}

TEST_F(ControlLife, AWindowlessControlTellsItsControlSiteOfFocusToo) {
    site->offerWindowless(true);
    load({{"windowless", "true"}});
    ASSERT_EQ(S_OK, activate());
    ASSERT_TRUE(control().isWindowless());
    const auto windowless = as<IOleInPlaceObjectWindowless>(IID_IOleInPlaceObjectWindowless);
    LRESULT result = 0;
    EXPECT_EQ(S_FALSE, windowless->OnWindowMessage(WM_SETFOCUS, 0, 0, &result));
    EXPECT_TRUE(site->controlHasFocus());
    EXPECT_EQ(S_FALSE, windowless->OnWindowMessage(WM_KILLFOCUS, 0, 0, &result));
    EXPECT_FALSE(site->controlHasFocus());
}

// Active in the container's user interface: the site hears it, the frame and the document window
// hold the control's active object, and the control has the focus (its window's, or the
// windowless site's). Leaving in-place activation undoes it.
class ControlUIActivation : public ControlLife, public ::testing::WithParamInterface<bool> {};

TEST_P(ControlUIActivation, HandsTheContainerTheActiveObjectAndTheFocus) {
    const bool windowless = GetParam();
    site->offerWindowless(windowless);
    load({{"windowless", windowless ? "true" : "false"}});
    ASSERT_EQ(S_OK, activate());
    ASSERT_EQ(windowless, control().isWindowless());
    EXPECT_FALSE(control().isUIActive());
    EXPECT_EQ(nullptr, site->frame().activeObject());
    ASSERT_EQ(S_OK, object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site.get(), 0, page, nullptr));
    ASSERT_EQ(S_OK, object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site.get(), 0, page, nullptr));
    EXPECT_TRUE(control().isUIActive());
    EXPECT_EQ(1, site->uiActivations());
    EXPECT_TRUE(site->uiActive());
    const auto active = as<IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject);
    EXPECT_EQ(active.get(), site->frame().activeObject());
    EXPECT_EQ(active.get(), site->documentWindow().activeObject());
    if (windowless) {
        EXPECT_TRUE(site->focused());
    } else {
        EXPECT_EQ(window(), GetFocus());
        EXPECT_TRUE(site->controlHasFocus());
    }
    ASSERT_EQ(S_OK, as<IOleInPlaceObject>(IID_IOleInPlaceObject)->InPlaceDeactivate());
    EXPECT_FALSE(control().isUIActive());
    EXPECT_FALSE(site->uiActive());
    EXPECT_EQ(nullptr, site->frame().activeObject());
    EXPECT_EQ(nullptr, site->documentWindow().activeObject());
}

INSTANTIATE_TEST_SUITE_P(Control, ControlUIActivation, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& row) {
                             return std::string(row.param ? "Windowless" : "Windowed");
                         });

}  // namespace
