// The records a Linux (X11) NPAPI browser hands a plug-in where they differ from the Windows form
// the plug-in was written for: the window record carries the X display details, events are X
// events, and a few more variables name X things. The function tables are the same in both forms.
#pragma once

#include "platform/npapi/npapi.h"

#include <X11/Xlib.h>

#include <cstdint>

namespace desktop {

// NPWindow as an X11 browser lays it out: the display details come before the type.
struct X11PluginWindow {
    void* window;  // for a windowless plug-in, nothing: the drawable comes with each paint event
    int32_t x;
    int32_t y;
    uint32_t width;
    uint32_t height;
    NPRect clipRect;
    void* displayDetails;  // an X11DisplayDetails
    NPWindowType type;
};

// What ws_info points to (the browser's NPSetWindowCallbackStruct).
struct X11DisplayDetails {
    int32_t type;
    Display* display;
    Visual* visual;
    Colormap colormap;
    unsigned int depth;
};

// Browser variables of the X11 form (NPN_GetValue).
constexpr int32_t kBrowserXDisplay = 1;             // NPNVxDisplay: the browser's Display*
constexpr int32_t kBrowserToolkit = 13;             // NPNVToolkit
constexpr int32_t kBrowserSupportsXEmbed = 14;      // NPNVSupportsXEmbedBool
constexpr int32_t kBrowserSupportsWindowless = 17;  // NPNVSupportsWindowless

// Plug-in variable of the X11 form (NPP_GetValue): whether the plug-in wants an XEmbed window.
constexpr int32_t kPluginNeedsXEmbed = 14;  // NPPVpluginNeedsXEmbed

}  // namespace desktop
