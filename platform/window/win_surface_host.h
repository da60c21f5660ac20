// Showing windows' pixels in a display of another program (a browser page, a toolkit window):
// the program hears when drawing changed a window's pixels and reads them to show them.
#pragma once

#include "platform/base/win_user_types.h"

#include <cstdint>
#include <functional>

namespace platform::embedding {

// Hears that drawing (GDI or DirectDraw) changed pixels of the window. Called on the thread that
// drew, once the drawing is done and no lock of the window system is held; drawing may come at
// any rate, so the listener coalesces what it does with it. A blit that would draw what the
// window already shows, as a display shows it, draws nothing and is not heard.
using PixelsChangedListener = std::function<void(HWND window)>;

// Replaces the process-wide listener (an empty function: none). Returns once no call of the one it
// replaces runs any more, so that whatever that listener used may go. Not from inside a listener.
void setPixelsChangedListener(PixelsChangedListener listener);

// Sees the window's pixels as they are: width * height values, rows top-down, each 0xAARRGGBB
// (bytes B, G, R, A), and their generation, a count that changes with every drawing that changes
// them (a resize too) and only then. The pixels are held still for the visit, which must neither
// draw nor read pixels itself.
using PixelVisitor = std::function<void(const uint32_t* pixels, int width, int height, uint64_t generation)>;

// False, without a visit, for an unknown window.
bool visitWindowPixels(HWND window, const PixelVisitor& visit);

}  // namespace platform::embedding
