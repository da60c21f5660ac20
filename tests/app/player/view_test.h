// The fixture of the camera view's unit tests: a view over a real plug-in window, with recording
// renderers, and no camera.
#pragma once

#include "app/util/file_logger.h"
#include "host/events/windows_event.h"
#include "host/plugin_window_win.h"
#include "tests/app/support/machine_test.h"
#include "tests/app/support/recording_renderer.h"
#include "tests/app/support/test_windows.h"
#include "tests/app/support/view_under_test.h"

#include <memory>

namespace test_support {

class ViewTest : public MachineTest {
protected:
    explicit ViewTest(int windowWidth = 320, int windowHeight = 240) : windows(windowWidth, windowHeight) {}
    ~ViewTest() override { view.reset(); }

    // Takes every message of the kind waiting for the plug-in window; answers how many there were.
    int TakePosted(UINT message) {
        MSG msg{};
        int count = 0;
        while (PeekMessageW(&msg, windows.plugin(), message, message, PM_REMOVE)) ++count;
        return count;
    }
    // Hands the view a window message as its window does.
    bool Send(UINT message) {
        LRESULT result = 0;
        FB::WindowsEvent event(windows.plugin(), message, 0, 0, result);
        return view->onWindowsEvent(&event, window.get());
    }

    // The scripting object holds the log open for its views; here the test does.
    struct LogUser {
        LogUser() { FileLogger::Init(); }
        ~LogUser() { FileLogger::Release(); }
    } logUser;
    ScopedRecordingRenderers renderers;
    BrowserWindows windows;
    std::unique_ptr<FB::PluginWindowWin> window =
        std::make_unique<FB::PluginWindowWin>(FB::WindowContextWindowed(windows.plugin()));
    std::unique_ptr<ViewUnderTest> view = std::make_unique<ViewUnderTest>(window.get());
};

}  // namespace test_support
