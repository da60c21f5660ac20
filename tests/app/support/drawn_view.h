// Any camera view opened up for drawing tests: its picture size set without a camera, and its
// overlays drawn into a picture of the test's under the frame lock, as the decode thread draws them.
#pragma once

#include "app/player/data_buffer.h"

#include <cstdint>
#include <vector>

namespace test_support {

template <class View>
class DrawnView : public View {
public:
    using View::View;

    void SetPictureSize(int width, int codedHeight, int cropRows) {
        this->width_ = width;
        this->height_ = codedHeight;
        this->cropRows_ = cropRows;
    }
    // A picture of the view's size, every byte fill, with the view's overlays drawn into it.
    std::vector<uint8_t> Drawn(uint8_t fill) {
        return DrawnWith(fill, [this] { this->DrawOverlay(); });
    }
    // The same with a drawing of the test's as the view's overlay.
    template <class Drawing>
    std::vector<uint8_t> DrawnWith(uint8_t fill, Drawing draw) {
        std::vector<uint8_t> picture(static_cast<size_t>(this->width_) * this->shownHeight() * 3 / 2, fill);
        DataBuffer frame{picture.data(), static_cast<int32_t>(picture.size())};
        this->LockFrame();
        this->currentFrame_ = &frame;
        draw();
        this->currentFrame_ = nullptr;
        this->UnlockFrame();
        return picture;
    }
};

}  // namespace test_support
