// Snapshots of the loopback camera through the scripting object, as a page takes them: a JPEG of
// the picture on screen, named by the clock, in the snapshot folder the user picked; nothing at all
// when there is no picture or the folder cannot take a file.
#include "app/player/video_player.h"
#include "platform/shell/win_shell_testing.h"
#include "tests/app/support/machine_test.h"
#include "tests/app/support/plugin_instance.h"
#include "tests/app/support/recording_renderer.h"
#include "tests/app/support/stand_in_clock.h"
#include "tests/support/video_file_reader.h"
#include "tests/support/loopback_rtsp_camera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

using test_support::LoopbackRtspCamera;
using test_support::LoopbackRtspCameraOptions;
using test_support::PluginInstance;
using test_support::PumpUntil;
using namespace std::chrono_literals;

// An I420 picture of 1920 x 1080 with its studio-range samples stretched to full range.
std::vector<uint8_t> StretchedToFullRange(std::vector<uint8_t> picture) {
    const size_t lumaSize = size_t{1920} * 1080;
    for (size_t i = 0; i < picture.size(); ++i) {
        const double stretched = i < lumaSize ? (picture[i] - 16) * 255.0 / 219.0 : (picture[i] - 128) * 255.0 / 224.0 + 128;
        picture[i] = static_cast<uint8_t>(std::clamp(std::lround(stretched), 0L, 255L));
    }
    return picture;
}

class Snapshots : public test_support::MachineTest {
protected:
    ~Snapshots() override { platform::testing::setFolderChooser({}); }

    // The user picks the snapshot folder in the page's folder picker.
    void PickSnapshotFolder(PluginInstance& page, const std::wstring& folder) {
        platform::testing::setFolderChooser([folder](const platform::testing::FolderRequest&) { return folder; });
        page.Invoke("BrowseDirectories", 0);
    }
    std::filesystem::path Drive(const std::string& path) const { return machine.driveRoot() / "d" / path; }
    // Every file below the drive root other than the log.
    size_t FilesWritten() const {
        size_t count = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(machine.driveRoot())) {
            count += entry.is_regular_file() && entry.path().filename() != "log.txt";
        }
        return count;
    }

    test_support::FixedClock clock;
    test_support::ScopedRecordingRenderers renderers;
};

TEST_F(Snapshots, SnapPictureWritesThePictureOnScreenAsA1920By1080JpegNamedByTheClock) {
    LoopbackRtspCameraOptions hd;
    hd.width = 1920;
    hd.height = 1080;  // coded 1088 high
    LoopbackRtspCamera camera(hd);
    camera.Start();
    PluginInstance page(480, 270);
    PickSnapshotFolder(page, L"D:\\\u5feb\u7167\\gate 2");  // "快照", kept in GBK
    ASSERT_EQ(page.Play(camera.Url()), 0);
    ASSERT_TRUE(PumpUntil([&] { return renderers.log->renders() > 0; }));
    // Paused, every picture decoded is the kept one: the render queue holds only the picture on screen.
    EXPECT_EQ(page.Call("pausePlay"), 1);
    std::this_thread::sleep_for(600ms);

    EXPECT_EQ(page.Call("SnapPicture"), 0);
    const std::filesystem::path file = Drive("\u5feb\u7167/gate 2") / (std::string(clock.kStamp) + ".jpg");
    ASSERT_TRUE(std::filesystem::exists(file));
    const test_support::VideoFile snapshot = test_support::ReadVideoFile(file);
    ASSERT_EQ(snapshot.pictures.size(), 1u);
    EXPECT_EQ((std::vector<int>{snapshot.width, snapshot.height}), (std::vector<int>{1920, 1080}));
    // The picture's studio-range samples stretched to the full range a JPEG file holds. Quality
    // 100: every quantiser 1, so only the transform's rounding differs.
    EXPECT_LE(test_support::LargestDifference(snapshot.pictures[0], StretchedToFullRange(renderers.log->lastPicture())),
              2);
}

TEST_F(Snapshots, SnapPictureAnswersMinusOneAndWritesNothingWithoutAPictureOrAWritableFolder) {
    LoopbackRtspCamera camera;
    camera.Start();
    std::ofstream(Drive("blocked")) << "a file, not a folder";
    {
        PluginInstance page;
        PickSnapshotFolder(page, L"D:\\blocked\\inner");
        EXPECT_EQ(page.Call("SnapPicture"), -1);  // no view
        page.Invoke("SetFunction", 0);
        EXPECT_EQ(page.Call("SnapPicture"), -1);  // not playing
        page.Invoke("SetRtspUrl", camera.Url());
        ASSERT_EQ(page.Call("StartPlay"), 0);
        ASSERT_TRUE(PumpUntil([&] { return page.view()->renderQueueLength() > 0; }));
        EXPECT_EQ(page.Call("SnapPicture"), -1);  // the folder cannot be made
    }
    PluginInstance page;
    PickSnapshotFolder(page, L"\\\\\\///");  // names no folder: not the file system's root either
    ASSERT_EQ(page.Play(camera.Url()), 0);
    ASSERT_TRUE(PumpUntil([&] { return page.view()->renderQueueLength() > 0; }));
    EXPECT_EQ(page.Call("SnapPicture"), -1);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path("/") / (std::string(clock.kStamp) + ".jpg")));
    PickSnapshotFolder(page, L"D:\\snaps");
    camera.SetStalled(true);
    ASSERT_TRUE(PumpUntil([&] { return page.view()->renderQueueLength() == 0; }, 15s));
    EXPECT_EQ(page.Call("SnapPicture"), -1);  // nothing to take
    EXPECT_EQ(FilesWritten(), 1u);            // the blocking file only
}

}  // namespace
