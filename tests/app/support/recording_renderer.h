// Renderers for the camera view tests: each records what the view asks of it in a log shared by
// every renderer of the test, can be made to fail its Init, and may pass every call on to a real
// renderer so that the picture still reaches the window.
#pragma once

#include "app/player/renderer_choice_testing.h"
#include "app/render/video_renderers.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace test_support {

struct RendererLog {
    struct InitCall {
        RendererKind kind;
        HWND window;
        int width;
        int height;
    };

    std::vector<InitCall> initCalls() {
        std::lock_guard<std::mutex> hold(lock);
        return inits;
    }
    int renders() {
        std::lock_guard<std::mutex> hold(lock);
        return renderCount;
    }
    // Pictures rendered into the window (by the renderer that was initialised for it).
    int rendersIn(HWND window) {
        std::lock_guard<std::mutex> hold(lock);
        auto found = renderCountIn.find(window);
        return found == renderCountIn.end() ? 0 : found->second;
    }
    std::vector<uint8_t> lastPicture() {
        std::lock_guard<std::mutex> hold(lock);
        return picture;
    }
    // The last picture rendered into the window (by the renderer that was initialised for it).
    std::vector<uint8_t> lastPictureIn(HWND window) {
        std::lock_guard<std::mutex> hold(lock);
        auto found = pictureIn.find(window);
        return found == pictureIn.end() ? std::vector<uint8_t>() : found->second;
    }
    std::optional<RECT> lastSource() {
        std::lock_guard<std::mutex> hold(lock);
        return source;
    }
    int lastFormat() {
        std::lock_guard<std::mutex> hold(lock);
        return format;
    }

    std::mutex lock;
    std::vector<InitCall> inits;
    int renderCount = 0;
    std::vector<uint8_t> picture;  // the bytes of the last picture rendered
    std::map<HWND, std::vector<uint8_t>> pictureIn;
    std::map<HWND, int> renderCountIn;
    std::optional<RECT> source;               // its source rectangle
    int format = -1;                          // and its format
    std::map<RendererKind, int> initResults;  // a kind listed here fails its Init with this code
    // Runs, outside the lock, before each Init with the window it is for: a test may switch the
    // platform's failures on for one window.
    std::function<void(HWND)> beforeInit;
    bool forwardToRealRenderers = false;
};

class RecordingRenderer : public VideoRenderBase {
public:
    RecordingRenderer(std::shared_ptr<RendererLog> log, RendererKind kind) : log_(std::move(log)), kind_(kind) {
        if (log_->forwardToRealRenderers) real_ = kind == RendererKind::Gdi ? MakeGdiRenderer() : MakeDDrawRenderer();
    }

    int Init(HWND window, int width, int height, int format) override {
        if (log_->beforeInit) log_->beforeInit(window);
        std::optional<int> failure;
        {
            std::lock_guard<std::mutex> hold(log_->lock);
            log_->inits.push_back({kind_, window, width, height});
            window_ = window;
            auto found = log_->initResults.find(kind_);
            if (found != log_->initResults.end()) failure = found->second;
        }
        if (failure) return *failure;
        return real_ ? real_->Init(window, width, height, format) : 0;
    }
    int Render(const unsigned char* data, int length, int format, const RECT* source) override {
        {
            std::lock_guard<std::mutex> hold(log_->lock);
            ++log_->renderCount;
            log_->picture.assign(data, data + length);
            log_->pictureIn[window_] = log_->picture;
            ++log_->renderCountIn[window_];
            log_->source = source ? std::optional<RECT>(*source) : std::nullopt;
            log_->format = format;
        }
        return real_ ? real_->Render(data, length, format, source) : 1;
    }
    int Close() override { return real_ ? real_->Close() : 1; }
    int Release() override { return real_ ? real_->Release() : 1; }

private:
    std::shared_ptr<RendererLog> log_;
    RendererKind kind_;
    HWND window_ = nullptr;
    std::unique_ptr<VideoRenderBase> real_;
};

// A black I420 picture: luma 16, chroma 128.
inline std::vector<uint8_t> BlackPicture(int width, int height) {
    std::vector<uint8_t> picture(static_cast<size_t>(width) * height * 3 / 2, 128);
    std::fill(picture.begin(), picture.begin() + static_cast<std::ptrdiff_t>(width) * height, 16);
    return picture;
}

// Every view made while this lives gets recording renderers.
class ScopedRecordingRenderers {
public:
    explicit ScopedRecordingRenderers(bool forwardToRealRenderers = false) {
        log->forwardToRealRenderers = forwardToRealRenderers;
        SetRendererFactoryForTesting(
            [log = log](RendererKind kind) { return std::make_unique<RecordingRenderer>(log, kind); });
    }
    ~ScopedRecordingRenderers() { SetRendererFactoryForTesting({}); }
    ScopedRecordingRenderers(const ScopedRecordingRenderers&) = delete;
    ScopedRecordingRenderers& operator=(const ScopedRecordingRenderers&) = delete;

    const std::shared_ptr<RendererLog> log = std::make_shared<RendererLog>();
};

}  // namespace test_support
