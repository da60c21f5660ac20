// One button of the control bar: its normal and pressed images at a place on the picture, whether
// it is shown and pressed, and what it does when pressed, released and clicked. A button without a
// normal image is neither drawn nor pressed.
//
// Mouse and timer handling change the state and visibility on the main thread while the decode
// thread draws the button, so those two are atomic; images, place and callbacks change only while
// the view starts, before any picture is drawn.
#pragma once

#include "app/player/ctrl_bitmap.h"

#include <atomic>
#include <cstdint>

class CVideoPlayer;

// Called with the button's user data; 1 when it acted.
using CtrlCallback = uint32_t (*)(void* user);

class CtrlButton {
public:
    enum State : int32_t { kUp = 1, kPressed = 2 };

    // No images, no callbacks, up and shown.
    void Reset();

    // The normal image while up, the pressed one while pressed, when shown.
    void Draw(CVideoPlayer& view) const;
    // A press inside the normal image of a shown button presses it: the press callback's result.
    uint32_t Press(int x, int y);
    // Releasing a pressed button (anywhere) runs its release callback, and its click callback
    // when the point lies on the pressed image: the last callback's result.
    uint32_t Release(int x, int y);
    // The point lies on the normal image, shown or not.
    bool Contains(int x, int y) const;
    // Bounds included.
    static bool PointInRect(int x, int y, int left, int top, int width, int height);

    bool shown() const { return visible.load() != 0; }
    bool pressedNow() const { return state.load() == kPressed; }

    std::atomic<int32_t> visible{1};
    std::atomic<int32_t> state{kUp};
    CtrlCallback onClick = nullptr;
    CtrlCallback onPress = nullptr;
    CtrlCallback onRelease = nullptr;
    void* user = nullptr;
    int32_t x = 0;
    int32_t y = 0;
    CtrlBitmap normal;
    CtrlBitmap pressed;
};
