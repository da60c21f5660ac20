// Presentation cost of one 1080p picture through each renderer, into a half-size and a full-size
// window: DirectDraw copies the planes into its surface and blits (the stand-in's Blt converts and
// stretches in software); GDI converts to BGR and stretches with StretchDIBits.
#include "app/render/video_render_gdi.h"
#include "app/render/video_renderers.h"
#include "tests/support/pixel_window.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// Luma ramps and chroma bands, so that every table entry of the conversions is used.
std::vector<unsigned char> TestPicture() {
    std::vector<unsigned char> picture(kWidth * kHeight * 3 / 2);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x)
            picture[static_cast<size_t>(y) * kWidth + x] = static_cast<unsigned char>(x + y);
    }
    for (size_t i = static_cast<size_t>(kWidth) * kHeight; i < picture.size(); ++i) {
        picture[i] = static_cast<unsigned char>(i / 977);
    }
    return picture;
}

void Present(benchmark::State& state, std::unique_ptr<VideoRenderBase> (*make)()) {
    test_support::PixelWindow window(0, 0, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    auto renderer = make();
    if (renderer->Init(window.handle(), kWidth, kHeight, kRenderFormatI420) != 0) {
        state.SkipWithError("the renderer could not be set up");
    }
    const auto picture = TestPicture();
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            renderer->Render(picture.data(), static_cast<int>(picture.size()), kRenderFormatI420, nullptr));
    }
    state.counters["pictures/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(Present, DirectDraw, MakeDDrawRenderer)
    ->Args({960, 540})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Present, GDI, MakeGdiRenderer)
    ->Args({960, 540})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The GDI renderer's software conversion alone.
void ConvertI420ToBgr(benchmark::State& state) {
    const auto picture = TestPicture();
    std::vector<unsigned char> bgr(static_cast<size_t>(kWidth) * kHeight * 3);
    for (auto _ : state) {
        benchmark::DoNotOptimize(VideoRenderGDI::ConvertI420ToBgr(picture.data(), bgr.data(), kWidth, kHeight, SampleRange::Studio));
    }
}
BENCHMARK(ConvertI420ToBgr)->Unit(benchmark::kMillisecond);

}  // namespace
