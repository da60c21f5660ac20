// The example page in the real browser engine: QtWebKit loads npVeltrin.so through the desktop
// bridge, and the page's own script plays the loopback camera, hears its alarms, saves a snapshot
// and a recording, and hears a click that X delivered on the picture. A camera that is down when
// the page opens is asked for again until it plays.
#include "tests/desktop/loopback_camera_set.h"
#include "tests/desktop/page_pixels.h"
#include "tests/desktop/viewer_run.h"
#include "tests/support/scoped_machine_folders.h"
#include "tests/support/video_file_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

using namespace std::chrono_literals;
using namespace desktop_test;
using ::testing::IsEmpty;

namespace {

// The plug-in's rectangle, as its box in the page has it (the plug-in's element itself answers
// every name with the plug-in's own members).
const char* const kPlayerRect =
    "(function () { var r = document.getElementById('screen').getBoundingClientRect();"
    " return [r.left, r.top, r.width, r.height].map(Math.round).join(','); })()";

// What a shell command prints on its standard output.
std::string commandOutput(const std::string& command) {
    std::string output;
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), &pclose);
    if (!pipe) return output;
    char chunk[256];
    while (size_t got = std::fread(chunk, 1, sizeof chunk, pipe.get())) output.append(chunk, got);
    return output;
}

std::vector<std::filesystem::path> filesEndingIn(const std::filesystem::path& folder, const std::string& ending) {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ending) found.push_back(entry.path());
    }
    return found;
}

// A loopback port nothing listens on now, for a camera that comes later: a camera's that has gone.
int portOfAGoneCamera() {
    test_support::LoopbackRtspCamera gone;
    gone.Start();
    const std::string url = gone.Url();  // rtsp://127.0.0.1:PORT/live
    gone.Stop();
    return std::stoi(url.substr(url.rfind(':') + 1));
}

class CameraPage : public ::testing::Test {
protected:
    void SetUp() override { machine.linkChineseFont(); }

    std::string cameraQuery(const LoopbackCameraSet& camera, bool unattended) const {
        return "url=" + queryValue(camera.url()) + "&device=" + queryValue(camera.deviceAddress()) +
               (unattended ? "&auto=1" : "");
    }

    test_support::ScopedMachineFolders machine;
    test_support::ScopedTempDir output;
};

// The page runs its unattended session (choose folders, play, wait for an alarm, a snapshot, four
// seconds of recording) and the viewer closes once it is done, with the camera still playing.
TEST_F(CameraPage, UnattendedSessionPlaysHearsAnAlarmAndSavesFilesThatDecode) {
    LoopbackCameraSet camera("127.0.0.61");
    const std::filesystem::path shot = output.path() / "page.png";
    const std::filesystem::path folder = output.path() / "files";
    std::filesystem::create_directories(folder);
    const std::vector<std::string>& baseline = baselineThreads();

    ViewerRun run(
        examplePage(), cameraQuery(camera, true),
        {"--size", "1000x640", "--folder", folder.string(), "--eval", kPlayerRect, "--until", "session.state == 'done'",
         "--time", "40", "--screenshot", shot.string(), "--verdict", "session.result", "--list-threads"});
    const PageRect rect = pageRect(run.valueAfter("eval: "));
    EXPECT_EQ(0, run.finish());

    EXPECT_TRUE(run.said("console: plug-in version V2.28"));
    EXPECT_TRUE(run.said("console: alarm: alarm 1"));
    EXPECT_TRUE(run.said("page_viewer: verdict: pass"));

    const QImage page(QString::fromStdString(shot.string()));
    ASSERT_FALSE(page.isNull());
    ASSERT_EQ(640, rect.width);
    EXPECT_TRUE(showsTestPattern(page, rect));
    // Beside the plug-in's rectangle the page's own background shows, not the picture.
    EXPECT_LT(darkShare(page, PageRect{rect.left + rect.width + 20, rect.top, 200, rect.height}), 0.05);

    const auto snapshots = filesEndingIn(folder, ".jpg");
    ASSERT_EQ(1u, snapshots.size());
    const test_support::VideoFile snapshot = test_support::ReadVideoFile(snapshots[0]);
    EXPECT_EQ(1u, snapshot.pictures.size());
    EXPECT_EQ(320, snapshot.width);
    const auto recordings = filesEndingIn(folder, ".mp4");
    ASSERT_EQ(1u, recordings.size());
    const test_support::VideoFile recording = test_support::ReadVideoFile(recordings[0]);
    EXPECT_EQ("h264", recording.codec);
    EXPECT_GE(recording.pictures.size(), 25u);  // about four seconds at 25 pictures a second
    EXPECT_EQ(0, recording.decodeErrors);

    // The viewer closed while the camera played: the plug-in's stop path ran and left no thread.
    EXPECT_TRUE(camera.deviceTold("device link: stop word received", 5s));
    EXPECT_THAT(threadsBeyond(run.linesAfter("page_viewer: thread left: "), baseline), IsEmpty());
}

