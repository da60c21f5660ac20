// Recording through the page in the stand-in browser, npVeltrin.so loaded as a browser loads it, the
// loopback camera serving files FFmpeg makes here: a recording shows the camera's pictures in the
// order the stream means at the camera's own rate, and FFmpeg copies and decodes it without a word,
// whether the stream has B pictures, runs at 30 pictures a second, or is joined in the middle of a
// long group of pictures; a recording begun shortly after "StartPlay" begins at the stream's first
// key picture.
#include "tests/support/annexb_splitter.h"
#include "tests/support/h264_mp4_file.h"
#include "tests/support/loopback_rtsp_camera.h"
#include "tests/support/npapi_browser/stand_in_browser.h"
#include "tests/support/reference_h264_decode.h"
#include "tests/support/scoped_machine_folders.h"
#include "tests/support/video_file_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

using Picture = std::vector<uint8_t>;

// Peak signal-to-noise ratio of two pictures of one size, in decibels; 100 for identical ones.
double Psnr(const Picture& a, const Picture& b) {
    if (a.size() != b.size() || a.empty()) return 0;
    double squares = 0;
    for (size_t i = 0; i < a.size(); ++i) squares += (a[i] - b[i]) * (a[i] - b[i]);
    if (squares == 0) return 100;
    return 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.size()) / squares);
}

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What the camera serves, and the pictures a decoder shows of the camera's whole stream.
struct Served {
    std::filesystem::path file;
    std::vector<Picture> reference;
    int servedFrom = 0;  // the reference picture the served file begins with
};

// A camera's file: 320 x 240, the encoder options given.
Served EncodedFile(const std::filesystem::path& folder, int pictures, int keyInterval, const std::string& options) {
    Served served{folder / "camera.mp4", {}, 0};
    test_support::WriteH264Mp4File(served.file, 320, 240, pictures, keyInterval, options);
    served.reference = test_support::ReadVideoFile(served.file).pictures;
    return served;
}

// A camera joined in the middle of a long group of pictures: a stream with a key picture every 250
// served from picture `from` on, its parameter sets in front (as a description brings them).
Served JoinedInTheMiddle(const std::filesystem::path& folder, int pictures, int from) {
    const std::filesystem::path whole = folder / "whole.h264";
    const std::filesystem::path joined = folder / "joined.h264";
    Run("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25 -frames:v " +
        std::to_string(pictures) + " -pix_fmt yuv420p -c:v libx264 -preset veryfast -bf 0 -g 250 -keyint_min 250 " +
        "-sc_threshold 0 '" + whole.string() + "'");
    const std::vector<uint8_t> stream = ReadBytes(whole);
    std::vector<uint8_t> cut;
    int picture = -1;
    for (const test_support::NalUnit& unit : test_support::SplitAnnexB(stream)) {
        const int type = test_support::NalType(unit);
        if ((type == 1 || type == 5) && unit.size() > 1 && (unit[1] & 0x80) != 0) ++picture;
        if (picture >= from || (picture < 0 && (type == 7 || type == 8))) {
            cut.insert(cut.end(), {0, 0, 0, 1});
            cut.insert(cut.end(), unit.begin(), unit.end());
        }
    }
    std::ofstream(joined, std::ios::binary)
        .write(reinterpret_cast<const char*>(cut.data()), static_cast<std::streamsize>(cut.size()));
    Served served{folder / "camera.mp4", test_support::DecodeH264Reference(stream).pictures, from};
    // Every picture copied, the predicted ones before the first key picture too.
    Run("ffmpeg -nostdin -hide_banner -loglevel error -y -framerate 25 -i '" + joined.string() +
        "' -c copy -copyinkf '" + served.file.string() + "'");
    return served;
}

struct Shape {
    const char* name;
    int pictures;          // served, at 25 (or the options') pictures a second
    int firstRecorded;     // the reference picture the recording must begin with
    int64_t pictureTicks;  // 90 kHz ticks from one picture to the next
    Served (*make)(const std::filesystem::path& folder);
};

void PrintTo(const Shape& shape, std::ostream* out) { *out << shape.name; }

