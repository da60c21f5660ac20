// Every shape of H.264 stream a camera may send plays, snapshots and records right through the
// page's scripting object: the stand-in browser loads npVeltrin.so, the loopback camera serves a
// file of the shape made by ffmpeg, and FFmpeg's own tool decodes the same stream as the reference.
// For each shape the window (as large as the picture, so nothing is scaled) shows the stream's
// pictures in the colours their range gives, up to its last ones; the snapshot has the picture's
// size and matches one of the stream's pictures; the stream is never reopened (a picture the view
// cannot take would make it ask for a restart). The recording, begun shortly after "StartPlay"
// (the first key picture has come, the view holds it) and ended once the whole stream has come,
// holds every picture from the first key picture the camera sent on, has the picture's size,
// shows its pictures in the stream's display order at the camera's rate, and FFmpeg copies and
// decodes it without a word. A key picture is an IDR picture or, for a camera joined after its
// only IDR picture, one with a recovery point: an open group's I picture, or the start of an
// intra-refresh cycle, whose pictures decoders show from where they are whole.
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
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <span>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

using test_support::RgbPicture;

struct StreamShape {
    const char* name;
    const char* options;  // ffmpeg output options of the stream the camera's file is made from
    int width = 320;      // of the pictures shown, once cropped
    int height = 240;
    SampleRange range = SampleRange::Studio;
    bool gdi = false;  // the settings file asks for the GDI renderer
    int sourceWidth = 320;
    int sourceHeight = 240;
    int framesPerSecond = 25;
    int keyInterval = 0;  // pictures from one key picture to the next; 0: a second's
    int joinedAt = 0;     // the picture of the stream the camera's file begins with
    // The camera's file begins at the key picture at joinedAt, as ffmpeg cuts a file at a key
    // picture (the pictures sent after it and shown before it included), rather than at the
    // picture itself.
    bool joinedAtKeyPicture = false;
    // The recording's first pictures that decoders do not show: the rest of an intra-refresh cycle
    // from its recovery point, whose pictures are whole only after it.
    int partialPictures = 0;
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
    {"High444OddCrop", "-pix_fmt yuv444p -bsf:v h264_metadata=crop_left=3:crop_right=2:crop_top=1:crop_bottom=4", 315,
     235},
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
    // A B pyramid three deep: pictures sent out of the order they are shown in.
    {"BFramePyramid", "-bf 3 -x264-params b-pyramid=normal"},
    {"Hd1080At30", "-preset ultrafast", 1920, 1080, kStudio, false, 1920, 1080, 30},
    // A key picture every 10 s, the camera joined 1.2 s before one: the recording begins there.
    {.name = "LongGroupJoinedInTheMiddle",
     .options = "-keyint_min 250 -sc_threshold 0",
     .keyInterval = 250,
     .joinedAt = 220},
    // An IDR picture only at the start, then I pictures with a recovery point and B pictures sent
    // after them that are shown before them (open groups): joined at the second key picture, the
    // recording begins there, without those B pictures.
    {.name = "OpenGroupJoinedAtItsSecondKeyPicture",
     .options = "-bf 3 -x264-params open-gop=1",
     .joinedAt = 25,
     .joinedAtKeyPicture = true},
    // No I picture after the first, a recovery point at the start of each intra-refresh cycle:
    // joined ten pictures in, the recording begins at the next cycle. x264 refreshes the 20
    // macroblock columns of the picture over 19 pictures: decoders show the recording's pictures
    // from its 19th on, as the view shows the stream's.
    {.name = "IntraRefreshJoinedTenPicturesIn",
     .options = "-x264-params intra-refresh=1",
     .joinedAt = 10,
     .partialPictures = 18},
};

constexpr auto kStreamLength = 2s;
// Long enough after "StartPlay" for the stream's first key picture to have come, well before the
// second.
constexpr auto kFirstKeyPictureCome = 300ms;
// Once the whole stream has come the window shows one of its last three pictures (a decoder that
// reorders, as for the B pyramid, holds the last two back); any after it come within the time to
// spare, even in a slow (instrumented) build.
constexpr size_t kLastPictures = 3;
constexpr auto kTimeToSpare = 500ms;
// The least PSNR of a right picture: the renderers' fixed-point conversion and the JPEG's rounding
// against the reference's floating point stay above 50 dB; a full-range picture shown as studio
// range gives under 40, a picture shifted by a crop far less. Two pictures of the stream one picture
// time apart differ by about 45 dB: a picture is told from its neighbours by its best match.
constexpr double kLeastPsnr = 45;
// A recorded picture decoded by the reference decoder is the stream's picture sample for sample.
constexpr double kSamePicture = 80;
constexpr int kComparedRows = 120;

