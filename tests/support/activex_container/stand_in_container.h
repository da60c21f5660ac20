// The stand-in ActiveX container as tests use it. It loads one page (a file, or page text with the
// folder its URLs resolve in), runs the page's script in Duktape, and embeds the control for the
// page's <object> element, made from the ActiveX binding and the plug-in factory linked into the
// process: the page reaches the control's scripting object through IDispatchEx, and the control
// reaches the page's window, document and functions as IDispatchEx objects. Everything happens on
// a main thread of its own that runs the platform's message pump; every call the control makes on
// the container's objects, and every call script makes into the control, is checked to arrive on
// it. Tests drive the container from their own thread: every call below is carried out on the main
// thread.
//
//   test_support::StandInContainer container;
//   container.loadPage(html, ".");
//   ASSERT_TRUE(container.pumpUntil([&] { return container.hasConsoleLine("loaded"); }, 5s));
//   EXPECT_EQ("V2.28", container.evaluate("player.Version").text);
//   container.shutdownControl();
//   EXPECT_EQ(0u, container.liveObjectCount());
//   EXPECT_TRUE(container.faults().empty());
#pragma once

#include "platform/com/class_factory.h"
#include "tests/support/activex_container/container_session.h"
#include "tests/support/page_engine/browser_faults.h"
#include "tests/support/page_engine/browser_main_thread.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

class StandInContainer {
public:
    StandInContainer();
    // Shuts the control down, drops the page, then ends the main thread.
    ~StandInContainer();
    StandInContainer(const StandInContainer&) = delete;
    StandInContainer& operator=(const StandInContainer&) = delete;

    // Makes the page's control through this class object (the library's DllGetClassObject, e.g. of
    // npVeltrin.so loaded with ComServerLibrary) instead of the binding's parts linked in. Before a
    // page is loaded.
    void useClassObject(LPFNGETCLASSOBJECT getClassObject);
    // That control also gets its site through IObjectWithSite, before or after its <param>s, as
    // some containers give it. Before a page is loaded.
    void giveObjectSite(ObjectWithSite when);
    // Such a control is activated through IOleObject alone, as by a container without quick
    // activation. Before a page is loaded.
    void withoutQuickActivation();

    // Throws PageError for a page it cannot read and std::runtime_error for a control it cannot make.
    void loadPageFile(const std::filesystem::path& file);
    void loadPage(std::string_view html, const std::filesystem::path& baseDirectory);

    // Lets the main thread work until the condition holds (checked on the main thread) or the time
    // is up; answers whether it held.
    bool pumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

    ScriptResult evaluate(const std::string& script);
    std::vector<std::string> consoleLines();
    bool hasConsoleLine(const std::string& line);
    HWND pluginWindow();

    // The connection point of the control's events: a script object (the expression's value) as a
    // sink, and its removal.
    HRESULT advise(const std::string& sinkExpression, DWORD& cookie);
    HRESULT unadvise(DWORD cookie);

    void shutdownControl();
    size_t liveObjectCount();
    std::vector<std::string> faults() const { return faults_.all(); }

    // Anything else a test needs of the container, run on its main thread.
    template <typename Work>
    auto onMainThread(Work&& work) {
        return mainThread_.run([this, &work] { return work(*session_); });
    }

private:
    BrowserFaults faults_;
    std::unique_ptr<ContainerSession> session_;  // made, used and destroyed on the main thread
    BrowserMainThread mainThread_;
};

}  // namespace test_support
