// Two plug-in instances on one page, each playing a camera of its own: two windows in the
// platform stand-in, two pictures painted into their own rectangles of the page.
#include "tests/desktop/loopback_camera_set.h"
#include "tests/desktop/page_pixels.h"
#include "tests/desktop/viewer_run.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

using namespace desktop_test;

namespace {

TEST(TwoInstances, PlayTwoCamerasInTheirOwnRectangles) {
    test_support::ScopedMachineFolders machine;
    machine.linkChineseFont();
    test_support::ScopedTempDir output;
    LoopbackCameraSet first("127.0.0.65");
    test_support::LoopbackRtspCameraOptions larger;
    larger.width = 640;
    larger.height = 480;
    LoopbackCameraSet second("127.0.0.66", larger);
    const std::filesystem::path shot = output.path() / "page.png";

    ViewerRun run(testPage("two_cameras.html"),
                  "first=" + queryValue(first.url()) + "&second=" + queryValue(second.url()),
                  {"--until", heldFor("window.bothPlay !== undefined", 4000), "--time", "60", "--screenshot",
                   shot.string(), "--verdict", "window.bothPlay"});
    const PageRect firstRect = pageRect(run.valueAfter("console: first at "));
    const PageRect secondRect = pageRect(run.valueAfter("console: second at "));
    EXPECT_EQ(0, run.finish());
    EXPECT_TRUE(run.said("console: first started: 0"));
    EXPECT_TRUE(run.said("console: second started: 0"));

    const QImage page(QString::fromStdString(shot.string()));
    ASSERT_FALSE(page.isNull());
    EXPECT_EQ(320, firstRect.width);
    EXPECT_EQ(400, secondRect.width);
    EXPECT_TRUE(showsTestPattern(page, firstRect));
    EXPECT_TRUE(showsTestPattern(page, secondRect));
}

}  // namespace