int KeyInterval(const StreamShape& shape) { return shape.keyInterval > 0 ? shape.keyInterval : shape.framesPerSecond; }

// The first key picture the camera sends, as a picture of the whole stream.
int FirstKeyPictureServed(const StreamShape& shape) {
    const int interval = KeyInterval(shape);
    return (shape.joinedAt + interval - 1) / interval * interval;
}

// What the camera serves of a shape, and the stream it is cut from (the same file unless the camera
// is joined in the middle).
struct CameraFile {
    std::filesystem::path stream;
    std::filesystem::path served;
};

CameraFile MakeCameraFile(const StreamShape& shape, const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    const CameraFile file{folder / "stream.mp4", shape.joinedAt > 0 ? folder / "joined.mp4" : folder / "stream.mp4"};
    const int pictures = shape.joinedAt + shape.framesPerSecond * static_cast<int>(kStreamLength / 1s);
    test_support::WriteH264Mp4File(file.stream, shape.sourceWidth, shape.sourceHeight, pictures, KeyInterval(shape),
                                   shape.options, shape.framesPerSecond);
    if (shape.joinedAtKeyPicture) {
        test_support::CopyH264Mp4FileFromKeyPicture(file.stream, file.served, shape.joinedAt, shape.framesPerSecond);
    } else if (shape.joinedAt > 0) {
        test_support::CopyH264Mp4FileFrom(file.stream, file.served, shape.joinedAt, shape.framesPerSecond);
    }
    return file;
}

// Every picture the camera serves (every rowStep-th row of it) as the reference decodes the stream.
std::vector<RgbPicture> ServedPictures(const CameraFile& file, const StreamShape& shape, int rowStep) {
    std::vector<RgbPicture> served;
    int index = 0;
    test_support::VisitPicturesWithFfmpegTool(
        file.stream, shape.width, shape.height, shape.range, [&](const std::vector<uint8_t>& picture) {
            if (index++ >= shape.joinedAt) {
                served.push_back(test_support::I420ToRgb(picture, shape.width, shape.height, shape.range, rowStep));
            }
        });
    return served;
}

// Which of the pictures a picture is (the index of its best match), or -1 when it is none of them.
int WhichPicture(const RgbPicture& picture, std::span<const RgbPicture> pictures) {
    int best = -1;
    double bestPsnr = kLeastPsnr;
    for (size_t i = 0; i < pictures.size(); ++i) {
        const double psnr = test_support::Psnr(picture, pictures[i]);
        if (psnr >= bestPsnr) {
            best = static_cast<int>(i);
            bestPsnr = psnr;
        }
    }
    return best;
}

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

// The pictures (by their place in the decoder's order) not shown one picture time after the one
// before.
std::vector<size_t> MistimedPictures(const std::vector<int64_t>& times, int64_t pictureTicks) {
    std::vector<size_t> wrong;
    for (size_t i = 0; i < times.size(); ++i) {
        // The loopback camera rounds its times down to the 90 kHz tick.
        if (std::llabs(times[i] - times[0] - static_cast<int64_t>(i) * pictureTicks) > 1) wrong.push_back(i);
    }
    return wrong;
}

