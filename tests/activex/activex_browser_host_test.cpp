// The ActiveX browser host in the stand-in container: script run in the page's window, navigation
// through the web browser, the page's element, page objects a worker thread lets go of released on
// the main thread, the page let go while the control is inactive, and posting once shut down.
#include "activex/idispatch_api.h"
#include "scripting/script_error.h"
#include "tests/activex/support/container_page.h"
#include "tests/activex/support/dispatch_calls.h"
#include "tests/scripting/error_expectations.h"
#include "tests/scripting/test_api.h"

#include <new>
#include <thread>

namespace {

using activex_test::ContainerPageTest;
using FB::ActiveX::ActiveXBrowserHost;
using FB::testing::errorText;
using test_support::ContainerSession;

ActiveXBrowserHost& hostOf(ContainerSession& session) { return *session.control()->host(); }

TEST_F(ContainerPageTest, HostRunsScriptInThePageAndNavigatesThroughTheBrowser) {
    load();
    const std::string failure = container.onMainThread([](ContainerSession& session) {
        ActiveXBrowserHost& host = hostOf(session);
        host.runScriptText("var ran = '\xe4\xb8\xad' + (1 + 1);");
        host.navigate("http://camera.invalid/page", "_blank");
        return errorText<FB::script_error>([&] { host.runScriptText("this is not script"); });
    });
    EXPECT_EQ("Error executing JavaScript code", failure);
    EXPECT_EQ(
        "\xe4\xb8\xad"
        "2",
        eval("ran"));
    EXPECT_TRUE(container.hasConsoleLine("navigate: http://camera.invalid/page in _blank"));
}

TEST_F(ContainerPageTest, WhileSuspendedTheHostHasNoWindowUntilResumed) {
    load();
    const std::string refused = container.onMainThread([](ContainerSession& session) {
        ActiveXBrowserHost& host = hostOf(session);
        host.suspend();
        const std::string text = errorText<FB::script_error>([&] { host.runScriptText("var again = 1;"); });
        const bool windowGone = !host.windowObject() && !host.documentObject();
        host.resume(session.webBrowser(), session.clientSite());
        host.runScriptText("var again = 2;");
        return text + (windowGone ? "|no window" : "|window");
    });
    EXPECT_EQ("Can't execute JavaScript: Window is NULL|no window", refused);
    EXPECT_EQ("2", eval("again"));
}

// The site's element answers the element interfaces: it is the page's element, never taken for
// the plug-in's scripting object, while a proxy over the control's own object is.
TEST_F(ContainerPageTest, TheElementIsThePagesElementAndTheControlsObjectThePlugins) {
    load();
    const std::string found = container.onMainThread([](ContainerSession& session) {
        ActiveXBrowserHost& host = hostOf(session);
        const FB::JSObjectPtr element = host.elementObject()->getJSObject();
        const auto scripting =
            FB::ActiveX::IDispatchAPI::create(session.control()->scriptingObject(), session.control()->host());
        const bool plugin = scripting->scriptingObject() == session.control()->plugin()->rootScriptingObject();
        return element->GetProperty("tagName").convertTo<std::string>() + "|" +
               (element->scriptingObject() ? "plug-in" : "page") + "|" + (plugin ? "plug-in" : "page");
    });
    EXPECT_EQ("OBJECT|page|plug-in", found);
}

TEST_F(ContainerPageTest, APageObjectAWorkerLetsGoOfIsReleasedOnTheMainThread) {
    load("var thing = { name: 'kept' };");
    auto proxy = container.onMainThread([](ContainerSession& session) {
        return hostOf(session).windowObject()->getJSObject()->GetProperty("thing").convertTo<FB::JSObjectPtr>();
    });
    const auto live = [&] {
        return container.onMainThread([](ContainerSession& s) { return s.bridge()->livePageObjects(); });
    };
    const size_t before = live();
    std::thread([moved = std::move(proxy)]() mutable { moved.reset(); }).join();
    EXPECT_EQ(before, live());  // only queued: the container records any release off its main thread
    container.onMainThread([](ContainerSession& session) { return hostOf(session).releaseDeferredObjects(), 0; });
    EXPECT_EQ(before - 1, live());
}

// A host made on this thread: its posted calls run when this thread pumps its messages.
TEST(ActiveXBrowserHost, PostingAfterShutdownFailsAndRunsNothing) {
    const auto host = std::make_shared<ActiveXBrowserHost>(nullptr, nullptr);
    int runs = 0;
    auto count = [](void* data) { ++*static_cast<int*>(data); };
    ASSERT_TRUE(host->postAsyncCall(count, &runs));
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    EXPECT_EQ(1, runs);

    host->shutdown();
    EXPECT_FALSE(host->postAsyncCall(count, &runs));
    EXPECT_FALSE(host->postToMainThread(count, &runs));
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    EXPECT_EQ(1, runs);
    EXPECT_EQ("Can't execute JavaScript: Window is NULL",
              errorText<FB::script_error>([&] { host->runScriptText("1"); }));
}

// The wrapper cache is keyed by the scripting object's address. A scripting object that dies while
// the page still holds its COM object, followed by a new one at the same address, must get a COM
// object of its own, not the dead one's (which answers nothing).
TEST(ActiveXBrowserHost, AWrapperServesOnlyTheScriptingObjectItWasMadeFor) {
    using FB::testing::TestApi;
    const auto host = std::make_shared<ActiveXBrowserHost>(nullptr, nullptr);
    alignas(TestApi) static unsigned char place[sizeof(TestApi)];
    const auto inPlace = [] {
        return std::shared_ptr<TestApi>(new (place) TestApi, [](TestApi* api) { api->~TestApi(); });
    };
    auto first = inPlace();
    const auto kept = activex_test::ComPtr<IDispatchEx>::adopt(host->getJSAPIWrapper(first, false));
    first.reset();
    const auto second = inPlace();
    ASSERT_EQ(static_cast<void*>(place), static_cast<void*>(second.get()));
    const auto fresh = activex_test::ComPtr<IDispatchEx>::adopt(host->getJSAPIWrapper(second, false));
    EXPECT_NE(kept.get(), fresh.get());
    activex_test::ScopedVariant result;
    EXPECT_EQ(S_OK, activex_test::invoke(fresh.get(), activex_test::idOf(fresh.get(), L"Add"), DISPATCH_METHOD,
                                         {activex_test::intVariant(1), activex_test::intVariant(2)}, result.get()));
    EXPECT_EQ(3, result.get()->lVal);
    const auto again = activex_test::ComPtr<IDispatchEx>::adopt(host->getJSAPIWrapper(second, false));
    EXPECT_EQ(fresh.get(), again.get());
    host->shutdown();
}

}  // namespace
