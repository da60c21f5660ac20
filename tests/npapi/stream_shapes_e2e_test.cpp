// Every shape of H.264 stream a camera may send plays, snapshots and records right through the
// page's scripting object: the stand-in browser loads npVeltrin.so, the loopback camera serves a
// file of the shape made by ffmpeg, and FFmpeg's own tool decodes the same file as the reference.
// For each shape the window (as large as the picture, so nothing is scaled) shows a picture of the
// stream in the colours its range gives, the snapshot has the picture's size and matches one of the
// stream's pictures, the recording has the picture's size and decodes cleanly, and the stream is
// never reopened (a picture the view cannot take would make it ask for a restart).
//
// Field-coded (PAFF) streams are not among the shapes: no encoder on these machines makes them
// (libx264 codes interlaced video as MBAFF only).
#include "platform/shell/win_shell_testing.h"
#include "tests/support/ffmpeg_tool_decode.h"
#include "tests/support/h264_mp4_file.h"
#include "tests/support/loopback_rtsp_camera.h"
#include "tests/support/npapi_browser/stand_in_browser.h"
#include "tests/support/picture_compare.h"
#include "tests/support/scoped_machine_folders.h"
#include "tests/support/video_file_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

struct StreamShape {
    const char* name;
    const char* options;  // ffmpeg output options of the file the camera serves
    int width = 320;      // of the pictures shown, once cropped
    int height = 240;
    SampleRange range = SampleRange::Studio;
    bool gdi = false;  // the settings file asks for the GDI renderer
    int sourceWidth = 320;
    int sourceHeight = 240;
    int framesPerSecond = 25;
};

void PrintTo(const StreamShape& shape, std::ostream* out) { *out << shape.name; }

constexpr SampleRange kFull = SampleRange::Full;
constexpr SampleRange kStudio = SampleRange::Studio;

const StreamShape kShapes[] = {
    {"Plain420", ""},
    {"LeftCrop", "-bsf:v h264_metadata=crop_left=8", 312},
    // Odd-looking sizes: 304 x 222.
    {"CropOnEverySide", "-bsf:v h264_metadata=crop_left=6:crop_right=10:crop_top=4:crop_bottom=14", 304, 222},
    {"High422", "-pix_fmt yuv422p"},
    // An odd size, which DirectDraw cannot take: the view falls back to GDI.
    {"High444OddCrop", "-pix_fmt yuv444p -bsf:v h264_metadata=crop_left=3:crop_right=2:crop_top=1:crop_bottom=4",
     315, 235},
    {"High10", "-pix_fmt yuv420p10le"},
    {"FullRange", "-pix_fmt yuvj420p", 320, 240, kFull},
    // x264 marks a monochrome stream full range; shown through GDI.
    {"MonochromeOnGdi", "-pix_fmt gray", 320, 240, kFull, true},
    {"ManySlices", "-x264-params slices=8"},
    // Buffering-period and picture-timing SEI in every picture, beside x264's own in the first.
    {"TimingSei", "-x264-params nal-hrd=vbr -b:v 600k -maxrate 600k -bufsize 600k"},
    {"ConstrainedBaseline", "-profile:v baseline"},
    // Interlaced as MBAFF: 128 rows a field, coded 256 high, 16 rows cropped.
    {"Mbaff", "-flags +ildct+ilme"},
    {"Hd1080At30", "-preset ultrafast", 1920, 1080, kStudio, false, 1920, 1080, 30},
};

constexpr auto kStreamLength = 3s;
constexpr int kKeyPicturesPerSecond = 3;
constexpr auto kRecordingLength = 1000ms;
// The least PSNR of a right picture: the renderers' fixed-point conversion and the JPEG's rounding
// against the reference's floating point stay above 50 dB; a full-range picture shown as studio
// range gives under 40, a picture shifted by a crop far less.
constexpr double kLeastPsnr = 45;
constexpr int kComparedRows = 120;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// The only file of a folder, or an empty path.
std::filesystem::path OnlyFileIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(folder)) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path());
    }
    return files.size() == 1 ? files.front() : std::filesystem::path();
}

// The window shows a picture when most of it is no longer black.
bool ShowsAPicture(const platform::testing::SurfacePixels& surface) {
    const auto lit = std::count_if(surface.pixels.begin(), surface.pixels.end(), [](uint32_t pixel) {
        return ((pixel >> 16) & 0xFF) > 40 || ((pixel >> 8) & 0xFF) > 40 || (pixel & 0xFF) > 40;
    });
    return !surface.pixels.empty() && static_cast<size_t>(lit) > surface.pixels.size() / 2;
}

std::string PageFor(const StreamShape& shape, const std::string& url) {
    return "<object id=\"player\" type=\"application/x-veltrin\" width=\"" + std::to_string(shape.width) +
           "\" height=\"" + std::to_string(shape.height) + "\"></object>\n<script>\n" +
           "var player = document.getElementById('player');\n"
           "player.SetFunction(0);\n"
           "player.BrowseDirectories(0);\n"
           "player.SetRtspUrl(" +
           Quoted(url) + ");\nvar started = player.StartPlay();\n</script>";
}

