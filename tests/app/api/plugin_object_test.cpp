// The plug-in object and its factory: one scripting object per plug-in, the event map, and the
// window handed on to the scripting object and its view.
#include "app/api/plugin_factory.h"
#include "app/api/veltrin.h"
#include "app/player/video_player.h"
#include "host/events/lifecycle_events.h"
#include "host/events/window_events.h"
#include "host/events/windows_event.h"
#include "tests/app/support/machine_test.h"
#include "tests/app/support/plugin_instance.h"

#include <gtest/gtest.h>

namespace {

using test_support::PluginInstance;

class PluginObject : public test_support::MachineTest {};

TEST_F(PluginObject, TheProcessHasOneFactoryWhichMakesAVeltrinForAnyMimeType) {
    const FB::FactoryBasePtr factory = sharedFactory();
    EXPECT_EQ(sharedFactory(), factory);
    EXPECT_NE(std::dynamic_pointer_cast<PluginFactory>(factory), nullptr);
    for (const char* mime : {"application/x-veltrin", "", "text/plain"}) {
        EXPECT_NE(std::dynamic_pointer_cast<Veltrin>(factory->makePluginObject(mime)), nullptr) << mime;
    }
    EXPECT_EQ(FB::FactoryBase::pluginNameText("application/x-veltrin"), "Veltrin_");
}

TEST_F(PluginObject, AWindowAttachedFirstMakesTheScriptingObjectWhichStaysTheSame) {
    PluginInstance page;  // attaches its window before asking for the scripting object
    EXPECT_EQ(page.api->pluginWindow(), page.window.get());
    EXPECT_EQ(page.plugin->rootScriptingObject(), page.api);
    EXPECT_EQ(std::static_pointer_cast<Veltrin>(page.plugin)->makeScriptingObject(), page.api);
    EXPECT_FALSE(page.plugin->answersWindowless());
    // A view made later gets the stored window; detaching takes it from both.
    page.Invoke("SetFunction", 0);
    EXPECT_EQ(page.view()->window(), page.window.get());
    page.plugin->ClearWindow();
    EXPECT_EQ(page.api->pluginWindow(), nullptr);
    EXPECT_EQ(page.view()->window(), nullptr);
}

TEST_F(PluginObject, OnlyWindowEventsFromAPluginWindowAreHandled) {
    PluginInstance page;
    page.Invoke("SetFunction", 0);
    FB::ResizedEvent resized;
    EXPECT_FALSE(page.plugin->handleEvent(&resized, page.window.get()));
    FB::AttachedEvent attached;
    struct NotAWindow : FB::PluginEventSource {
    } stream;
    EXPECT_FALSE(page.plugin->handleEvent(&attached, &stream));
    // A raw message gets the view's answer: a restart request is acted on only with auto-restart.
    LRESULT result = 0;
    FB::WindowsEvent restart(page.pluginWindow(), kViewRestartMessage, 0, 0, result);
    EXPECT_FALSE(page.plugin->handleEvent(&restart, page.window.get()));
    page.view()->SetAutoRestart(true);
    EXPECT_TRUE(page.plugin->handleEvent(&restart, page.window.get()));
}

TEST_F(PluginObject, APageHoldingTheScriptingObjectLongerThanThePluginLeavesItsViewWithoutAWindow) {
    std::shared_ptr<VeltrinAPI> kept;
    {
        PluginInstance page;
        page.Invoke("SetFunction", 0);
        kept = page.api;
        page.api.reset();
        page.plugin.reset();  // the binding drops the plug-in without clearing its window first
    }
    EXPECT_EQ(kept->pluginWindow(), nullptr);
    EXPECT_EQ(kept->view()->window(), nullptr);
    EXPECT_EQ(kept->Invoke("StartPlay", {}).convertTo<int>(), -1);
}

}  // namespace
