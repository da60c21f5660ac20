// X mouse and key events on the plug-in's rectangle in the page, given in the plug-in's own
// coordinates, become the input of the plug-in's window, as the original platform would deliver
// it: mouse messages to the window, keystrokes to the window holding the focus.
#pragma once

#include "platform/base/win_user_types.h"

#include <X11/Xlib.h>

namespace desktop {

// True when the event was input for the window and went to it.
bool forwardInput(HWND window, const XEvent& event);

// The virtual key of an X key symbol, 0 for one the window has no key for.
BYTE virtualKeyOf(KeySym symbol);

}  // namespace desktop
