// Plug-in instances through the NPP callbacks: creation with <param> values, the page's "onload",
// the scriptable object, windows, the host variant and teardown.
#include "host/plugin_window_win.h"
#include "npapi/np_javascript_object.h"
#include "npapi/npapi_browser_host_async_win.h"
#include "npapi/npp_callbacks.h"
#include "npapi/npp_callbacks_testing.h"
#include "platform/window/win_window.h"
#include "tests/npapi/support/plugin_instance.h"

#include <gtest/gtest.h>

namespace {

using namespace npapi_test;

constexpr int kPageObjects = 3;  // the test browser's window, document and element

HWND makeWindow() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &DefWindowProcW;
    windowClass.lpszClassName = L"NpapiTestWindow";
    RegisterClassExW(&windowClass);
    return CreateWindowExW(0, L"NpapiTestWindow", L"", WS_POPUP, 0, 0, 320, 240, nullptr, nullptr, nullptr, nullptr);
}

NPWindow windowOf(HWND hwnd) {
    NPWindow window{};
    window.window = hwnd;
    window.width = 320;
    window.height = 240;
    window.type = NPWindowTypeWindow;
    return window;
}

// The entry points, without an instance yet.
NPPluginFuncs startPlugin(TestBrowser& browser) {
    NPPluginFuncs funcs{};
    funcs.size = sizeof(funcs);
    NP_GetEntryPoints(&funcs);
    NP_Initialize(&browser.funcs);
    return funcs;
}

TEST(InstanceLifecycle, ParamsReachTheCoreAndOnloadGetsTheScriptableObject) {
    TestBrowser browser;
    NPObject* loaded = nullptr;
    PageObject* onload = browser.makeFunction([&](const std::vector<NPVariant>& args, NPVariant*) {
        if (args.size() == 1 && NPVARIANT_IS_OBJECT(args[0])) loaded = NPVARIANT_TO_OBJECT(args[0]);
        return true;
    });
    browser.setProperty(browser.window, "pageLoaded", objectVariant(onload));
    browser.release(onload);
    const int pageObjects = browser.liveObjects() + 1;  // and the call relay the host installs
    {
        PluginInstance instance(browser, {{"onload", "pageLoaded"}, {"color", "red"}});
        ASSERT_EQ(NPERR_NO_ERROR, instance.created);
        EXPECT_EQ("red", instance.core().paramValue("color").value_or(""));
        EXPECT_TRUE(instance.plugin()->isReady());
        EXPECT_EQ(nullptr, loaded);  // from a page timer, not inside NPP_New
        NPObject* scriptable = instance.scriptable();
        browser.runTimers();
        EXPECT_EQ(scriptable, loaded);
        EXPECT_EQ(2u, scriptable->referenceCount);  // the plug-in's own and this one
        browser.release(scriptable);
    }
    EXPECT_EQ(pageObjects, browser.liveObjects());
    EXPECT_EQ(0, TestPluginCore::liveCores);
}

TEST(InstanceLifecycle, AParamWithoutValueIsLeftOut) {
    TestBrowser browser;
    const NPPluginFuncs funcs = startPlugin(browser);
    char name[] = "color";
    char other[] = "size";
    char value[] = "10";
    char* argn[] = {name, other};
    char* argv[] = {nullptr, value};
    char type[] = "application/x-veltrin";
    ASSERT_EQ(NPERR_NO_ERROR, funcs.newp(type, &browser.instance, NP_EMBED, 2, argn, argv, nullptr));
    auto& core = static_cast<TestPluginCore&>(*FB::Npapi::getPlugin(&browser.instance)->pluginCore());
    EXPECT_FALSE(core.paramValue("color").has_value());
    EXPECT_EQ("10", core.paramValue("size").value_or(""));
    funcs.destroy(&browser.instance, nullptr);
    NP_Shutdown();
}

TEST(InstanceLifecycle, RefusedCreationsLeaveNothingBehind) {
    TestBrowser browser;
    const NPPluginFuncs funcs = startPlugin(browser);
    char type[] = "application/x-veltrin";
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, funcs.newp(type, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr));

    testFactory()->yieldNothing = true;
    EXPECT_EQ(NPERR_OUT_OF_MEMORY_ERROR, funcs.newp(type, &browser.instance, NP_EMBED, 0, nullptr, nullptr, nullptr));
    testFactory()->yieldNothing = false;
    EXPECT_EQ(nullptr, browser.instance.pdata);
    EXPECT_EQ(kPageObjects, browser.liveObjects());
    NP_Shutdown();
}

TEST(InstanceLifecycle, CallbacksWithoutAnInstanceAnswerTheirErrors) {
    NPStream stream{};
    uint16_t stype = 0;
    NPP_t empty{};
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, FB::Npapi::NPP_Destroy(&empty, nullptr));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, FB::Npapi::NPP_SetWindow(nullptr, nullptr));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, FB::Npapi::NPP_NewStream(&empty, nullptr, &stream, 0, &stype));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, FB::Npapi::NPP_WriteReady(&empty, &stream));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, FB::Npapi::NPP_SetValue(&empty, NPNVnetscapeWindow, nullptr));
    EXPECT_EQ(0, FB::Npapi::NPP_HandleEvent(&empty, nullptr));

    const char* name = nullptr;
    EXPECT_EQ(NPERR_NO_ERROR, FB::Npapi::NPP_GetValue(nullptr, NPPVpluginNameString, &name));
    EXPECT_STREQ(FB::FactoryBase::pluginNameText("").c_str(), name);
    NPObject* object = nullptr;
    EXPECT_EQ(NPERR_GENERIC_ERROR, FB::Npapi::NPP_GetValue(nullptr, NPPVpluginScriptableNPObject, &object));
}

