// Drawing what the camera views hold the way their decode thread draws it: a view's overlay into a
// picture of the view's size, under its frame lock, while it plays. Shapes a page loads and records
// a camera sends reach the drawing code here as they do in the plug-in, so an input that makes the
// drawing overflow or write outside the picture is found where it enters.
//
// The views live for the whole run, in a machine of their own (a temporary drive root with the
// Chinese font for their text, removed at exit) and over one plug-in window as large as the
// picture; each input's shapes or records replace those of the input before.
#pragma once

#include "host/plugin_window_win.h"
#include "tests/app/support/drawn_view.h"
#include "tests/app/support/test_windows.h"
#include "tests/support/scoped_machine_folders.h"

namespace fuzz_views {

constexpr int kPictureWidth = 320;
constexpr int kPictureHeight = 240;

// The plug-in window every view draws for, made with the machine on first use.
inline FB::PluginWindow* Window() {
    static test_support::ScopedMachineFolders machine;
    struct Windows {
        test_support::BrowserWindows browser{kPictureWidth, kPictureHeight};
        FB::PluginWindowWin plugin{FB::WindowContextWindowed(browser.plugin())};
    };
    static Windows* const windows = [] {
        machine.linkChineseFont();  // before any view loads it
        return new Windows();       // the views drawing for it are never destroyed either
    }();
    return &windows->plugin;
}

// A view of the class, made for the run: its picture size known, its overlay drawn on demand.
template <class View>
class DrawingView : public test_support::DrawnView<View> {
public:
    DrawingView() : test_support::DrawnView<View>(nullptr, Window()) {
        this->SetPictureSize(kPictureWidth, kPictureHeight, 0);
    }

    // The overlay as the decode thread draws it into each picture while the view plays.
    void Draw() {
        this->DrawnWith(16, [this] {
            this->playing_ = true;
            this->DrawOverlay();
            this->playing_ = false;
        });
    }
};

// The one view of the class for the run.
template <class View>
View& RunView() {
    static View* const view = new View();
    return *view;
}

}  // namespace fuzz_views
