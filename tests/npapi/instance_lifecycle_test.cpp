// Plug-in instances through the NPP callbacks: creation with <param> values, the scriptable object,
// windows and teardown.
#include "host/factory_base.h"
#include "host/plugin_window_win.h"
#include "npapi/npp_callbacks.h"
#include "platform/window/win_window.h"
#include "tests/npapi/support/plugin_instance.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <tuple>

namespace {

using namespace npapi_test;
using Events = std::vector<std::string>;

constexpr int kPageObjects = 3;  // the test browser's window, document and element

// The entry points, without an instance yet.
NPPluginFuncs startPlugin(TestBrowser& browser) {
    NPPluginFuncs funcs{};
    funcs.size = sizeof(funcs);
    NP_GetEntryPoints(&funcs);
    NP_Initialize(&browser.funcs);
    return funcs;
}

// A <param> without a value is left out; every request for the scriptable object hands out one
// more reference.
TEST(InstanceLifecycle, ParamsReachTheCoreAndTheScriptableObjectIsHandedOut) {
    TestBrowser browser;
    const NPPluginFuncs funcs = startPlugin(browser);
    char type[] = "application/x-veltrin", color[] = "color", size[] = "size", ten[] = "10";
    char* argn[] = {color, size};
    char* argv[] = {nullptr, ten};
    ASSERT_EQ(NPERR_NO_ERROR, funcs.newp(type, &browser.instance, NP_EMBED, 2, argn, argv, nullptr));
    {
        const auto core = FB::Npapi::getPlugin(&browser.instance)->pluginCore();
        EXPECT_FALSE(core->paramValue("color").has_value());
        EXPECT_EQ("10", core->paramValue("size").value_or(""));
    }
    NPObject* scriptable[2] = {};
    for (NPObject*& object : scriptable) funcs.getvalue(&browser.instance, NPPVpluginScriptableNPObject, &object);
    EXPECT_EQ(scriptable[0], scriptable[1]);
    EXPECT_EQ(3u, scriptable[0]->referenceCount);  // the plug-in's own and the two handed out
    for (NPObject* object : scriptable) browser.release(object);
    EXPECT_EQ(NPERR_NO_ERROR, funcs.destroy(&browser.instance, nullptr));
    EXPECT_EQ(kPageObjects, browser.liveObjects());
    EXPECT_EQ(0, TestPluginCore::liveCores);
    NP_Shutdown();
}

TEST(InstanceLifecycle, RefusedCreationsAndCallbacksWithoutAnInstanceLeaveNothingBehind) {
    TestBrowser browser;
    const NPPluginFuncs funcs = startPlugin(browser);
    char type[] = "application/x-veltrin";
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, funcs.newp(type, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr));
    testFactory()->yieldNothing = true;
    EXPECT_EQ(NPERR_OUT_OF_MEMORY_ERROR, funcs.newp(type, &browser.instance, NP_EMBED, 0, nullptr, nullptr, nullptr));
    testFactory()->yieldNothing = false;
    EXPECT_EQ(nullptr, browser.instance.pdata);
    EXPECT_EQ(kPageObjects, browser.liveObjects());

    NPStream stream{};
    uint16_t stype = 0;
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, funcs.destroy(&browser.instance, nullptr));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, funcs.setwindow(nullptr, nullptr));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, funcs.newstream(&browser.instance, nullptr, &stream, 0, &stype));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, funcs.writeready(&browser.instance, &stream));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, funcs.setvalue(&browser.instance, NPNVnetscapeWindow, nullptr));
    EXPECT_EQ(0, funcs.event(&browser.instance, nullptr));
    // Browsers ask for the name before any instance exists.
    const char* name = nullptr;
    EXPECT_EQ(NPERR_NO_ERROR, funcs.getvalue(nullptr, NPPVpluginNameString, &name));
    EXPECT_STREQ("Veltrin_", name);
    NPObject* object = nullptr;
    EXPECT_EQ(NPERR_GENERIC_ERROR, funcs.getvalue(nullptr, NPPVpluginScriptableNPObject, &object));
    NP_Shutdown();
}

// An instance answers the name and the description from their own strings; a variable it does not
// know is refused and nothing is written.
TEST(InstanceLifecycle, AnInstanceAnswersItsNameAndDescriptionAndRefusesOtherVariables) {
    TestBrowser browser;
    PluginInstance instance(browser);
    const std::string description = FB::FactoryBase::pluginDescriptionText("application/x-veltrin");
    ASSERT_NE("Veltrin_", description);
    const std::tuple<NPPVariable, NPError, const char*> answers[] = {
        {NPPVpluginNameString, NPERR_NO_ERROR, "Veltrin_"},
        {NPPVpluginDescriptionString, NPERR_NO_ERROR, description.c_str()},
        {NPPVpluginWindowBool, NPERR_GENERIC_ERROR, "untouched"},
        {NPPVpluginTransparentBool, NPERR_GENERIC_ERROR, "untouched"},
    };
    for (const auto& [variable, error, text] : answers) {
        const char* value = "untouched";
        EXPECT_EQ(error, instance.pluginFuncs.getvalue(&browser.instance, variable, &value)) << variable;
        EXPECT_STREQ(text, value) << variable;
    }
}

