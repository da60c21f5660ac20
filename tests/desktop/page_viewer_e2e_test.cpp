// The page viewer opens local pages only: QtWebKit is no longer maintained and the plug-in is
// native code, so a page that leads elsewhere is refused with a message, and so is a page named
// by another scheme on the command line, and so is every connection a page asks the engine to open
// itself. Its time limit and end condition count from its start, so that an unattended run of a
// page that never finishes loading still ends.
#include "tests/desktop/viewer_run.h"
#include "tests/support/loopback_device_peer.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <string>
#include <vector>

using namespace desktop_test;

namespace {

TEST(PageViewer, RefusesToLeaveLocalPages) {
    ViewerRun run(testPage("leads_elsewhere.html"), "",
                  {"--until", "window.tried", "--time", "10", "--eval", "document.title"});
    EXPECT_EQ("leads elsewhere", run.valueAfter("eval: "));
    EXPECT_EQ(0, run.finish());
    EXPECT_TRUE(run.said("page_viewer: refused http://127.0.0.1:9/elsewhere.html: the viewer opens local pages only"));
}

// A WebSocket and a media stream to a server on loopback, and a WebSocket to a host by name: none
// reaches anything, and each refusal is said.
TEST(PageViewer, OpensNoConnectionAPageAsksTheEngineFor) {
    test_support::LoopbackDevicePeer server;  // a TCP service on loopback, as any other
    const std::string port = std::to_string(server.port());
    ViewerRun run(testPage("reaches_out.html"), port, {"--until", "window.tried", "--time", "15"});
    EXPECT_EQ(0, run.finish()) << run.transcript();
    EXPECT_TRUE(server.noConnectionWithin(std::chrono::milliseconds(0))) << run.transcript();
    EXPECT_TRUE(run.said("console: loopback socket closed")) << run.transcript();
    EXPECT_TRUE(run.said("console: named socket closed")) << run.transcript();
    EXPECT_FALSE(run.said("console: loopback socket open"));
    EXPECT_TRUE(run.said("page_viewer: refused 127.0.0.1:" + port + ": the viewer opens local pages only"));
    EXPECT_TRUE(run.said("page_viewer: refused camera.example:" + port + ": the viewer opens local pages only"));
}

// The page waits for ever for a file on another host; each way of ending an unattended run ends it,
// with the final screenshot and verdict taken from what the page shows and says by then.
TEST(PageViewer, EndsAPageThatNeverFinishesLoading) {
    const std::vector<std::vector<std::string>> endings = {
        {"--time", "2", "--verdict", "window.started"},
        {"--until", "window.started", "--time", "600", "--verdict", "window.started"},
    };
    for (const std::vector<std::string>& ending : endings) {
        SCOPED_TRACE(ending[0]);
        ViewerRun run(testPage("never_loads.html"), "", ending);
        EXPECT_EQ(0, run.finish()) << run.transcript();
        EXPECT_TRUE(run.said("page_viewer: verdict: true")) << run.transcript();
    }
}

TEST(PageViewer, TakesNoPageButALocalOne) {
    test_support::LoopbackCameraProgram viewer({"http://127.0.0.1:9/page.html"}, "page_viewer");
    EXPECT_EQ("", viewer.ReadLine());  // it ends at once, opening no window
    const int status = viewer.Terminate();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(2, WEXITSTATUS(status));
}

}  // namespace
