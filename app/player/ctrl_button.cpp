#include "app/player/ctrl_button.h"

#include "app/player/video_player.h"

#include <algorithm>
#include <cstdint>

namespace {

// Only the part of the image that lies on the picture is handed to the blending.
void DrawClipped(CVideoPlayer& view, const CtrlBitmap& image, int32_t x, int32_t y) {
    if (image.empty()) return;
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t{x} + image.width, view.width());
    const int64_t bottom = std::min<int64_t>(int64_t{y} + image.height, view.shownHeight());
    if (left >= right || top >= bottom) return;
    const uint8_t* first = image.data.data() + (top - y) * image.stride + (left - x) * 3;
    view.DrawBitmap(static_cast<int>(left), static_cast<int>(top), first, static_cast<int>(right - left),
                    static_cast<int>(bottom - top), image.stride);
}

}  // namespace

void CtrlButton::Reset() {
    visible = 1;
    state = kUp;
    onClick = onPress = onRelease = nullptr;
    user = nullptr;
    x = y = 0;
    normal.clear();
    pressed.clear();
}

bool CtrlButton::PointInRect(int px, int py, int left, int top, int width, int height) {
    return px >= left && py >= top && int64_t{px} <= int64_t{left} + width && int64_t{py} <= int64_t{top} + height;
}

bool CtrlButton::Contains(int px, int py) const {
    return !normal.empty() && PointInRect(px, py, x, y, normal.width, normal.height);
}

void CtrlButton::Draw(CVideoPlayer& view) const {
    if (normal.empty() || !shown()) return;
    DrawClipped(view, pressedNow() ? pressed : normal, x, y);
}

uint32_t CtrlButton::Press(int px, int py) {
    if (!shown() || !Contains(px, py)) return 0;
    const uint32_t result = onPress ? onPress(user) : 0;
    state = kPressed;
    return result;
}

uint32_t CtrlButton::Release(int px, int py) {
    if (normal.empty() || !shown() || !pressedNow()) return 0;
    uint32_t result = onRelease ? onRelease(user) : 0;
    state = kUp;
    if (!pressed.empty() && PointInRect(px, py, x, y, pressed.width, pressed.height) && onClick) {
        result = onClick(user);
    }
    return result;
}
