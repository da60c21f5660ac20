// Presentation cost of one 1080p picture through each renderer, into a quarter-size, a half-size and
// a full-size window: DirectDraw copies the planes into its surface and blits (the stand-in's Blt
// converts and stretches in software); GDI converts to BGR and stretches with StretchDIBits. A
// picture presented again (Present) costs its copy into the surface and what tells it unchanged;
// a new picture each time (PresentNew) costs the conversion too. LockAndCopy against PlainCopy is
// what telling a surface's new content from the same costs.
#include "app/render/video_render_gdi.h"
#include "app/render/video_renderers.h"
#include "platform/ddraw/ddraw.h"
#include "tests/support/pixel_window.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
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

// Presents `pictures` in turn, each the last one with every luma sample changed.
void PresentPictures(benchmark::State& state, std::unique_ptr<VideoRenderBase> (*make)(), size_t pictures) {
    test_support::PixelWindow window(0, 0, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    auto renderer = make();
    if (renderer->Init(window.handle(), kWidth, kHeight, kRenderFormatI420) != 0) {
        state.SkipWithError("the renderer could not be set up");
    }
    std::vector<std::vector<unsigned char>> shown(pictures, TestPicture());
    for (size_t i = 0; i < pictures; ++i) {
        for (size_t at = 0; at < static_cast<size_t>(kWidth) * kHeight; ++at) shown[i][at] += static_cast<unsigned char>(i);
    }
    size_t next = 0;
    for (auto _ : state) {
        const auto& picture = shown[next];
        next = (next + 1) % pictures;
        benchmark::DoNotOptimize(
            renderer->Render(picture.data(), static_cast<int>(picture.size()), kRenderFormatI420, nullptr));
    }
    state.counters["pictures/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void Present(benchmark::State& state, std::unique_ptr<VideoRenderBase> (*make)()) { PresentPictures(state, make, 1); }
void PresentNew(benchmark::State& state, std::unique_ptr<VideoRenderBase> (*make)()) {
    PresentPictures(state, make, 2);
}
BENCHMARK_CAPTURE(Present, DirectDraw, MakeDDrawRenderer)
    ->Args({480, 270})
    ->Args({960, 540})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(PresentNew, DirectDraw, MakeDDrawRenderer)
    ->Args({480, 270})
    ->Args({960, 540})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Present, GDI, MakeGdiRenderer)
    ->Args({480, 270})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(PresentNew, GDI, MakeGdiRenderer)
    ->Args({480, 270})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A 1080p picture copied into a locked YV12 surface, Unlock telling whether it changed.
void LockAndCopy(benchmark::State& state) {
    void* object = nullptr;
    DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr);
    auto* directDraw = static_cast<IDirectDraw7*>(object);
    DDSURFACEDESC2 description{};
    description.dwSize = sizeof(description);
    description.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    description.dwWidth = kWidth;
    description.dwHeight = kHeight;
    description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    description.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    description.ddpfPixelFormat.dwFlags = DDPF_FOURCC | DDPF_YUV;
    description.ddpfPixelFormat.dwFourCC = MAKEFOURCC('Y', 'V', '1', '2');
    LPDIRECTDRAWSURFACE7 surface = nullptr;
    directDraw->CreateSurface(&description, &surface, nullptr);
    const auto picture = TestPicture();
    for (auto _ : state) {
        surface->Lock(nullptr, &description, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr);
        std::memcpy(description.lpSurface, picture.data(), picture.size());
        surface->Unlock(nullptr);
    }
    surface->Release();
    directDraw->Release();
}
BENCHMARK(LockAndCopy)->Unit(benchmark::kMillisecond);

// The same copy into plain memory.
void PlainCopy(benchmark::State& state) {
    const auto picture = TestPicture();
    std::vector<unsigned char> copy(picture.size() + picture.size() / 16);  // as large as the surface
    for (auto _ : state) {
        std::memcpy(copy.data(), picture.data(), picture.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(PlainCopy)->Unit(benchmark::kMillisecond);

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
