// The state of the in-process window system, shared by the files that implement win_window.h,
// win_gdi.h and win_input.h. Internal to the platform library.
//
// One process-wide mutex guards classes, windows, queues and timers. It is never held while a
// window procedure runs; a procedure may therefore create, destroy, post and send freely.
#pragma once

#include "platform/base/win_user_types.h"
#include "platform/window/win_window.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::detail {

using Clock = std::chrono::steady_clock;

// What a blit put into a window's pixels: its source (a number no other source has), the source's
// content (a generation or a hash of its bytes) and every coordinate that decided which pixels it
// wrote where, in the window's coordinates.
struct BlitKey {
    uint64_t source = 0;
    uint64_t content = 0;
    std::array<int64_t, 12> placement{};

    bool operator==(const BlitKey&) const = default;
};

// The 32-bit BGRA pixels of a window's client area, locked separately because other threads
// draw into it (render threads through their device contexts).
struct Surface {
    std::mutex lock;
    HWND window = nullptr;  // the window whose client area this is, for those who hear of changes
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // width * height, rows top-down, 0xAARRGGBB
    // Counts the drawings that changed the pixels; a blit that would draw what they already hold
    // draws nothing and leaves it.
    uint64_t generation = 0;
    // The blit the pixels show, until anything else draws into them or the window is exposed.
    std::optional<BlitKey> lastBlit;

    // Whether a blit with this key would draw exactly what the pixels hold.
    bool holdsBlitLocked(const BlitKey& key) const { return lastBlit && *lastBlit == key; }
    // After a drawing that changed the pixels: the blit that did it, or none for any other drawing.
    void drewLocked(const std::optional<BlitKey>& blit = std::nullopt) {
        ++generation;
        lastBlit = blit;
    }
    void resizeLocked(int newWidth, int newHeight);
};

// The largest width or height a window takes. Sizes come from pages (the plug-in's element) and
// every window carries a surface of 4 bytes a pixel, so they are bounded before any allocation.
// Positions keep to the 16-bit range that window messages pack them in.
constexpr int kMaxWindowSide = 8192;
inline int clampWindowSide(int side) { return side < 0 ? 0 : side > kMaxWindowSide ? kMaxWindowSide : side; }
inline int clampWindowPosition(int at) { return at < -32768 ? -32768 : at > 32767 ? 32767 : at; }

struct WindowClass {
    std::wstring name;
    UINT style = 0;
    WNDPROC procedure = nullptr;
    HINSTANCE instance = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    ATOM atom = 0;
    int windowCount = 0;
};

struct ThreadQueue;

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> windowClass;
    std::shared_ptr<ThreadQueue> queue;  // of the owner thread
    WNDPROC procedure = nullptr;
    LONG_PTR userData = 0;
    LONG_PTR id = 0;
    HINSTANCE instance = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    bool messageOnly = false;
    HWND parent = nullptr;  // WS_CHILD windows
    HWND owner = nullptr;   // owned top-level windows
    std::vector<HWND> children;
    RECT rect{};  // relative to the parent's client area, or to the screen
    std::wstring title;
    bool destroying = false;
    bool needsPaint = false;
    bool needsErase = false;
    std::shared_ptr<Surface> surface = std::make_shared<Surface>();
};

// A SendMessageW waiting for another thread to run the window procedure.
struct SentMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    bool done = false;
    std::shared_ptr<ThreadQueue> sender;
};

struct Timer {
    HWND window = nullptr;  // NULL: a thread timer
    UINT_PTR id = 0;
    UINT elapse = 0;
    TIMERPROC procedure = nullptr;
    Clock::time_point due;
    bool firedByHand = false;
};

// The key states and cursor position that GetKeyState and GetCursorPos report.
struct InputState {
    BYTE keyState[256] = {};  // 0x80 down, 0x01 toggled
    POINT cursor{};
};

