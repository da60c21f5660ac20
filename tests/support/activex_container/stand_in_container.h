// The stand-in ActiveX container as tests use it. It loads one page, runs the page's script in
// Duktape, and embeds the control for the page's <object> element, made by the class object it is
// given (npVeltrin.so's loaded with ComServerLibrary, or the binding's linked into the test): the page reaches the
// control's scripting object through IDispatchEx, and the control reaches the page's window, document and functions as
// IDispatchEx objects. Every call the control makes on the container's objects, and every call script makes into the
// control, is checked to arrive on the container's main thread (page_engine/stand_in.h).
//
//   test_support::StandInContainer container;
//   container.useClassObject(DllGetClassObject);
//   container.loadPage(html, ".");
//   ASSERT_TRUE(container.pumpUntil([&] { return container.hasConsoleLine("loaded"); }, 5s));
//   EXPECT_EQ("V2.28", container.evaluate("player.Version").text);
//   container.shutdownControl();
//   EXPECT_EQ(0u, container.liveObjectCount());
//   EXPECT_TRUE(container.faults().empty());
#pragma once

#include "tests/support/activex_container/container_session.h"
#include "tests/support/page_engine/stand_in.h"

namespace test_support {

class StandInContainer : public StandIn<ContainerSession> {
public:
    // Makes the page's control through this class object. Before a page is loaded.
    void useClassObject(LPFNGETCLASSOBJECT getClassObject) {
        onMainThread([=](ContainerSession& session) { session.setClassObjectSource(getClassObject); });
    }
    // The control also gets its site through IObjectWithSite, before or after its <param>s, as
    // some containers give it. Before a page is loaded.
    void giveObjectSite(ObjectWithSite when) {
        onMainThread([=](ContainerSession& session) { session.setObjectWithSite(when); });
    }
    // The control is activated through IOleObject alone, as by a container without quick
    // activation. Before a page is loaded.
    void withoutQuickActivation() {
        onMainThread([](ContainerSession& session) { session.setQuickActivation(false); });
    }
    HWND pluginWindow() {
        return onMainThread([](ContainerSession& session) { return session.pluginWindow(); });
    }
    // The connection point of the control's events: a script object (the expression's value) as a
    // sink, and its removal.
    HRESULT advise(const std::string& sinkExpression, DWORD& cookie) {
        return onMainThread([&](ContainerSession& session) { return session.advise(sinkExpression, cookie); });
    }
    HRESULT unadvise(DWORD cookie) {
        return onMainThread([=](ContainerSession& session) { return session.unadvise(cookie); });
    }
    void shutdownControl() {
        onMainThread([](ContainerSession& session) { session.shutdownControl(); });
    }
};

}  // namespace test_support
