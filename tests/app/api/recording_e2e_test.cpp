// Recording the loopback camera through the scripting object, as a page does: the MP4 file holds
// the camera's pictures unchanged, one sample each from the latest key picture on, whatever SEI or
// slices they carry; a recording survives the process that made it being killed.
#include "app/player/video_player.h"
#include "tests/app/support/machine_test.h"
#include "tests/app/support/plugin_instance.h"
#include "tests/app/support/stand_in_clock.h"
#include "tests/support/h264_mp4_file.h"
#include "tests/support/loopback_camera_program.h"
#include "tests/support/loopback_rtsp_camera.h"
#include "tests/support/video_file_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <ostream>
#include <thread>

namespace {

using test_support::LoopbackRtspCamera;
using test_support::LoopbackRtspCameraOptions;
using test_support::PluginInstance;
using test_support::VideoFile;
using namespace std::chrono_literals;

constexpr int kKeyInterval = 25;  // a key picture every second
constexpr size_t kSourcePictures = 200;
constexpr int64_t kSampleDuration = 3600;  // 1/25 s at 90000 a second

struct CameraStream {
    const char* name;
    const char* encoderOptions;  // of the file the camera serves
};

void PrintTo(const CameraStream& stream, std::ostream* out) { *out << stream.name; }

const CameraStream kStreams[] = {
    {"OneSlice", ""},
    {"FourSlices", "-x264-params slices=4"},
    // Buffering-period and picture-timing SEI in front of every picture.
    {"TimingSeiInEveryPicture", "-x264-params nal-hrd=vbr -b:v 600k -maxrate 600k -bufsize 600k"},
};

// The files of a folder, by name.
std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    if (!std::filesystem::is_directory(folder)) return names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Where the recorded pictures begin among the source's, or -1.
int FirstPictureAt(const VideoFile& recorded, const VideoFile& source) {
    if (recorded.pictures.empty()) return -1;
    const auto found = std::find(source.pictures.begin(), source.pictures.end(), recorded.pictures.front());
    return found == source.pictures.end() ? -1 : static_cast<int>(found - source.pictures.begin());
}

class Recording : public test_support::MachineTest, public ::testing::WithParamInterface<CameraStream> {
protected:
    std::filesystem::path Drive(const std::string& path) const { return machine.driveRoot() / "d" / path; }
    test_support::FixedClock clock;
};

TEST_P(Recording, StartRecordStoresEveryPictureUnchangedAsOneSampleFromTheLatestKeyPicture) {
    const std::filesystem::path source = Drive("camera.mp4");
    test_support::WriteH264Mp4File(source, 320, 240, kSourcePictures, kKeyInterval, GetParam().encoderOptions);
    const VideoFile reference = test_support::ReadVideoFile(source);
    ASSERT_EQ(reference.pictures.size(), kSourcePictures);
    LoopbackRtspCameraOptions options;
    options.file = source;
    LoopbackRtspCamera camera(options);
    camera.Start();
    PluginInstance page;
    ASSERT_EQ(page.Play(camera.Url()), 0);
    std::this_thread::sleep_for(500ms);  // into the first group of pictures

    EXPECT_EQ(page.Invoke("StartRecord", std::string("D:\\records\\gate 1\\day")).convertTo<int>(), 0);
    EXPECT_EQ(page.Invoke("StartRecord", std::string("D:\\elsewhere")).convertTo<int>(), -1);
    std::this_thread::sleep_for(3500ms);  // the next key picture, then at least a group of pictures
    EXPECT_EQ(page.Call("StopRecord"), 0);
    EXPECT_EQ(page.Call("StopRecord"), 0);  // always safe

    // Each level of the folder was made; the second call made nothing.
    EXPECT_EQ(FilesIn(Drive("records/gate 1/day")), std::vector<std::string>{std::string(clock.kStamp) + ".mp4"});
    EXPECT_FALSE(std::filesystem::exists(Drive("elsewhere")));
    const VideoFile recorded =
        test_support::ReadVideoFile(Drive("records/gate 1/day") / (std::string(clock.kStamp) + ".mp4"));
    ASSERT_TRUE(recorded.opened);
    EXPECT_EQ(recorded.codec, "h264");
    EXPECT_EQ((std::vector<int>{recorded.width, recorded.height}), (std::vector<int>{320, 240}));
    EXPECT_EQ((std::vector<int>{recorded.profile, recorded.level}),
              (std::vector<int>{reference.profile, reference.level}));
    EXPECT_EQ(recorded.timeScale, 90000);

    // One sample per picture, 25 a second, synced exactly at the key pictures.
    const size_t count = recorded.samples.size();
    EXPECT_GE(count, static_cast<size_t>(kKeyInterval));
    EXPECT_EQ(recorded.duration, static_cast<int64_t>(count) * kSampleDuration);
    const int first = FirstPictureAt(recorded, reference);
    // The first group of pictures was under way: the recording began at its key picture, kept from
    // before "StartRecord".
    ASSERT_EQ(first, 0);
    for (size_t i = 0; i < count; ++i) {
        const test_support::VideoFileSample& sample = recorded.samples[i];
        EXPECT_EQ(sample.pts, static_cast<int64_t>(i) * kSampleDuration) << i;
        EXPECT_EQ(sample.duration, kSampleDuration) << i;
        EXPECT_EQ(sample.key, (first + i) % kKeyInterval == 0) << i;
    }
    // The decoded pictures are the camera's, none lost, none repeated.
    ASSERT_EQ(recorded.pictures.size(), count);
    EXPECT_EQ(recorded.decodeErrors, 0);
    ASSERT_LE(first + count, reference.pictures.size());
    for (size_t i = 0; i < count; ++i) EXPECT_TRUE(recorded.pictures[i] == reference.pictures[first + i]) << i;
}

INSTANTIATE_TEST_SUITE_P(CameraStreams, Recording, ::testing::ValuesIn(kStreams),
                         [](const ::testing::TestParamInfo<CameraStream>& stream) { return stream.param.name; });

class RecordingRefusals : public test_support::MachineTest {
protected:
    test_support::FixedClock clock;
};

TEST_F(RecordingRefusals, StartRecordAnswersMinusOneWhenStoppedWithoutAFolderOrWithTooLongAName) {
    PluginInstance page;
    EXPECT_EQ(page.Invoke("StartRecord", std::string("D:\\rec")).convertTo<int>(), -1);  // no view
    page.Invoke("SetFunction", 0);
    EXPECT_EQ(page.Invoke("StartRecord", std::string("D:\\rec")).convertTo<int>(), -1);  // not playing
    LoopbackRtspCamera camera;
    camera.Start();
    page.Invoke("SetRtspUrl", camera.Url());
    ASSERT_EQ(page.Call("StartPlay"), 0);
    EXPECT_EQ(page.Invoke("StartRecord", std::string()).convertTo<int>(), -1);
    // Separators alone name no folder: not the file system's root either.
    for (const char* noFolder : {"\\", "/", "\\\\\\///"}) {
        EXPECT_EQ(page.Invoke("StartRecord", std::string(noFolder)).convertTo<int>(), -1) << noFolder;
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path("/") / (std::string(clock.kStamp) + ".mp4")));
    // "\YYYYMMDDhhmmss.mp4" takes 19 of the name's 255 bytes.
    EXPECT_EQ(page.Invoke("StartRecord", "D:\\" + std::string(234, 'r')).convertTo<int>(), -1);
    EXPECT_FALSE(page.view()->recording());
    EXPECT_FALSE(std::filesystem::exists(machine.driveRoot() / "d" / std::string(234, 'r')));
    EXPECT_EQ(page.Invoke("StartRecord", "D:\\" + std::string(233, 'r')).convertTo<int>(), 0);
    EXPECT_EQ(page.Call("StopPlay"), 0);  // ends the recording
    EXPECT_FALSE(page.view()->recording());
}

