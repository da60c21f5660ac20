// The plug-in's own top-level windows (its full-screen window) shown on the X screen the page is
// on: each gets an X window at the same place and size, above everything, showing its pixels as
// they change and taking its mouse and key input, until the plug-in destroys it. A thread of the
// mirror's own, with an X connection of its own, does the X work, so that nothing of it depends on
// the browser's event loop; it runs from the first such window to stop().
#pragma once

#include "tools/desktop_bridge/window_picture.h"
#include "tools/desktop_bridge/x_picture_writer.h"

#include "platform/base/win_user_types.h"
#include "platform/net/unique_descriptor.h"

#include <X11/Xlib.h>

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace desktop {

class ScreenMirror {
public:
    ScreenMirror() = default;
    ~ScreenMirror();  // stop()
    ScreenMirror(const ScreenMirror&) = delete;
    ScreenMirror& operator=(const ScreenMirror&) = delete;

    // The X display the page is shown on, by name; until it is known nothing is mirrored.
    void setDisplay(const std::string& name);

    // Whether the window is one the plug-in shows on the screen of its own: visible, top-level, a
    // popup.
    static bool shows(HWND window);
    // The window's pixels changed (any thread): shows the window, or its new pixels.
    void changed(HWND window);
    // Looks again at every mirrored window: those the plug-in destroyed go from the screen.
    void recheck();
    // Takes every mirrored window off the screen and ends the mirror's thread.
    void stop();

private:
    struct Mirrored {
        Window x = 0;
        bool mapped = false;
        XPictureWriter writer;
    };

    void run();
    void handleRequests();
    void show(HWND window, Mirrored& mirrored);
    void paint(HWND window, Mirrored& mirrored);
    void handleEvent(const XEvent& event);
    void wake();

    std::mutex lock_;
    std::string displayName_;  // guarded by lock_
    std::set<HWND> dirty_;     // guarded by lock_: windows to look at again (null: all of them)
    std::map<HWND, std::shared_ptr<WindowPicture>> pictures_;  // guarded by lock_
    bool stopping_ = false;                                    // guarded by lock_
    platform::detail::UniqueDescriptor wakeup_;                // an eventfd the thread polls with its X connection
    std::thread thread_;

    // The mirror's thread only (runner_ is set as it starts).
    std::thread::id runner_;
    Display* display_ = nullptr;
    std::map<HWND, Mirrored> windows_;
};

}  // namespace desktop
