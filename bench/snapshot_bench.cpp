// A snapshot of a 1080p camera picture: the view's work outside the render-queue lock (the copy of
// the picture, JPEG compression in raw-data mode to a file, its studio-range samples stretched to
// full range on the way), against libjpeg-turbo compressing the same picture with the same settings
// straight from the picture's rows. "ratio_to_libjpeg": the snapshot's time over
// libjpeg-turbo's (1.0 is parity).
#include "app/player/jpeg_snapshot.h"
#include "app/util/file_owner.h"
#include "tests/support/h264_stream_generator.h"
#include "tests/support/reference_h264_decode.h"
#include "tests/support/scoped_machine_folders.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

const std::vector<uint8_t>& CameraPicture() {
    static const std::vector<uint8_t> picture = [] {
        test_support::H264StreamOptions options = test_support::StreamOptions(kWidth, kHeight, 3, "main");
        options.filter = "noise=alls=12:allf=t";
        return test_support::DecodeH264Reference(test_support::MakeH264Stream(options)).pictures.back();
    }();
    return picture;
}

// The snapshot as the view takes it, after the lock.
int Snapshot(const std::string& name, const std::vector<uint8_t>& picture) {
    std::vector<uint8_t> copy(picture);
    return WriteJpegFile(name.c_str(), copy.data(), kWidth, kHeight, SampleRange::Studio);
}

// libjpeg-turbo's own raw-data compression of the picture: quality 100, 4:2:0, rows handed over
// in place.
void LibjpegRawEncode(const std::string& name, const std::vector<uint8_t>& picture) {
    const FileOwner file = OpenAnsiFile(name.c_str(), "wb");
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file.get());
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = 3;
    info.in_color_space = JCS_YCbCr;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    info.raw_data_in = TRUE;
    info.comp_info[0].h_samp_factor = 2;
    info.comp_info[0].v_samp_factor = 2;
    jpeg_start_compress(&info, TRUE);
    const uint8_t* planes[3] = {picture.data(), picture.data() + kWidth * kHeight,
                                picture.data() + kWidth * kHeight * 5 / 4};
    const int strides[3] = {kWidth, kWidth / 2, kWidth / 2};
    const int lastRows[3] = {kHeight - 1, kHeight / 2 - 1, kHeight / 2 - 1};
    JSAMPROW rows[3][16];
    JSAMPARRAY groups[3] = {rows[0], rows[1], rows[2]};
    while (info.next_scanline < info.image_height) {
        for (int c = 0; c < 3; ++c) {
            const int count = c == 0 ? 16 : 8;
            const int first = c == 0 ? static_cast<int>(info.next_scanline) : static_cast<int>(info.next_scanline) / 2;
            // The last group reaches past the picture: its last row stands in for the rows beyond.
            for (int r = 0; r < count; ++r) {
                const int row = std::min(first + r, lastRows[c]);
                rows[c][r] = const_cast<JSAMPROW>(planes[c] + static_cast<size_t>(row) * strides[c]);
            }
        }
        jpeg_write_raw_data(&info, groups, 16);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
}

double SecondsPerLibjpegEncode(const std::string& name, const std::vector<uint8_t>& picture) {
    constexpr int kPasses = 10;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kPasses; ++i) LibjpegRawEncode(name, picture);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kPasses;
}

void BM_LibjpegRawEncode1080p(benchmark::State& state) {
    const std::vector<uint8_t>& picture = CameraPicture();
    test_support::ScopedTempDir dir;
    const std::string name = (dir.path() / "libjpeg.jpg").string();
    for (auto _ : state) LibjpegRawEncode(name, picture);
}

void BM_Snapshot1080p(benchmark::State& state) {
    const std::vector<uint8_t>& picture = CameraPicture();
    test_support::ScopedTempDir dir;
    const std::string name = (dir.path() / "snapshot.jpg").string();
    const double libjpegSeconds = SecondsPerLibjpegEncode((dir.path() / "libjpeg.jpg").string(), picture);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) benchmark::DoNotOptimize(Snapshot(name, picture));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["ratio_to_libjpeg"] = seconds / static_cast<double>(state.iterations()) / libjpegSeconds;
}

}  // namespace

BENCHMARK(BM_LibjpegRawEncode1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Snapshot1080p)->Unit(benchmark::kMillisecond);
