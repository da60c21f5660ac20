// The plug-in going away while it plays, in the real browser engine: a page that takes the
// plug-in's element out, and a viewer that closes. Either way the plug-in's stop path runs (its
// stream and its device link end) and no thread of it is left; nothing crashes.
#include "tests/desktop/loopback_camera_set.h"
#include "tests/desktop/viewer_run.h"
#include "tests/support/scoped_machine_folders.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;
using namespace desktop_test;
using ::testing::IsEmpty;

namespace {

bool sessionsEnd(test_support::LoopbackRtspCamera& camera, std::chrono::milliseconds within) {
    for (const auto until = std::chrono::steady_clock::now() + within; std::chrono::steady_clock::now() < until;
         std::this_thread::sleep_for(50ms)) {
        if (camera.LiveSessions() == 0) return true;
    }
    return false;
}

TEST(PluginTeardown, RemovingThePluginElementWhilePlayingEndsItsStreamAndDeviceLink) {
    test_support::ScopedMachineFolders machine;
    LoopbackCameraSet camera("127.0.0.63");
    const std::vector<std::string>& baseline = baselineThreads();
    ViewerRun run(testPage("remove_while_playing.html"),
                  "url=" + queryValue(camera.url()) + "&device=" + queryValue(camera.deviceAddress()),
                  {"--until", "window.done", "--time", "30", "--verdict", "window.done", "--list-threads"});
    ASSERT_EQ("0", run.valueAfter("console: started: ")) << run.transcript();
    ASSERT_TRUE(run.waitFor("console: removed")) << run.transcript();
    // While the page goes on without it.
    EXPECT_TRUE(camera.deviceTold("device link: stop word received", 5s));
    EXPECT_TRUE(sessionsEnd(camera.camera(), 5s));
    EXPECT_EQ(0, run.finish());
    EXPECT_THAT(threadsBeyond(run.linesAfter("page_viewer: thread left: "), baseline), IsEmpty());
}

TEST(PluginTeardown, ClosingTheViewerWhilePlayingEndsEverythingOfThePlugin) {
    test_support::ScopedMachineFolders machine;
    LoopbackCameraSet camera("127.0.0.64");
    const std::vector<std::string>& baseline = baselineThreads();
    ViewerRun run(examplePage(), "url=" + queryValue(camera.url()) + "&device=" + queryValue(camera.deviceAddress()),
                  {"--until", "session.alarms > 0", "--time", "30", "--list-threads"});
    ASSERT_TRUE(run.waitFor("console: alarm: ")) << run.transcript();
    EXPECT_EQ(0, run.finish());
    EXPECT_TRUE(run.said("page_viewer: closing"));
    EXPECT_TRUE(camera.deviceTold("device link: stop word received", 5s));
    EXPECT_TRUE(sessionsEnd(camera.camera(), 5s));
    EXPECT_THAT(threadsBeyond(run.linesAfter("page_viewer: thread left: "), baseline), IsEmpty());
}

}  // namespace
