// The drawing surface a browser gives a plug-in instance, seen as a source of plug-in events.
#pragma once

#include "host/plugin_event_source.h"
#include "host/rect.h"
#include "platform/base/win_user_types.h"

namespace FB {

class PluginWindow : public PluginEventSource {
public:
    // Ask for the whole window to be redrawn.
    virtual void repaintWindow() = 0;
    virtual Rect windowRect() = 0;
    virtual int getWindowWidth() = 0;
    virtual int getWindowHeight() = 0;
    virtual Rect clipRect() = 0;
    // The native window: the subclassed one of a windowed plug-in, the browser's own window of a
    // windowless one (null until the binding records it).
    virtual HWND getHWND() const = 0;
};

}  // namespace FB