TEST(InstanceLifecycle, EveryRequestForTheScriptableObjectHandsOutOneMoreReference) {
    TestBrowser browser;
    PluginInstance instance(browser);
    NPObject* first = instance.scriptable();
    const uint32_t count = first->referenceCount;
    NPObject* second = instance.scriptable();
    EXPECT_EQ(first, second);
    EXPECT_EQ(count + 1, second->referenceCount);
    browser.release(first);
    browser.release(second);
    instance.destroy();
    EXPECT_EQ(kPageObjects, browser.liveObjects());
}

TEST(InstanceLifecycle, WindowsAreWrappedOnceReplacedWhenTheyChangeAndCleared) {
    TestBrowser browser;
    PluginInstance instance(browser);
    const HWND first = makeWindow();
    const HWND second = makeWindow();
    NPWindow window = windowOf(first);
    auto& core = instance.core();

    EXPECT_EQ(NPERR_NO_ERROR, instance.pluginFuncs.setwindow(&browser.instance, &window));
    EXPECT_EQ(NPERR_NO_ERROR, instance.pluginFuncs.setwindow(&browser.instance, &window));
    EXPECT_EQ((std::vector<std::string>{"attached"}), core.windowEvents);
    EXPECT_EQ(first, core.getWindow()->getHWND());

    window.window = second;
    instance.pluginFuncs.setwindow(&browser.instance, &window);
    EXPECT_EQ((std::vector<std::string>{"attached", "detached", "attached"}), core.windowEvents);
    EXPECT_EQ(second, core.getWindow()->getHWND());

    window.window = nullptr;
    instance.pluginFuncs.setwindow(&browser.instance, &window);
    EXPECT_EQ(nullptr, core.getWindow());
    EXPECT_EQ(4u, core.windowEvents.size());

    NPEvent paint{WM_PAINT, 0, 0};
    EXPECT_EQ(0, instance.pluginFuncs.event(&browser.instance, &paint));
    DestroyWindow(first);
    DestroyWindow(second);
}

TEST(InstanceLifecycle, AWindowHandleThatNamesNoWindowIsRefused) {
    TestBrowser browser;
    PluginInstance instance(browser);
    const HWND gone = makeWindow();
    DestroyWindow(gone);
    NPWindow window = windowOf(gone);
    EXPECT_EQ(NPERR_INVALID_PARAM, instance.pluginFuncs.setwindow(&browser.instance, &window));
    EXPECT_EQ(nullptr, instance.core().getWindow());
}

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
    EXPECT_EQ((std::vector<std::string>{"attached"}), core.windowEvents);
    window.width = 120;
    instance.pluginFuncs.setwindow(&browser.instance, &window);
    EXPECT_EQ("resized", core.windowEvents.back());

    NPEvent paint{WM_PAINT, 0, 0};
    EXPECT_EQ(1, instance.pluginFuncs.event(&browser.instance, &paint));
    EXPECT_EQ("refresh", core.windowEvents.back());

    core.getWindow()->repaintWindow();
    ASSERT_EQ(1u, browser.invalidated.size());
    EXPECT_EQ(50, browser.invalidated[0].bottom);
    EXPECT_EQ(120, browser.invalidated[0].right);
}

// The host variant is decided once per process; each of these tests starts it afresh.
class HostVariant : public ::testing::Test {
protected:
    void SetUp() override { FB::Npapi::testing::forgetHostVariant(); }
};

TEST_F(HostVariant, ASafariUserAgentGivesEveryLaterInstanceTheMessageWindowHost) {
    TestBrowser browser;
    browser.userAgent = "Mozilla/5.0 AppleWebKit/605 Safari/605";
    PluginInstance instance(browser);
    EXPECT_NE(nullptr, std::dynamic_pointer_cast<FB::Npapi::NpapiBrowserHostAsyncWin>(instance.host()));
    instance.destroy();
    browser.userAgent = "Firefox";
    PluginInstance later(browser);
    EXPECT_NE(nullptr, std::dynamic_pointer_cast<FB::Npapi::NpapiBrowserHostAsyncWin>(later.host()));
}

TEST_F(HostVariant, ATableOlderThanVersion19GivesTheMessageWindowHost) {
    TestBrowser browser(18);
    PluginInstance instance(browser);
    EXPECT_NE(nullptr, std::dynamic_pointer_cast<FB::Npapi::NpapiBrowserHostAsyncWin>(instance.host()));
}

TEST_F(HostVariant, AnOrdinaryBrowserGetsThePlainHost) {
    TestBrowser browser;
    PluginInstance instance(browser);
    EXPECT_EQ(nullptr, std::dynamic_pointer_cast<FB::Npapi::NpapiBrowserHostAsyncWin>(instance.host()));
}

}  // namespace
