// Cost of the overlay primitives that run on every decoded frame of a 1080p picture.
#include "app/render/cached_text.h"
#include "app/render/frame_line.h"
#include "app/render/text_renderer.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

void DrawRectangleOutline(benchmark::State& state) {
    std::vector<uint8_t> picture(kWidth * kHeight * 3 / 2, 16);
    const int32_t colour[3] = {81, 90, 239};
    const int thickness = static_cast<int>(state.range(0));
    for (auto _ : state) {
        DrawLineIntoFrame(picture.data(), kWidth, kHeight, 100, 100, 1800, 100, thickness, colour);
        DrawLineIntoFrame(picture.data(), kWidth, kHeight, 1800, 100, 1800, 1000, thickness, colour);
        DrawLineIntoFrame(picture.data(), kWidth, kHeight, 1800, 1000, 100, 1000, thickness, colour);
        DrawLineIntoFrame(picture.data(), kWidth, kHeight, 100, 1000, 100, 100, thickness, colour);
        benchmark::DoNotOptimize(picture.data());
    }
}
BENCHMARK(DrawRectangleOutline)->Arg(1)->Arg(3);

// The on-screen-display line: date, time, weekday and channel at the 1080-line text size. Uses the
// fonts folder of the default drive root (scripts/setup.sh links simhei.ttf there).
void DrawOsdText(benchmark::State& state) {
    std::vector<uint8_t> picture(kWidth * kHeight * 3 / 2, 16);
    auto renderer = std::make_unique<TextRenderer>();
    const int32_t white[3] = {255, 255, 255};
    const char* line = "2026-12-06 17:40:00 \xD0\xC7\xC6\xDA\xC1\xF9 CH1";  // ... 星期六 CH1
    if (!renderer->loaded()) state.SkipWithError("simhei.ttf is not in the fonts folder");
    for (auto _ : state) {
        renderer->DrawText(picture.data(), line, kWidth, kHeight, 44, 976, 52, white);
        benchmark::DoNotOptimize(picture.data());
    }
}
BENCHMARK(DrawOsdText);

// The same line as the views draw it, from the samples it wrote into the picture before.
void DrawOsdTextCached(benchmark::State& state) {
    std::vector<uint8_t> picture(kWidth * kHeight * 3 / 2, 16);
    auto renderer = std::make_unique<TextRenderer>();
    CachedText cached;
    const int32_t white[3] = {255, 255, 255};
    const char* line = "2026-12-06 17:40:00 \xD0\xC7\xC6\xDA\xC1\xF9 CH1";  // ... 星期六 CH1
    if (!renderer->loaded()) state.SkipWithError("simhei.ttf is not in the fonts folder");
    for (auto _ : state) {
        cached.Draw(*renderer, picture.data(), line, kWidth, kHeight, 44, 976, 52, white);
        benchmark::DoNotOptimize(picture.data());
    }
}
BENCHMARK(DrawOsdTextCached);

}  // namespace