// What every recording of a shape must be: a file at the picture's size that FFmpeg copies and
// decodes cleanly, beginning with a sync sample, holding the pictures `recorded` (every rowStep-th
// row of each, as the reference decodes them) in that order, one picture time apart at the camera's
// rate. The decoder gives the pictures in the stream's display order, each with the time the file
// shows it at, from the first whole one on.
void CheckRecording(const std::filesystem::path& file, const StreamShape& shape, std::span<const RgbPicture> recorded,
                    int rowStep) {
    const std::span<const RgbPicture> shown = recorded.subspan(static_cast<size_t>(shape.partialPictures));
    ASSERT_FALSE(file.empty()) << "no recording";
    const test_support::VideoFile read = test_support::ReadVideoFile(file, test_support::DecodedPictures::kTimesOnly);
    ASSERT_TRUE(read.opened);
    EXPECT_EQ((std::vector<int>{read.width, read.height}), (std::vector<int>{shape.width, shape.height}));
    EXPECT_EQ(read.decodeErrors, 0);
    EXPECT_EQ(test_support::FfmpegErrors(file), "");
    ASSERT_FALSE(read.samples.empty());
    EXPECT_TRUE(read.samples.front().key);
    EXPECT_EQ(read.samples.size(), recorded.size());
    EXPECT_EQ(read.picturePts.size(), shown.size());
    const int64_t pictureTicks = read.timeScale / shape.framesPerSecond;
    EXPECT_EQ(MistimedPictures(read.picturePts, pictureTicks), std::vector<size_t>{});
    EXPECT_NEAR(read.duration, static_cast<int64_t>(recorded.size()) * pictureTicks, 2);

    std::vector<size_t> wrong;
    size_t decoded = 0;
    test_support::VisitPicturesWithFfmpegTool(
        file, shape.width, shape.height, shape.range, [&](const std::vector<uint8_t>& picture) {
            const RgbPicture rows = test_support::I420ToRgb(picture, shape.width, shape.height, shape.range, rowStep);
            if (decoded >= shown.size() || test_support::Psnr(rows, shown[decoded]) < kSamePicture) {
                wrong.push_back(decoded);
            }
            ++decoded;
        });
    EXPECT_EQ(decoded, shown.size());
    EXPECT_EQ(wrong, std::vector<size_t>{});
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

TEST_P(StreamShapes, PlaysSnapshotsAndRecordsTheRightPicturesAtTheirSizeAndRateWithoutARestart) {
    const StreamShape& shape = GetParam();
    if (shape.gdi) UseGdiRenderer();
    const CameraFile file = MakeCameraFile(shape, Drive("camera"));
    const int rowStep = std::max(1, shape.height / kComparedRows);
    const std::vector<RgbPicture> served = ServedPictures(file, shape, rowStep);
    ASSERT_GT(served.size(), kLastPictures);
    test_support::LoopbackRtspCameraOptions options;
    options.file = file.served;
    options.endWithTheFile = false;  // the view stops while the camera's session is still open
    test_support::LoopbackRtspCamera camera(options);
    camera.Start();
    platform::testing::setFolderChooser([](const platform::testing::FolderRequest&) { return L"D:\\snaps"; });

    test_support::StandInBrowser browser;
    browser.loadPage(PageFor(shape, camera.Url()), ".");
    ASSERT_EQ(NPERR_NO_ERROR, browser.instanceResult());
    ASSERT_EQ(browser.evaluate("started").text, "0");
    // Begun while the view holds the stream's first key picture and what followed it: the
    // recording begins there.
    browser.pumpFor(kFirstKeyPictureCome);
    EXPECT_EQ(browser.evaluate("player.StartRecord('D:\\\\records')").text, "0");

    ASSERT_TRUE(browser.pumpUntil([&] { return ShowsAPicture(browser.pluginPixels()); }, 10s))
        << "no picture; the stream was opened " << camera.SessionsMade() << " times";
    browser.pumpFor(200ms);  // a picture of the stream, not the first one half drawn
    EXPECT_EQ(browser.evaluate("player.SnapPicture()").text, "0");
    const int lastShown = static_cast<int>(served.size() - kLastPictures);
    const auto shown = [&] {
        return WhichPicture(test_support::SurfaceToRgb(browser.pluginPixels(), rowStep), served);
    };
    for (const auto giveUp = std::chrono::steady_clock::now() + kStreamLength + 10s;
         shown() < lastShown && std::chrono::steady_clock::now() < giveUp;) {
        browser.pumpFor(100ms);
    }
    EXPECT_GE(shown(), lastShown) << "the window shows none of the stream's last pictures (-1: none of its pictures)";
    browser.pumpFor(kTimeToSpare);
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
    const RgbPicture snapped = test_support::I420ToRgb(
        test_support::DecodeWithFfmpegTool(snapshot, shape.width, shape.height, SampleRange::Full).at(0), shape.width,
        shape.height, SampleRange::Full, rowStep);
    EXPECT_GE(WhichPicture(snapped, served), 0);
    CheckRecording(OnlyFileIn(Drive("records")), shape,
                   std::span(served).subspan(static_cast<size_t>(FirstKeyPictureServed(shape) - shape.joinedAt)),
                   rowStep);
}

INSTANTIATE_TEST_SUITE_P(CameraStreams, StreamShapes, ::testing::ValuesIn(kShapes),
                         [](const ::testing::TestParamInfo<StreamShape>& shape) { return shape.param.name; });

}  // namespace
