// Page script in the stand-in ActiveX container drives the camera's scripting object through
// GetDispID and InvokeEx: methods and properties, errors with EXCEPINFO and "getLastException",
// handlers attached with "attachEvent" and a connection-point sink hearing the camera's events, and
// page objects the plug-in calls from a worker thread, marshalled to the main thread.
#include "host/plugin_core.h"
#include "platform/window/win_input_testing.h"
#include "scripting/jsapi_impl.h"
#include "tests/activex/support/container_page.h"

#include <future>
#include <thread>

using namespace std::chrono_literals;

namespace {

using activex_test::ContainerPageTest;

void click(HWND window, int x, int y) {
    platform::testing::advanceInputClock(1000);
    platform::testing::mouseDown(window, platform::testing::MouseButton::Left, x, y);
    platform::testing::mouseUp(window, platform::testing::MouseButton::Left, x, y);
}

TEST_F(ContainerPageTest, PageScriptCallsMethodsAndPropertiesThroughDispatchIds) {
    load();
    EXPECT_EQ("V2.28", eval("player.Version"));
    EXPECT_EQ("function", eval("typeof player.SetAreaHideFlag"));
    EXPECT_EQ("true", eval("'SetAreaHideFlag' in player"));
    EXPECT_EQ("no error", errorOf("player.SetAreaHideFlag(1, 0)"));
    // A method kept and called on its own runs through the function object itself.
    EXPECT_EQ("no error", errorOf("var hide = player.SetAreaHideFlag; hide(1, 0)"));
    eval("player.marker = 'kept \\u4e2d'");
    EXPECT_EQ("kept \xe4\xb8\xad", eval("player.marker"));
    EXPECT_EQ("true", eval("Object.getOwnPropertyNames(player).indexOf('getLastException') >= 0"));
}

TEST_F(ContainerPageTest, ScriptErrorsArriveWithExcepInfoAndAsTheLastException) {
    load();
    const std::string exception = "-2147352567";  // DISP_E_EXCEPTION
    const std::string readOnly = "Cannot set read-only property Version";
    EXPECT_EQ(readOnly + "|" + readOnly + "|application/x-veltrin|" + exception, errorOf("player.Version = 'V9'"));
    EXPECT_EQ(readOnly, eval("player.getLastException()"));
    EXPECT_EQ("Invalid Arguments|Invalid Arguments|application/x-veltrin|" + exception,
              errorOf("player.attachEvent('onalarm')"));
    EXPECT_EQ("Invalid Arguments", eval("player.getLastException()"));
    const std::string argumentError = errorOf("player.SetAreaHideFlag(1)");
    EXPECT_NE("no error", argumentError);
    EXPECT_EQ(argumentError.substr(0, argumentError.find('|')), eval("player.getLastException()"));
}

// A click in the plug-in window fires "ononMouseDownScreen" once a view exists.
TEST_F(ContainerPageTest, AttachedHandlersHearTheCamerasEventsUntilDetached) {
    load(R"(var heard = [];
function onDown(windowIndex, kind) { heard.push(windowIndex + ':' + kind); }
player.SetFunction(0);
player.attachEvent('ononMouseDownScreen', onDown);)");
    const HWND window = container.pluginWindow();
    click(window, 10, 10);
    ASSERT_TRUE(container.pumpUntil([&] { return eval("heard.length") == "1"; }, 5s));
    EXPECT_EQ("0:0", eval("heard[0]"));

    eval("player.detachEvent('ononMouseDownScreen', onDown)");
    click(window, 10, 10);
    container.pumpUntil([] { return false; }, 100ms);
    EXPECT_EQ("1", eval("heard.length"));
}

TEST_F(ContainerPageTest, AConnectionPointSinkHearsTheEventsUntilUnadvised) {
    load(R"(var sunk = [];
var sink = { ononMouseDownScreen: function(windowIndex, kind) { sunk.push(windowIndex + ':' + kind); } };
player.SetFunction(0);)");
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, container.advise("sink", cookie));
    const HWND window = container.pluginWindow();
    click(window, 20, 20);
    ASSERT_TRUE(container.pumpUntil([&] { return eval("sunk.length") == "1"; }, 5s));
    EXPECT_EQ("0:0", eval("sunk[0]"));

    EXPECT_EQ(S_OK, container.unadvise(cookie));
    click(window, 20, 20);
    container.pumpUntil([] { return false; }, 100ms);
    EXPECT_EQ("1", eval("sunk.length"));
}

// The plug-in may call page objects from any thread: each call is carried out on the main thread
// while the caller waits (the container records any call that arrives elsewhere), and events fired
// there reach the page's handlers on the main thread.
TEST_F(ContainerPageTest, PageObjectsCalledFromAWorkerThreadAreMarshalled) {
    load(R"(var recorded = [];
function record(a, b) { recorded.push(a + ':' + b); return a * 2; }
function refuse() { throw new Error('refused by the page'); }
var heard = [];
player.attachEvent('onalarm', function(text) { heard.push(text); });)");
    const auto [window, root] = container.onMainThread([](test_support::ContainerSession& session) {
        return std::make_pair(session.control()->host()->windowObject()->getJSObject(),
                              session.control()->plugin()->rootScriptingObject());
    });
    auto worker = std::async(std::launch::async, [window = window, root = root] {
        std::string answers = window->Invoke("record", FB::VariantList{21, "worker"}).convertTo<std::string>();
        answers +=
            "|" + window->GetProperty("recorded").convertTo<FB::JSObjectPtr>()->GetProperty(0).convertTo<std::string>();
        try {
            window->Invoke("refuse", FB::VariantList{});
        } catch (const FB::script_error& error) {
            answers += std::string("|") + error.what();
        }
        window->SetProperty("fromWorker", FB::variant(FB::VariantMap{{"b", 2}, {"a", 1}}));
        const FB::JSObjectPtr written = window->GetProperty("fromWorker").convertTo<FB::JSObjectPtr>();
        std::vector<std::string> names;
        written->listMemberNames(names);
        answers += "|" + std::to_string(written->countMembers()) + ":" + names.at(0) + names.at(1);
        answers += window->HasProperty("fromWorker") && !window->HasMethod("fromWorker") ? "|property" : "|method";
        written->RemoveProperty("a");
        std::static_pointer_cast<FB::JSAPIImpl>(root)->fireNamedEvent("onalarm", FB::VariantList{"from a worker"});
        return answers;
    });
    EXPECT_EQ("42|21:worker|Method invoke failed|2:ab|property", worker.get());
    EXPECT_EQ("b", eval("Object.keys(fromWorker).join()"));
    ASSERT_TRUE(container.pumpUntil([&] { return eval("heard.join()") == "from a worker"; }, 5s));
}

}  // namespace
