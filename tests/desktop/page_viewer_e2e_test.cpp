// The page viewer opens local pages only: QtWebKit is no longer maintained and the plug-in is
// native code, so a page that leads elsewhere is refused with a message, and so is a page named
// by another scheme on the command line.
#include "tests/desktop/viewer_run.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

using namespace desktop_test;

namespace {

TEST(PageViewer, RefusesToLeaveLocalPages) {
    ViewerRun run(testPage("leads_elsewhere.html"), "",
                  {"--until", "window.tried", "--time", "10", "--eval", "document.title"});
    EXPECT_EQ("leads elsewhere", run.valueAfter("eval: "));
    EXPECT_EQ(0, run.finish());
    EXPECT_TRUE(run.said("page_viewer: refused http://127.0.0.1:9/elsewhere.html: the viewer opens local pages only"));
}

TEST(PageViewer, TakesNoPageButALocalOne) {
    test_support::LoopbackCameraProgram viewer({"http://127.0.0.1:9/page.html"}, "page_viewer");
    EXPECT_EQ("", viewer.ReadLine());  // it ends at once, opening no window
    const int status = viewer.Terminate();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(2, WEXITSTATUS(status));
}

}  // namespace
