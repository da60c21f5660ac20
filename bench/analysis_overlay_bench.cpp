// The analytics setting view's work on the decoder's thread, per 1080p picture (40 ms apart at
// 25 fps):
// - the overlay with the most shapes the caps allow, every group labelled, a shape being edited, a
//   check line with its distance, the target hints and the mesh, for the event types that show
//   stop areas (0) and lanes and solid lines (2); the window is 640 x 360, so lines are 3 pixels
//   thick (5 x 5 brushes);
// - the chessboard search on a picture without a board (noise, and a board of another size),
//   searched over the whole picture.
#include "app/analysis/analysis_setting_player.h"
#include "app/player/renderer_choice_testing.h"
#include "app/render/video_renderers.h"
#include "host/plugin_window_win.h"
#include "tests/app/support/test_windows.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// The view with its picture size set and a picture of the test's own made current.
class BenchView : public CAnalysisSettingPlayer {
public:
    explicit BenchView(FB::PluginWindow* window) : CAnalysisSettingPlayer(nullptr, window) {
        width_ = kWidth;
        height_ = kHeight;
    }
    ~BenchView() override { Shutdown(); }

    // Every group full; a stop area and a check line being edited; hints and mesh on.
    void FillEveryGroup(int type) {
        SetAnalyseParams(FullDocument());
        LockFrame();
        eventType = type;
        currentKind = 4;
        drawing = true;
        editPoints = {{900, 700}, {1100, 700}, {1100, 900}};
        lastMouse = {950, 950};
        UnlockFrame();
        OpenMesh(1, 80);
        SetTargetWidth(300);
    }
    void RefreshHints() {
        LockFrame();
        targetWidth = 300;
        targetCountdown = 70;
        minTargetBox = {800, 400, 200, 200};
        maxTargetBox = {700, 300, 400, 400};
        targetBoxCountdown = 70;
        checkLinePoints = {{100, 1000}, {1800, 1000}};
        checkLineCountdown = 200;
        calibWidth = 30.0f;
        calibHeight = 60.0f;
        UnlockFrame();
    }
    void Overlay(DataBuffer* picture) {
        LockFrame();
        currentFrame_ = picture;
        DrawOverlay();
        currentFrame_ = nullptr;
        UnlockFrame();
    }
    // The search over the whole picture, as the decoder runs it.
    void Search(DataBuffer* picture) {
        LockFrame();
        currentFrame_ = picture;
        currentKind = 12;
        editPoints = {{0, 0}, {kWidth, kHeight}};
        RunCalibration();
        currentFrame_ = nullptr;
        UnlockFrame();
    }

private:
    static std::string Points(int x, int y, int w, int h, int count) {
        std::string points;
        for (int i = 0; i < count; ++i) {
            const int px = x + (i % 2 == 0 ? 0 : w) + i * 3;
            const int py = y + (i < count / 2 ? 0 : h) + i;
            points +=
                (i ? "," : "") + std::string("{\"x\":") + std::to_string(px) + ",\"y\":" + std::to_string(py) + "}";
        }
        return "{\"points\":[" + points + "]}";
    }
    static std::string Group(int count, int points, int row) {
        std::string group;
        for (int i = 0; i < count; ++i) {
            group += (i ? "," : "") + Points(40 + (i % 10) * 185, row + (i / 10) * 120, 150, 90, points);
        }
        return "[" + group + "]";
    }
    static std::string FullDocument() {
        std::string lanes;
        for (int i = 0; i < 8; ++i) {
            const int x = 40 + i * 230;
            lanes += (i ? "," : "") + std::string("{\"laneline\":") + Points(x, 700, 200, 300, 4) +
                     ",\"lanedirect\":{\"points\":[{\"x\":" + std::to_string(x + 100) +
                     ",\"y\":950},{\"x\":" + std::to_string(x + 100) + ",\"y\":750}]}}";
        }
        return "{\"clbcoord\":{\"points\":[{\"x\":300.0,\"y\":500.0},{\"x\":1600.0,\"y\":500.0},"
               "{\"x\":1900.0,\"y\":1050.0},{\"x\":20.0,\"y\":1050.0}]},\"eventInfo\":{"
               "\"minsize\":{\"points\":[{\"x\":100,\"y\":100},{\"x\":300,\"y\":300}]},"
               "\"maxsize\":{\"points\":[{\"x\":1500,\"y\":100},{\"x\":1900,\"y\":500}]},"
               "\"sheildarea\":" +
               Group(20, 8, 40) + ",\"stoparea\":" + Group(8, 8, 300) + ",\"lane\":[" + lanes +
               "],\"solidline\":" + Group(8, 4, 450) + ",\"uturnline\":" + Group(8, 4, 450) +
               ",\"changeline\":" + Group(8, 4, 450) + "}}";
    }
};

struct Fixture {
    Fixture() {
        SetRendererFactoryForTesting([](RendererKind) { return MakeGdiRenderer(); });
        view = std::make_unique<BenchView>(window.get());
    }
    ~Fixture() {
        view.reset();
        SetRendererFactoryForTesting({});
    }
    test_support::BrowserWindows windows{640, 360};
    std::unique_ptr<FB::PluginWindowWin> window =
        std::make_unique<FB::PluginWindowWin>(FB::WindowContextWindowed(windows.plugin()));
    std::unique_ptr<BenchView> view;
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kWidth * kHeight * 3 / 2, 16);
    DataBuffer picture{bytes.data(), static_cast<int32_t>(bytes.size())};
};

void OverlayWithEveryShape(benchmark::State& state) {
    Fixture fixture;
    fixture.view->FillEveryGroup(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        fixture.view->RefreshHints();
        fixture.view->Overlay(&fixture.picture);
        benchmark::DoNotOptimize(fixture.bytes.data());
    }
}
BENCHMARK(OverlayWithEveryShape)->ArgName("eventType")->Arg(0)->Arg(2)->Unit(benchmark::kMicrosecond);

// 0: noise; 1: a 7 x 9 board where a 4 x 6 one is sought.
void ChessboardSearchWithoutTheBoard(benchmark::State& state) {
    Fixture fixture;
    std::mt19937 random(7);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool dark = ((x - 400) / 80 + (y - 100) / 80) % 2 == 0;
            const bool board = x >= 400 && x < 400 + 8 * 80 && y >= 100 && y < 100 + 10 * 80;
            fixture.bytes[static_cast<size_t>(y) * kWidth + x] =
                state.range(0) == 0 ? static_cast<uint8_t>(random()) : (board && dark ? 16 : 235);
        }
    }
    for (auto _ : state) fixture.view->Search(&fixture.picture);
}
BENCHMARK(ChessboardSearchWithoutTheBoard)->ArgName("picture")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