// A click that the X server delivers on the picture goes from QtWebKit through the bridge to the
// plug-in's window and fires "ononMouseDownScreen" in the page.
TEST_F(CameraPage, AnXClickOnThePictureReachesTheView) {
    LoopbackCameraSet camera("127.0.0.62");
    ViewerRun run(examplePage(), cameraQuery(camera, false),
                  {"--size", "1000x640", "--eval", kPlayerRect, "--until", "session.clicks > 0", "--time", "30",
                   "--verdict", "session.clicks == 1"});
    const std::string window = run.valueAfter("page_viewer: window ");
    const PageRect rect = pageRect(run.valueAfter("eval: "));
    ASSERT_FALSE(window.empty());
    ASSERT_GT(rect.width, 0);
    ASSERT_TRUE(run.waitFor("console: Playing ")) << run.transcript();

    const std::string click = "xdotool mousemove --window " + window + " " + std::to_string(rect.left + 100) + " " +
                              std::to_string(rect.top + 100) + " click 1";
    ASSERT_EQ(0, std::system(click.c_str()));
    EXPECT_TRUE(run.waitFor("console: picture clicked")) << run.transcript();
    EXPECT_EQ(0, run.finish());
}

// The camera is down when the page opens: the page says what "StartPlay" answered and that it
// tries again, and it plays once the camera has come up, with no one touching it.
TEST_F(CameraPage, PlaysACameraThatComesUpAfterThePageOpened) {
    test_support::LoopbackRtspCameraOptions later;
    later.port = portOfAGoneCamera();
    const std::string url = "rtsp://127.0.0.1:" + std::to_string(later.port) + "/live";
    const std::filesystem::path shot = output.path() / "page.png";
    ViewerRun run(examplePage(), "url=" + queryValue(url),
                  {"--size", "1000x640", "--eval", kPlayerRect, "--until",
                   heldFor("document.getElementById('state').textContent.indexOf('Playing') == 0", 2000), "--time",
                   "60", "--screenshot", shot.string()});
    const PageRect rect = pageRect(run.valueAfter("eval: "));
    ASSERT_TRUE(
        run.waitFor("console: The camera did not play (-3: the camera did not answer or refused the "
                    "stream). Trying again every 5 s."))
        << run.transcript();

    LoopbackCameraSet camera("127.0.0.68", later);
    ASSERT_EQ(url, camera.url());
    EXPECT_TRUE(run.waitFor("console: Playing " + url)) << run.transcript();
    EXPECT_EQ(0, run.finish());
    const QImage page(QString::fromStdString(shot.string()));
    ASSERT_FALSE(page.isNull());
    EXPECT_TRUE(showsTestPattern(page, rect));
}

// "Full screen" shows the plug-in's full-screen window on the X screen, above the page; Escape
// typed there closes it and the page hears "ononCloseFullScreen".
TEST_F(CameraPage, FullScreenCoversTheXScreenUntilEscape) {
    LoopbackCameraSet camera("127.0.0.67");
    ViewerRun run(examplePage(), cameraQuery(camera, false),
                  {"--eval", "document.getElementById('fullscreen').click(); 'asked'", "--until",
                   "session.fullScreenClosed > 0", "--time", "30"});
    ASSERT_EQ("asked", run.valueAfter("eval: ")) << run.transcript();
    std::string found;
    for (int tries = 0; tries < 100 && found.empty(); ++tries) {
        found = commandOutput("xdotool search --name '全屏' getwindowgeometry");
        if (found.empty()) std::this_thread::sleep_for(100ms);
    }
    EXPECT_NE(std::string::npos, found.find("Position: 0,0")) << found;
    EXPECT_NE(std::string::npos, found.find("Geometry: 1280x1024")) << found;  // the virtual display's size

    ASSERT_EQ(0, std::system("xdotool key Escape"));
    EXPECT_TRUE(run.waitFor("console: Back from full screen.")) << run.transcript();
    EXPECT_EQ(0, run.finish());
    EXPECT_EQ("", commandOutput("xdotool search --name '全屏'"));
}

}  // namespace
