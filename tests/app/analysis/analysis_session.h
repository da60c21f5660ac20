// A page with an analytics view playing the loopback camera, driven by the mouse as a user drives
// it: clicks and drags injected into the plug-in's window, popup menus answered by a chooser. The
// window is as large as the camera's picture, so window and picture pixels are the same.
#pragma once

#include "platform/menu/win_menu_testing.h"
#include "platform/window/win_input_testing.h"
#include "tests/app/support/machine_test.h"
#include "tests/app/support/plugin_instance.h"
#include "tests/app/support/recording_renderer.h"
#include "tests/support/loopback_rtsp_camera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace test_support {

using MenuItems = std::vector<std::wstring>;
using Events = std::vector<Args>;

// The JSON text without its layout (no name or text value in these documents holds a space).
inline std::string Compact(std::string text) {
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\n'; }), text.end());
    return text;
}

class AnalysisSession : public MachineTest {
protected:
    AnalysisSession() { camera.Start(); }
    ~AnalysisSession() override {
        platform::testing::setMenuChooser({});
        platform::testing::resetInputState();
    }

    void Open(int function) {
        page.Invoke("SetFunction", function);
        page.Invoke("SetWndIndex", 7);
        page.Invoke("SetRtspUrl", camera.Url());
        ASSERT_EQ(page.Call("StartPlay"), 0);
    }
    void Click(int x, int y) {
        platform::testing::mouseDown(page.pluginWindow(), platform::testing::MouseButton::Left, x, y);
        platform::testing::mouseUp(page.pluginWindow(), platform::testing::MouseButton::Left, x, y);
        platform::testing::pumpPendingMessages();
    }
    void Drag(int fromX, int fromY, int toX, int toY) {
        platform::testing::mouseDown(page.pluginWindow(), platform::testing::MouseButton::Left, fromX, fromY);
        platform::testing::mouseMove(page.pluginWindow(), toX, toY);
        platform::testing::mouseUp(page.pluginWindow(), platform::testing::MouseButton::Left, toX, toY);
        platform::testing::pumpPendingMessages();
    }
    // Right-clicks at the point and picks the item with the text (none: the menu is dismissed);
    // answers the menu's items, a separator as "-".
    MenuItems Menu(int x, int y, const std::wstring& pick = L"") {
        std::vector<platform::testing::MenuRequest> shown;
        platform::testing::setMenuChooser(platform::testing::chooseMenuItem(pick, &shown));
        platform::testing::mouseDown(page.pluginWindow(), platform::testing::MouseButton::Right, x, y);
        platform::testing::mouseUp(page.pluginWindow(), platform::testing::MouseButton::Right, x, y);
        platform::testing::pumpPendingMessages();
        platform::testing::setMenuChooser({});
        MenuItems items;
        if (shown.size() != 1) return {L"<" + std::to_wstring(shown.size()) + L" menus>"};
        for (const auto& item : shown.front().items) items.push_back(item.separator() ? L"-" : item.text);
        return items;
    }
    std::string Save() { return page.Invoke("SaveAnalyseParams").cast<std::string>(); }
    std::string Saved() { return Compact(Save()); }
    // The events of one name fired since the last look.
    Events Fired(const std::string& name) { return page.events->take(name); }

    ScopedRecordingRenderers renderers;
    LoopbackRtspCamera camera;
    PluginInstance page;
};

}  // namespace test_support
