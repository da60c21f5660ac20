#include "tools/desktop_bridge/screen_mirror.h"

#include "tools/desktop_bridge/x_input.h"

#include "platform/text/utf_text.h"
#include "platform/window/win_surface_host.h"
#include "platform/window/win_window.h"

#include <X11/Xutil.h>

#include <poll.h>
#include <sys/eventfd.h>

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace desktop {

namespace {

constexpr long kEvents = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                         KeyReleaseMask | StructureNotifyMask;

std::string titleOf(HWND window) {
    wchar_t text[256] = {};
    const int length = GetWindowTextW(window, text, 256);
    return platform::wideToUtf8Text(std::wstring_view(text, static_cast<size_t>(std::max(length, 0))));
}

}  // namespace

ScreenMirror::~ScreenMirror() { stop(); }

void ScreenMirror::setDisplay(const std::string& name) {
    std::lock_guard<std::mutex> hold(lock_);
    displayName_ = name;
}

bool ScreenMirror::shows(HWND window) {
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    return IsWindow(window) && (style & WS_POPUP) && (style & WS_VISIBLE) && !(style & WS_CHILD);
}

void ScreenMirror::changed(HWND window) {
    std::shared_ptr<WindowPicture> picture;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (stopping_ || displayName_.empty()) return;
        std::shared_ptr<WindowPicture>& kept = pictures_[window];
        if (!kept) kept = std::make_shared<WindowPicture>(window);
        picture = kept;
    }
    // Only a new picture is kept; a paint is asked for unless one is already under way.
    if (!picture->keepNewPicture()) return;
    std::lock_guard<std::mutex> hold(lock_);
    if (stopping_) return;
    dirty_.insert(window);
    if (!thread_.joinable()) {
        wakeup_.reset(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
        if (!wakeup_) return;
        thread_ = std::thread(&ScreenMirror::run, this);
    }
    wake();
}

void ScreenMirror::recheck() {
    std::lock_guard<std::mutex> hold(lock_);
    if (!thread_.joinable()) return;
    dirty_.insert(nullptr);  // every mirrored window
    wake();
}

void ScreenMirror::stop() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!thread_.joinable()) return;
        stopping_ = true;
        wake();
    }
    thread_.join();
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = false;
    dirty_.clear();
    pictures_.clear();
    wakeup_.reset();
}

void ScreenMirror::wake() {
    const uint64_t one = 1;
    if (write(wakeup_.get(), &one, sizeof one) < 0) {
        // The counter is full: the thread has plenty of reason to wake already.
    }
}

void ScreenMirror::run() {
    std::string name;
    {
        std::lock_guard<std::mutex> hold(lock_);
        name = displayName_;
    }
    runner_ = std::this_thread::get_id();
    display_ = XOpenDisplay(name.c_str());
    if (!display_) std::fprintf(stderr, "desktop bridge: cannot open display %s for full screen\n", name.c_str());
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (stopping_) break;
        }
        handleRequests();
        while (display_ && XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            handleEvent(event);
        }
        pollfd watched[2] = {{wakeup_.get(), POLLIN, 0}, {display_ ? ConnectionNumber(display_) : -1, POLLIN, 0}};
        poll(watched, display_ ? 2 : 1, -1);
        uint64_t count = 0;
        if (read(wakeup_.get(), &count, sizeof count) < 0) {
            // Nothing was written since the last read.
        }
    }
    for (auto& [window, mirrored] : windows_) {
        if (mirrored.x) XDestroyWindow(display_, mirrored.x);
    }
    windows_.clear();  // the writers go while the connection is still open
    if (display_) XCloseDisplay(display_);
    display_ = nullptr;
}

void ScreenMirror::handleRequests() {
    assert(std::this_thread::get_id() == runner_);
    std::set<HWND> dirty;
    {
        std::lock_guard<std::mutex> hold(lock_);
        dirty.swap(dirty_);
    }
    if (!display_) return;
    if (dirty.count(nullptr)) {
        for (const auto& [window, mirrored] : windows_) dirty.insert(window);
        dirty.erase(nullptr);
    }
    for (HWND window : dirty) {
        auto found = windows_.find(window);
        if (!shows(window)) {
            if (found != windows_.end()) {
                XDestroyWindow(display_, found->second.x);
                windows_.erase(found);
            }
            std::lock_guard<std::mutex> hold(lock_);
            pictures_.erase(window);
            continue;
        }
        Mirrored& mirrored = windows_[window];
        if (!mirrored.x) show(window, mirrored);
        if (mirrored.mapped) paint(window, mirrored);
    }
    XFlush(display_);
}

void ScreenMirror::show(HWND window, Mirrored& mirrored) {
    RECT place{};
    GetWindowRect(window, &place);
    const int screen = DefaultScreen(display_);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;  // above everything, placed as the plug-in placed it
    attributes.background_pixel = BlackPixel(display_, screen);
    attributes.event_mask = kEvents;
    mirrored.x =
        XCreateWindow(display_, RootWindow(display_, screen), place.left, place.top,
                      static_cast<unsigned>(std::max<LONG>(1, place.right - place.left)),
                      static_cast<unsigned>(std::max<LONG>(1, place.bottom - place.top)), 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
    const std::string title = titleOf(window);
    Xutf8SetWMProperties(display_, mirrored.x, title.c_str(), title.c_str(), nullptr, 0, nullptr, nullptr, nullptr);
    XMapRaised(display_, mirrored.x);
}

void ScreenMirror::paint(HWND window, Mirrored& mirrored) {
    assert(std::this_thread::get_id() == runner_);
    std::shared_ptr<WindowPicture> picture;
    {
        std::lock_guard<std::mutex> hold(lock_);
        auto found = pictures_.find(window);
        if (found == pictures_.end()) return;
        picture = found->second;
    }
    const int screen = DefaultScreen(display_);
    // Every waiting picture in turn, each shown on the screen.
    WindowPicture::Taken taken;
    do {
        taken = picture->takePicture();
        picture->withPicture([&](const uint32_t* pixels, int width, int height, uint64_t generation) {
            mirrored.writer.put(display_, mirrored.x, DefaultVisual(display_, screen),
                                static_cast<unsigned>(DefaultDepth(display_, screen)), pixels, width, height,
                                generation, PicturePart{0, 0, width, height});
        });
    } while (taken.moreWaiting);
}

void ScreenMirror::handleEvent(const XEvent& event) {
    assert(std::this_thread::get_id() == runner_);
    for (auto& [window, mirrored] : windows_) {
        if (mirrored.x != event.xany.window) continue;
        if (event.type == MapNotify) {
            mirrored.mapped = true;
            // Keys go to the window on the screen, as they go to the original's full-screen window.
            XSetInputFocus(display_, mirrored.x, RevertToPointerRoot, CurrentTime);
            paint(window, mirrored);
        } else if (event.type == Expose && event.xexpose.count == 0) {
            paint(window, mirrored);
        } else {
            forwardInput(window, event);
        }
        return;
    }
}

}  // namespace desktop
