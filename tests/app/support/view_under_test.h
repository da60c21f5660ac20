// A camera view opened up for tests: its picture size, playing state and current picture can be
// set without a camera, decoded pictures handed to it directly, and its render thread's passes
// run one at a time by the test.
#pragma once

#include "app/player/video_player.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace test_support {

class ViewUnderTest : public CVideoPlayer {
public:
    explicit ViewUnderTest(FB::PluginWindow* window, VeltrinAPI* owner = nullptr) : CVideoPlayer(owner, window) {}
    ~ViewUnderTest() override { Shutdown(); }

    void SetPictureSize(int width, int codedHeight, int cropRows) {
        width_ = width;
        height_ = codedHeight;
        cropRows_ = cropRows;
    }
    // As if a start had succeeded or a stop had run, without a stream.
    void MarkPlaying(bool on) { playing_ = on; }
    // A decoded picture of the given size with every byte set to fill, taken from the view's pool
    // and handed on as the decoder does; answers its buffer.
    const DataBuffer* Decoded(int width, int height, uint8_t fill, SampleRange range = SampleRange::Studio) {
        DataBuffer* picture = pictures_.Take(width * height * 3 / 2);
        std::fill(picture->data, picture->data + picture->length, fill);
        TakeDecodedPicture(picture, width, height, range);
        return picture;
    }
    const DataBuffer* Decoded(uint8_t fill) { return Decoded(width_, shownHeight(), fill); }
    size_t IdlePictures() { return pictures_.idle(); }
    const DataBuffer* Kept() const { return keptFrame_; }

    // The first byte of every picture waiting in the render queue, oldest first.
    std::vector<int> QueuedFills() {
        EnterCriticalSection(&renderQueueLock_);
        std::vector<int> fills;
        for (const DataBuffer* picture : renderQueue_) fills.push_back(picture->data[0]);
        LeaveCriticalSection(&renderQueueLock_);
        return fills;
    }

    bool Pass() { return RenderPass(state_); }

    // Runs the drawing with the picture as the view's current frame, under the frame lock.
    template <class Drawing>
    void DrawInto(std::vector<uint8_t>& picture, Drawing drawing) {
        DataBuffer frame{picture.data(), static_cast<int32_t>(picture.size())};
        LockFrame();
        currentFrame_ = &frame;
        drawing();
        currentFrame_ = nullptr;
        UnlockFrame();
    }

    const OsdRecord& Osd() const { return osd_; }

private:
    RenderPassState state_;
};

}  // namespace test_support