HWND makeWindow() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &DefWindowProcW;
    windowClass.lpszClassName = L"NpapiTestWindow";
    RegisterClassExW(&windowClass);
    return CreateWindowExW(0, L"NpapiTestWindow", L"", WS_POPUP, 0, 0, 320, 240, nullptr, nullptr, nullptr, nullptr);
}

TEST(InstanceLifecycle, WindowsAreWrappedOnceReplacedWhenTheyChangeAndCleared) {
    TestBrowser browser;
    PluginInstance instance(browser);
    const HWND first = makeWindow(), second = makeWindow(), gone = makeWindow();
    DestroyWindow(gone);
    auto setWindow = [&](HWND hwnd) {
        NPWindow window{};
        window.window = hwnd;
        window.type = NPWindowTypeWindow;
        return instance.pluginFuncs.setwindow(&browser.instance, &window);
    };
    auto& core = instance.core();
    EXPECT_EQ(NPERR_INVALID_PARAM, setWindow(gone));
    EXPECT_EQ(nullptr, core.getWindow());
    EXPECT_EQ(NPERR_NO_ERROR, setWindow(first));
    EXPECT_EQ(NPERR_NO_ERROR, setWindow(first));
    EXPECT_EQ(Events{"attached"}, core.windowEvents);
    EXPECT_EQ(first, core.getWindow()->getHWND());
    setWindow(second);
    EXPECT_EQ((Events{"attached", "detached", "attached"}), core.windowEvents);
    EXPECT_EQ(second, core.getWindow()->getHWND());
    NPEvent paint{WM_PAINT, 0, 0};
    EXPECT_EQ(0, instance.pluginFuncs.event(&browser.instance, &paint));  // a windowed one paints itself
    setWindow(nullptr);
    EXPECT_EQ(nullptr, core.getWindow());
    EXPECT_EQ(4u, core.windowEvents.size());
    DestroyWindow(first);
    DestroyWindow(second);
}

// A repaint asked for on another thread reaches the browser from the main thread.
TEST(InstanceLifecycle, AWindowlessInstanceIsPlacedDrawnAndRepainted) {
    TestBrowser browser;
    PluginInstance instance(browser, {{"windowless", "true"}});
    EXPECT_EQ(1u, browser.setValues.count(NPPVpluginTransparentBool));
    NPWindow window{};
    window.type = NPWindowTypeDrawable;
    window.x = 10;
    window.y = 20;
    window.width = 100;
    window.height = 50;
    instance.pluginFuncs.setwindow(&browser.instance, &window);
    auto& core = instance.core();
    window.width = 120;
    instance.pluginFuncs.setwindow(&browser.instance, &window);
    EXPECT_EQ((Events{"attached", "resized"}), core.windowEvents);

    NPEvent paint{WM_PAINT, 0, 0};
    EXPECT_EQ(1, instance.pluginFuncs.event(&browser.instance, &paint));
    EXPECT_EQ("refresh", core.windowEvents.back());

    // Any other message goes to the core: its answer when it handles it (one too wide for the
    // browser's 16 bits still says handled), 0 when it does not.
    core.windowsAnswers = {{WM_KEYDOWN, 7}, {WM_USER + 3, 100000}};
    const std::pair<NPEvent, int16_t> events[] = {
        {{WM_KEYDOWN, 'A', 0}, 7}, {{WM_USER + 3, 0, 0}, 1}, {{WM_CHAR, 'a', 0}, 0}};
    for (auto [event, answer] : events) {
        EXPECT_EQ(answer, instance.pluginFuncs.event(&browser.instance, &event)) << event.event;
    }

    core.getWindow()->repaintWindow();
    ASSERT_EQ(1u, browser.invalidated.size());
    EXPECT_EQ(50, browser.invalidated[0].bottom);
    EXPECT_EQ(120, browser.invalidated[0].right);
    std::thread([&] { core.getWindow()->repaintWindow(); }).join();
    EXPECT_EQ(1u, browser.invalidated.size());
    browser.runAsyncCalls();
    ASSERT_EQ(2u, browser.invalidated.size());
    EXPECT_EQ(120, browser.invalidated[1].right);
    EXPECT_FALSE(browser.calledOffMainThread());
}

}  // namespace
