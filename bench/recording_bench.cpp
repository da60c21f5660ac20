// What recording adds on the RTSP source's thread, per picture: the recorder's intake of a 1080p
// camera-like stream (6 Mbit/s, four slices and timing SEI a picture) with every NAL unit and the
// delimiter closing the picture, as the view hands them over, writing a fragmented MP4 to a file
// (a fragment a picture, each written out at once); against the same intake while no recording runs.
#include "app/player/mp4_recorder.h"
#include "tests/support/annexb_splitter.h"
#include "tests/support/h264_stream_generator.h"
#include "tests/support/reference_h264_decode.h"
#include "tests/support/scoped_machine_folders.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kFrames = 50;
// A recording is restarted after this many pictures, so that the file stays small.
constexpr int64_t kPicturesPerFile = 1000;

using Picture = std::vector<test_support::NalUnit>;

const std::vector<Picture>& CameraPictures() {
    static const std::vector<Picture> pictures = [] {
        test_support::H264StreamOptions options = test_support::StreamOptions(
            1920, 1080, kFrames, "main",
            "bframes=0:keyint=25:slices=4:nal-hrd=vbr:bitrate=6000:vbv-maxrate=6000:vbv-bufsize=6000");
        options.filter = "noise=alls=12:allf=t";
        std::vector<Picture> split;
        for (const auto& bytes : test_support::SplitIntoPictures(test_support::MakeH264Stream(options))) {
            split.push_back(test_support::SplitAnnexB(bytes));
            split.back().push_back({0x09, 0xF0});  // the delimiter the source closes each picture with
        }
        return split;
    }();
    return pictures;
}

void Feed(Mp4Recorder& recorder, const Picture& picture) {
    for (const test_support::NalUnit& unit : picture) {
        recorder.TakeNalUnit(unit.data(), static_cast<int>(unit.size()));
    }
}

void BM_RecorderIntakePerPicture1080p(benchmark::State& state) {
    const std::vector<Picture>& pictures = CameraPictures();
    const bool recording = state.range(0) != 0;
    test_support::ScopedTempDir dir;
    const std::string file = (dir.path() / "recording.mp4").string();
    Mp4Recorder recorder;
    if (recording) recorder.Start(file.c_str(), 1920, 1080);
    size_t next = 0;
    int64_t inFile = 0;
    for (auto _ : state) {
        Feed(recorder, pictures[next]);
        next = (next + 1) % pictures.size();
        if (recording && ++inFile == kPicturesPerFile) {
            state.PauseTiming();
            recorder.Stop();
            recorder.Start(file.c_str(), 1920, 1080);
            next = 0;
            inFile = 0;
            state.ResumeTiming();
        }
    }
    state.counters["pictures_per_s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
    if (recording && inFile > 0) {
        // What the file takes a picture, the container's own boxes (a fragment's) included.
        recorder.Stop();
        state.counters["file_bytes_per_picture"] =
            static_cast<double>(std::filesystem::file_size(file)) / static_cast<double>(inFile);
    }
}

}  // namespace

BENCHMARK(BM_RecorderIntakePerPicture1080p)->Arg(0)->Arg(1)->ArgName("recording")->Unit(benchmark::kMicrosecond);
