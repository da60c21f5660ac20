// The camera view's frame path: decoded pictures get the queued frame commands run on them, the
// kept picture while paused and the overlays, and wait in the render queue; the render thread
// presents them.
#include "app/player/video_player.h"

#include "app/util/critical_section_hold.h"

#include <cstring>
#include <system_error>

namespace {

// The render queue never holds more pictures than this after a pass: the oldest go first.
constexpr size_t kMaxQueuedPictures = 24;
// A lone picture is presented again at most this many times, then dropped.
constexpr int kMaxRepeats = 240;
constexpr auto kRenderPassPause = std::chrono::milliseconds(10);
constexpr auto kEmptyQueuePause = std::chrono::milliseconds(1000);

}  // namespace

void CVideoPlayer::OnDecodedFrame(DataBuffer* picture, int width, int height, SampleRange range, void* user) {
    if (user == nullptr) {
        ReleaseDataBuffer(picture);
        return;
    }
    static_cast<CVideoPlayer*>(user)->TakeDecodedPicture(picture, width, height, range);
}

// On the decode thread.
void CVideoPlayer::TakeDecodedPicture(DataBuffer* picture, int width, int height, SampleRange range) {
    if (picture == nullptr) return;
    if (width != width_ || height != shownHeight()) {
        pictures_.Give(picture);
        RequestRestart();
        return;
    }
    pictureRange_ = range;
    {
        CriticalSectionHold frameHold(frameLock_);
        currentFrame_ = picture;
        while (!frameCommands_.empty()) {
            const FrameCommand command = frameCommands_.front();
            frameCommands_.pop_front();
            RunFrameCommand(command);
        }
        if (keptFrame_ != nullptr && keptFrame_->length == currentFrame_->length) {
            std::memcpy(currentFrame_->data, keptFrame_->data, static_cast<size_t>(keptFrame_->length));
        }
        DrawOverlay();
        CriticalSectionHold queueHold(renderQueueLock_);
        renderQueue_.push_back(currentFrame_);
        currentFrame_ = nullptr;
    }
    WakeRenderThread();
}

// A picture waiting for the render thread ends its pause: it is shown now, not after the pause.
void CVideoPlayer::WakeRenderThread() {
    {
        std::lock_guard<std::mutex> hold(renderWakeLock_);
        pictureQueued_ = true;
    }
    renderWake_.notify_all();
}

bool CVideoPlayer::RunFrameCommand(const FrameCommand& command) {
    switch (command.code) {
        case kFrameCommandKeep: {
            pictures_.Give(keptFrame_);
            keptFrame_ = nullptr;
            if (currentFrame_ == nullptr) return true;
            keptFrame_ = pictures_.Take(currentFrame_->length);
            if (keptFrame_ != nullptr) {
                std::memcpy(keptFrame_->data, currentFrame_->data, static_cast<size_t>(currentFrame_->length));
            }
            return true;
        }
        case kFrameCommandDrop:
            pictures_.Give(keptFrame_);
            keptFrame_ = nullptr;
            return true;
        default:
            return false;
    }
}

void CVideoPlayer::DrawOverlay() {
    DrawOsd();
    DrawDragRect();
}

int CVideoPlayer::Pause() {
    CriticalSectionHold hold(frameLock_);
    frameCommands_.push_back(FrameCommand{kFrameCommandKeep, 0});
    return 1;
}

int CVideoPlayer::Resume() {
    CriticalSectionHold hold(frameLock_);
    frameCommands_.push_back(FrameCommand{kFrameCommandDrop, 0});
    return 1;
}

void CVideoPlayer::SetZoomRect(bool on, int x, int y, int width, int height) {
    CriticalSectionHold frameHold(frameLock_);
    CriticalSectionHold queueHold(renderQueueLock_);
    zoomOn_ = on;
    zoomX_ = x;
    zoomY_ = y;
    zoomWidth_ = width;
    zoomHeight_ = height;
}

const RECT* CVideoPlayer::ZoomSource(RECT& storage) const {
    if (!zoomOn_) return nullptr;
    storage = RECT{zoomX_, zoomY_, zoomX_ + zoomWidth_, zoomY_ + zoomHeight_};
    return &storage;
}

VideoRenderBase* CVideoPlayer::ActiveRenderer() const { return fullScreen_ ? renderer2_.get() : renderer1_.get(); }

void CVideoPlayer::RenderFrame(DataBuffer* picture) {
    if (picture == nullptr) return;
    RECT storage{};
    const RECT* source = nullptr;
    {
        CriticalSectionHold hold(renderQueueLock_);
        source = ZoomSource(storage);
    }
    ActiveRenderer()->Render(picture->data, picture->length, RenderFormatFor(pictureRange_), source);
}

size_t CVideoPlayer::renderQueueLength() {
    CriticalSectionHold hold(renderQueueLock_);
    return renderQueue_.size();
}

void CVideoPlayer::FreeRenderQueue() {
    CriticalSectionHold hold(renderQueueLock_);
    for (DataBuffer* picture : renderQueue_) pictures_.Give(picture);
    renderQueue_.clear();
}

bool CVideoPlayer::RenderPass(RenderPassState& state) {
    DataBuffer* picture = nullptr;
    bool removed = false;  // taken out of the queue by this pass, to be freed once shown
    RECT storage{};
    EnterCriticalSection(&renderQueueLock_);
    while (renderQueue_.size() > kMaxQueuedPictures) {
        pictures_.Give(renderQueue_.front());
        renderQueue_.pop_front();
    }
    if (!renderQueue_.empty()) {
        picture = renderQueue_.front();
        if (renderQueue_.size() > 1) {
            renderQueue_.pop_front();
            removed = true;
        }
        if (picture != state.lastShown) {
            state.lastShown = picture;
            state.repeats = 0;
        } else if (++state.repeats > kMaxRepeats) {
            if (!removed) renderQueue_.pop_front();
            pictures_.Give(picture);
            picture = nullptr;
            removed = false;
            state.lastShown = nullptr;
        }
    }
    const RECT* source = ZoomSource(storage);
    LeaveCriticalSection(&renderQueueLock_);
    if (picture == nullptr) {
        PostToCurrentWindow(kViewPaintBlackMessage);
        return false;
    }
    ActiveRenderer()->Render(picture->data, picture->length, RenderFormatFor(pictureRange_), source);
    if (removed) {
        pictures_.Give(picture);
        // Its buffer comes back with a new picture, which must not count as the same one.
        state.lastShown = nullptr;
    }
    return true;
}

void CVideoPlayer::RenderLoop() {
    RenderPassState state;
    while (renderRun_ != 0) {
        if (!RenderPass(state)) RenderThreadPause(kEmptyQueuePause);
        RenderThreadPause(kRenderPassPause);
    }
}

void CVideoPlayer::RenderThreadPause(std::chrono::milliseconds time) {
    std::unique_lock<std::mutex> hold(renderWakeLock_);
    renderWake_.wait_for(hold, time, [this] { return renderRun_ == 0 || pictureQueued_; });
    pictureQueued_ = false;
}

void CVideoPlayer::StartRenderThread() {
    renderRun_ = 1;
    try {
        renderThread_ = std::thread(&CVideoPlayer::RenderLoop, this);
    } catch (const std::system_error&) {
        renderRun_ = 0;  // no pictures are shown; the watchdog paints the window black
    }
}

void CVideoPlayer::StopRenderThread() {
    {
        std::lock_guard<std::mutex> hold(renderWakeLock_);
        renderRun_ = 0;
    }
    renderWake_.notify_all();
    if (renderThread_.joinable()) renderThread_.join();
}