// What every recording of a shape must be: a file at the picture's size that decodes with no error.
void CheckRecording(const std::filesystem::path& file, const StreamShape& shape) {
    ASSERT_FALSE(file.empty()) << "no recording";
    const test_support::VideoFile recorded = test_support::ReadVideoFile(file);
    ASSERT_TRUE(recorded.opened);
    EXPECT_EQ((std::vector<int>{recorded.width, recorded.height}), (std::vector<int>{shape.width, shape.height}));
    EXPECT_FALSE(recorded.samples.empty());
    EXPECT_EQ(recorded.decodeErrors, 0);
    EXPECT_EQ(test_support::FfmpegToolDecodeErrors(file), "");
}

class StreamShapes : public ::testing::TestWithParam<StreamShape> {
protected:
    ~StreamShapes() override { platform::testing::setFolderChooser({}); }

    std::filesystem::path Drive(const std::string& path) const { return machine.driveRoot() / "d" / path; }

    // The settings file in the Windows folder asks for the GDI renderer.
    void UseGdiRenderer() const {
        const std::filesystem::path windows = machine.driveRoot() / "c" / "Windows";
        std::filesystem::create_directories(windows);
        std::ofstream(windows / "VeltrinConfig.ini") << "[System]\r\nVideoRenderGDI=1\r\n";
    }

    test_support::ScopedMachineFolders machine;
};

TEST_P(StreamShapes, PlaysSnapshotsAndRecordsTheRightPictureAtItsSizeWithoutARestart) {
    const StreamShape& shape = GetParam();
    if (shape.gdi) UseGdiRenderer();
    const std::filesystem::path source = Drive("camera.mp4");
    std::filesystem::create_directories(source.parent_path());
    const int frames = shape.framesPerSecond * static_cast<int>(kStreamLength / 1s);
    test_support::WriteH264Mp4File(source, shape.sourceWidth, shape.sourceHeight, frames,
                                   shape.framesPerSecond / kKeyPicturesPerSecond, shape.options,
                                   shape.framesPerSecond);
    test_support::LoopbackRtspCameraOptions options;
    options.file = source;
    test_support::LoopbackRtspCamera camera(options);
    camera.Start();
    platform::testing::setFolderChooser([](const platform::testing::FolderRequest&) { return L"D:\\snaps"; });

    test_support::StandInBrowser browser;
    browser.loadPage(PageFor(shape, camera.Url()), ".");
    ASSERT_EQ(NPERR_NO_ERROR, browser.instanceResult());
    ASSERT_EQ(browser.evaluate("started").text, "0");
    const auto recordingSince = std::chrono::steady_clock::now();
    EXPECT_EQ(browser.evaluate("player.StartRecord('D:\\\\records')").text, "0");

    ASSERT_TRUE(browser.pumpUntil([&] { return ShowsAPicture(browser.pluginPixels()); }, 10s))
        << "no picture; the stream was opened " << camera.SessionsMade() << " times";
    browser.pumpFor(200ms);  // a picture of the stream, not the first one half drawn
    const test_support::RgbPicture shown = test_support::SurfaceToRgb(browser.pluginPixels());
    EXPECT_EQ(browser.evaluate("player.SnapPicture()").text, "0");
    // Long enough for a key picture and the group of pictures after it.
    browser.pumpFor(std::max(0ms, std::chrono::duration_cast<std::chrono::milliseconds>(
                                      kRecordingLength - (std::chrono::steady_clock::now() - recordingSince))));
    EXPECT_EQ(browser.evaluate("player.StopRecord()").text, "0");
    EXPECT_EQ(camera.SessionsMade(), 1u);  // opened once: no restart was asked for
    browser.evaluate("player.StopPlay()");
    browser.destroyInstance();
    browser.shutdownPlugin();
    EXPECT_EQ(browser.faults(), std::vector<std::string>{});

    const std::filesystem::path snapshot = OnlyFileIn(Drive("snaps"));
    ASSERT_FALSE(snapshot.empty()) << "no snapshot";
    // Its samples as the file holds them, which a reader takes as full range; throws when the
    // snapshot is not of the picture's size.
    const test_support::RgbPicture snapped = test_support::I420ToRgb(
        test_support::DecodeWithFfmpegTool(snapshot, shape.width, shape.height, SampleRange::Full).at(0), shape.width,
        shape.height, SampleRange::Full);
    const int rowStep = std::max(1, shape.height / kComparedRows);
    double windowPsnr = 0;
    double snapshotPsnr = 0;
    test_support::VisitPicturesWithFfmpegTool(
        source, shape.width, shape.height, shape.range, [&](const std::vector<uint8_t>& picture) {
            windowPsnr = std::max(windowPsnr, test_support::Psnr(shown, picture, shape.range, rowStep));
            snapshotPsnr = std::max(snapshotPsnr, test_support::Psnr(snapped, picture, shape.range, rowStep));
        });
    EXPECT_GE(windowPsnr, kLeastPsnr);
    EXPECT_GE(snapshotPsnr, kLeastPsnr);
    CheckRecording(OnlyFileIn(Drive("records")), shape);
}

INSTANTIATE_TEST_SUITE_P(CameraStreams, StreamShapes, ::testing::ValuesIn(kShapes),
                         [](const ::testing::TestParamInfo<StreamShape>& shape) { return shape.param.name; });

}  // namespace