// The child records a camera that plays a short file and is killed once the file has been sent:
// each picture reaches the file as a fragment of its own as soon as it is whole, so the file holds
// every picture the camera sent from the recording's first key picture on, up to the last one or
// two (none waits for the next key picture or the end of a second).
TEST(RecordingKilled, AKilledRecorderLeavesAFileWithEveryPictureButTheLastOneOrTwo) {
    test_support::ScopedMachineFolders machine;
    constexpr size_t kPictures = 60;  // 2.4 s, key pictures at 0, 25 and 50
    const std::filesystem::path source = machine.driveRoot() / "camera.mp4";
    test_support::WriteH264Mp4File(source, 320, 240, kPictures, kKeyInterval);
    const VideoFile reference = test_support::ReadVideoFile(source);
    ASSERT_EQ(reference.pictures.size(), kPictures);
    LoopbackRtspCameraOptions options;
    options.file = source;
    LoopbackRtspCamera camera(options);
    camera.Start();
    const std::filesystem::path folder = machine.driveRoot() / "records";
    {
        test_support::LoopbackCameraProgram child({camera.Url(), folder.string()}, "record_until_killed");
        ASSERT_EQ(child.ReadLine(), "recording");
        // The stream began before "recording" and has been sent whole 2.4 s later; the child's own
        // watchdog would end the recording some 5 s after the last picture.
        std::this_thread::sleep_for(3500ms);
    }  // killed with SIGKILL
    const std::vector<std::string> files = FilesIn(folder);
    ASSERT_EQ(files.size(), 1u);
    const VideoFile file = test_support::ReadVideoFile(folder / files.front());
    ASSERT_TRUE(file.opened);
    ASSERT_FALSE(file.samples.empty());
    EXPECT_TRUE(file.samples.front().key);
    EXPECT_EQ(file.decodeErrors, 0);
    const int first = FirstPictureAt(file, reference);
    ASSERT_GE(first, 0);
    const size_t count = file.pictures.size();
    ASSERT_LE(first + count, kPictures);
    for (size_t i = 0; i < count; ++i) EXPECT_TRUE(file.pictures[i] == reference.pictures[first + i]) << i;
    EXPECT_GE(first + count, kPictures - 2) << "the file ends at picture " << first + count << " of " << kPictures;
}

}  // namespace
