// The input messages that both kinds of plug-in window receive (keys, mouse moves and button
// presses), turned into plug-in events for the window's observers. The windowed window gets them
// from its subclassed window procedure, the windowless one from the binding.
#pragma once

#include "host/plugin_event_source.h"
#include "platform/base/win_user_types.h"

namespace FB {

// Broadcasts from `window` the plug-in event of an input message: WM_KEYDOWN and WM_KEYUP,
// WM_MOUSEMOVE and the down and up messages of the left, right and middle buttons. The mouse
// position is the message's less `origin` (a windowless plug-in's place in the browser's window).
// Returns whether an observer handled the event; false for every other message, the double-click
// messages included (the presses around a double click carry it).
bool translateInputMessage(PluginEventSource& window, UINT message, WPARAM wParam, LPARAM lParam,
                           POINT origin = POINT{0, 0});

}  // namespace FB
