#include "platform/window/window_system.h"

#include "platform/thread/thread_identity.h"
#include "platform/base/win_error.h"
#include "platform/thread/win_thread.h"

#include <algorithm>

namespace platform::detail {

namespace {

void endQueue(const std::shared_ptr<ThreadQueue>& queue) {
    WindowSystem& system = windowSystem();
    std::lock_guard<std::mutex> lock(system.lock);
    queue->alive = false;
    for (auto& sent : queue->sent) completeSentLocked(*sent, 0);
    queue->sent.clear();
    queue->posted.clear();
    queue->timers.clear();
    // The thread's windows go with it; no procedure can run for them any more.
    std::vector<std::shared_ptr<Window>> orphaned;
    for (auto& [handle, window] : system.windows) {
        if (window->queue == queue) orphaned.push_back(window);
    }
    for (auto& window : orphaned) forgetWindowLocked(*window);
}

// Ends the thread's queue when the thread ends.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder() {
        if (queue) endQueue(queue);
    }
};

thread_local QueueHolder queueHolder;

void eraseHandle(std::vector<HWND>& handles, HWND handle) {
    handles.erase(std::remove(handles.begin(), handles.end(), handle), handles.end());
}

}  // namespace

void Surface::resizeLocked(int newWidth, int newHeight) {
    if (newWidth == width && newHeight == height) return;
    // Keep what was drawn where old and new areas overlap, as a resized window keeps its picture.
    std::vector<uint32_t> resized(static_cast<size_t>(newWidth) * newHeight, 0xFF000000u);
    int keptWidth = std::min(width, newWidth);
    int keptHeight = std::min(height, newHeight);
    for (int row = 0; row < keptHeight; ++row) {
        std::copy_n(pixels.begin() + static_cast<ptrdiff_t>(row) * width, keptWidth,
                    resized.begin() + static_cast<ptrdiff_t>(row) * newWidth);
    }
    pixels.swap(resized);
    width = newWidth;
    height = newHeight;
    drewLocked();
}

WindowSystem& windowSystem() {
    static WindowSystem* system = new WindowSystem;
    return *system;
}

std::shared_ptr<ThreadQueue> currentQueue() {
    if (!queueHolder.queue) {
        auto queue = std::make_shared<ThreadQueue>();
        queue->threadId = GetCurrentThreadId();
        queueHolder.queue = queue;
    }
    return queueHolder.queue;
}

std::shared_ptr<Window> findWindowLocked(HWND window) {
    WindowSystem& system = windowSystem();
    auto found = system.windows.find(window);
    return found == system.windows.end() ? nullptr : found->second;
}

std::shared_ptr<Window> requireWindowLocked(HWND window) {
    auto found = findWindowLocked(window);
    if (!found) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return found;
}

LRESULT callProcedureUnlocked(std::unique_lock<std::mutex>& lock, WNDPROC procedure, HWND window, UINT message,
                              WPARAM wParam, LPARAM lParam) {
    if (!procedure) return 0;
    struct Relock {
        std::unique_lock<std::mutex>& lock;
        ~Relock() { lock.lock(); }
    } relock{lock};
    lock.unlock();
    return procedure(window, message, wParam, lParam);
}

bool isShownLocked(const Window& window) {
    if (window.messageOnly) return false;
    for (const Window* at = &window; at;) {
        if (!(at->style & WS_VISIBLE)) return false;
        std::shared_ptr<Window> parent = findWindowLocked(at->parent);
        at = parent.get();  // a window stays in the map while it is someone's parent
    }
    return true;
}

POINT screenOriginLocked(const Window& window) {
    POINT origin{window.rect.left, window.rect.top};
    for (HWND parent = window.parent; parent;) {
        auto parentWindow = findWindowLocked(parent);
        if (!parentWindow) break;
        origin.x += parentWindow->rect.left;
        origin.y += parentWindow->rect.top;
        parent = parentWindow->parent;
    }
    return origin;
}

bool matchesFilter(HWND messageWindow, HWND filter) {
    if (!filter) return true;
    if (filter == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1))) return messageWindow == nullptr;
    return messageWindow == filter;
}

void completeSentLocked(SentMessage& sent, LRESULT result) {
    sent.result = result;
    sent.done = true;
    if (sent.sender) sent.sender->wake.notify_all();
}

void forgetWindowLocked(Window& window) {
    WindowSystem& system = windowSystem();
    HWND handle = window.handle;
    if (auto parent = findWindowLocked(window.parent)) eraseHandle(parent->children, handle);
    for (HWND child : window.children) {
        if (auto childWindow = findWindowLocked(child)) childWindow->parent = nullptr;
    }
    for (auto& [other, otherWindow] : system.windows) {
        if (otherWindow->owner == handle) otherWindow->owner = nullptr;
    }
    if (system.focus == handle) system.focus = nullptr;
    if (system.lastPress.window == handle) system.lastPress = {};

    ThreadQueue& queue = *window.queue;
    auto posted = std::remove_if(queue.posted.begin(), queue.posted.end(),
                                 [handle](const PostedMessage& m) { return m.message.hwnd == handle; });
    queue.posted.erase(posted, queue.posted.end());
    auto timers = std::remove_if(queue.timers.begin(), queue.timers.end(),
                                 [handle](const Timer& t) { return t.window == handle; });
    queue.timers.erase(timers, queue.timers.end());
    for (auto it = queue.sent.begin(); it != queue.sent.end();) {
        if ((*it)->window == handle) {
            completeSentLocked(**it, 0);
            it = queue.sent.erase(it);
        } else {
            ++it;
        }
    }
    window.windowClass->windowCount -= 1;
    window.needsPaint = false;
    system.windows.erase(handle);
}

}  // namespace platform::detail