struct PostedMessage {
    MSG message;
    // Injected input carries the input state it left behind; handing the message out restores
    // that state, so a procedure sees the keys and cursor of its own message even when a test
    // injected more input before pumping, as GetKeyState answers on the original.
    std::shared_ptr<const InputState> input;
};

struct ThreadQueue {
    DWORD threadId = 0;
    bool alive = true;
    std::deque<PostedMessage> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool quitPosted = false;
    int quitCode = 0;
    std::vector<Timer> timers;
    std::condition_variable wake;
};

struct WindowSystem {
    std::mutex lock;
    std::unordered_map<std::wstring, std::shared_ptr<WindowClass>> classes;  // by lower-case name
    ATOM nextAtom = 0xC000;
    std::unordered_map<HWND, std::shared_ptr<Window>> windows;
    HWND focus = nullptr;
    int screenWidth = 1920;
    int screenHeight = 1080;
    bool timersFollowClock = true;

    InputState input;
    HCURSOR cursorShape = nullptr;
    DWORD inputClockOffset = 0;
    struct Press {
        HWND window = nullptr;
        UINT downMessage = 0;
        DWORD time = 0;
        POINT at{};
    } lastPress;  // the press a second one may complete to a double click
};

// Never destroyed, so that threads ending during process exit still find it.
WindowSystem& windowSystem();

// The calling thread's queue, made on first use; ended (its windows gone, its waiting senders
// released) when the thread ends.
std::shared_ptr<ThreadQueue> currentQueue();

// Lookups; the caller holds windowSystem().lock.
std::shared_ptr<WindowClass> findClassLocked(LPCWSTR name);
std::shared_ptr<Window> findWindowLocked(HWND window);
// As findWindowLocked, setting ERROR_INVALID_WINDOW_HANDLE when the window is unknown.
std::shared_ptr<Window> requireWindowLocked(HWND window);

// Runs a window procedure with the lock released and taken again afterwards.
LRESULT callProcedureUnlocked(std::unique_lock<std::mutex>& lock, WNDPROC procedure, HWND window, UINT message,
                              WPARAM wParam, LPARAM lParam);

// Queues a posted message for the window's thread and wakes its pump; injected input keeps the
// input state it leaves. The caller holds the lock.
void postLocked(Window& window, const MSG& message, bool input);

// Whether the window can be seen, and so painted: it and every parent above it are visible, and it
// is not message-only. The caller holds the lock.
bool isShownLocked(const Window& window);

// The top-left corner of the window's client area on the screen. The caller holds the lock.
POINT screenOriginLocked(const Window& window);

// Removes a window from the system: unlinks it from parent, children and owned windows, drops its
// queued messages and timers, releases senders waiting on it. The caller holds the lock.
void forgetWindowLocked(Window& window);

// Delivers a notice without waiting for it when the window belongs to another thread (it is
// served before that thread's posted messages); sends it directly on the owner thread. Used for
// focus changes, which must not block on a thread that is not pumping.
void sendNotify(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Marks a waiting SendMessageW as answered and wakes its sender. The caller holds the lock.
void completeSentLocked(SentMessage& sent, LRESULT result);

// Windows of the thread whose messages match a retrieval filter.
bool matchesFilter(HWND messageWindow, HWND filter);

// Whether the thread's pump would dispatch something now: a sent or posted message, a window to
// paint or a timer that is due (a posted quit does not count). The caller holds the lock.
bool hasDueMessagesLocked(const ThreadQueue& queue);
// When the thread's next timer falls due; nothing while none runs or timers do not follow the
// clock. The caller holds the lock.
std::optional<Clock::time_point> nextTimerDueLocked(const ThreadQueue& queue);

// Dispatches up to limit messages the calling thread can retrieve now, without waiting, and
// answers how many it dispatched. A posted quit ends the dispatching and stays in the queue for
// the thread's own loop, or, for a thread without one, is dropped.
enum class PostedQuit { Keep, Drop };
int dispatchDueMessages(int limit, PostedQuit quit);

}  // namespace platform::detail