const Shape kShapes[] = {
    // A B pyramid three deep; the recording starts shortly after the view: at the first key picture.
    {"BFramesFromTheFirstKeyPicture", 50, 0, 3600,
     [](const std::filesystem::path& folder) {
         return EncodedFile(folder, 50, 25, "-bf 3 -x264-params b-pyramid=normal");
     }},
    {"ThirtyPicturesASecond", 60, 0, 3000,
     [](const std::filesystem::path& folder) { return EncodedFile(folder, 60, 30, "-r 30"); }},
    // Served from picture 220; the next key picture is 250.
    {"LongGroupJoinedInTheMiddle", 50, 250, 3600,
     [](const std::filesystem::path& folder) { return JoinedInTheMiddle(folder, 270, 220); }},
};

class RecordingTiming : public ::testing::TestWithParam<Shape> {
protected:
    test_support::ScopedMachineFolders machine;
};

TEST_P(RecordingTiming, RecordsThePicturesInDisplayOrderAtTheCamerasRateAndFfmpegReadsThemCleanly) {
    const Shape& shape = GetParam();
    const Served served = shape.make(machine.driveRoot());
    ASSERT_GE(served.reference.size(), static_cast<size_t>(shape.firstRecorded + 10));
    test_support::LoopbackRtspCameraOptions options;
    options.file = served.file;
    test_support::LoopbackRtspCamera camera(options);
    camera.Start();

    test_support::StandInBrowser browser;
    browser.loadPage(R"(<object id="player" type="application/x-veltrin" width="320" height="240"></object>
<script>
var player = document.getElementById('player');
player.SetFunction(0);
player.SetRtspUrl(')" + camera.Url() +
                         R"(');
var started = player.StartPlay();
</script>)",
                     ".");
    ASSERT_EQ(browser.evaluate("started").text, "0");
    browser.pumpUntil([] { return false; }, 300ms);  // the first key picture has come by now
    ASSERT_EQ(browser.evaluate("player.StartRecord('D:\\\\records')").text, "0");
    // The whole file, and time to spare for a slow (instrumented) build.
    const auto streamTime = std::chrono::milliseconds(shape.pictures * shape.pictureTicks / 90) + 1500ms;
    browser.pumpUntil([] { return false; }, streamTime);
    EXPECT_EQ(browser.evaluate("player.StopRecord()").text, "0");
    browser.evaluate("player.StopPlay()");
    browser.destroyInstance();
    browser.shutdownPlugin();
    EXPECT_EQ(browser.faults(), std::vector<std::string>{});

    const std::filesystem::path folder = machine.driveRoot() / "d" / "records";
    ASSERT_TRUE(std::filesystem::is_directory(folder));
    const std::filesystem::path file = std::filesystem::directory_iterator(folder)->path();
    const test_support::VideoFile recorded = test_support::ReadVideoFile(file);
    ASSERT_TRUE(recorded.opened);
    const size_t expected = static_cast<size_t>(served.servedFrom + shape.pictures - shape.firstRecorded);
    ASSERT_EQ(recorded.samples.size(), expected);
    EXPECT_TRUE(recorded.samples.front().key);
    EXPECT_EQ(recorded.decodeErrors, 0);
    EXPECT_EQ(test_support::FfmpegErrors(file), "");
    // The camera's pictures in the order shown, one picture time apart by the camera's clock (whose
    // times the loopback camera rounds down to the 90 kHz tick).
    ASSERT_EQ(recorded.pictures.size(), expected);
    for (size_t i = 0; i < expected; ++i) {
        EXPECT_GE(Psnr(recorded.pictures[i], served.reference[shape.firstRecorded + i]), 45.0) << "picture " << i;
        EXPECT_NEAR(recorded.picturePts[i] - recorded.picturePts[0], static_cast<int64_t>(i) * shape.pictureTicks, 1)
            << "picture " << i;
    }
    EXPECT_NEAR(recorded.duration, static_cast<int64_t>(expected) * shape.pictureTicks, 2);
}

INSTANTIATE_TEST_SUITE_P(Streams, RecordingTiming, ::testing::ValuesIn(kShapes),
                         [](const ::testing::TestParamInfo<Shape>& shape) { return shape.param.name; });

}  // namespace
