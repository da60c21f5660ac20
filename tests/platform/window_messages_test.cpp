#include "platform/win_error.h"
#include "platform/win_surface_testing.h"
#include "window_test_support.h"

#include <gmock/gmock.h>

#include <thread>

using namespace windowtest;
using ::testing::ElementsAre;

namespace {

using WindowMessages = WindowTest;

TEST_F(WindowMessages, PostedMessagesArriveInOrderBeforePaintAndTimer) {
    HWND window = create();
    platform::testing::pumpPendingMessages();  // the first paint of a new visible window
    ASSERT_NE(SetTimer(window, 7, 500, nullptr), 0u);
    ASSERT_TRUE(platform::testing::fireTimer(window, 7));
    InvalidateRect(window, nullptr, FALSE);
    InvalidateRect(window, nullptr, FALSE);  // two invalidations, one paint
    PostMessageW(window, WM_USER + 1, 0, 0);
    PostMessageW(window, WM_USER + 2, 0, 0);

    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_USER + 1));  // peeking leaves it in place
    EXPECT_EQ(platform::testing::pumpPendingMessages(), 4);
    auto messages = messagesOf(window);
    EXPECT_EQ(std::count(messages.begin(), messages.end(), WM_PAINT), 2);
    messages.erase(messages.begin(), std::find(messages.begin(), messages.end(), WM_USER + 1));
    EXPECT_THAT(messages, ElementsAre(WM_USER + 1, WM_USER + 2, WM_PAINT, WM_TIMER));
    EXPECT_EQ(receivedOf(window, WM_TIMER).at(0).wParam, 7u);
    EXPECT_EQ(platform::testing::timerElapse(window, 7), 500u);
    EXPECT_TRUE(KillTimer(window, 7));
    EXPECT_FALSE(platform::testing::fireTimer(window, 7));
}

TEST_F(WindowMessages, TimerByHandFiresOnceAndSameIdReplacesThePeriod) {
    HWND window = create(0);
    SetTimer(window, 1, 500, nullptr);
    SetTimer(window, 1, 40, nullptr);
    EXPECT_EQ(platform::testing::timerElapse(window, 1), 40u);
    EXPECT_EQ(platform::testing::pumpPendingMessages(), 0);  // the clock is not followed in tests
    platform::testing::fireTimer(window, 1);
    platform::testing::fireTimer(window, 1);
    EXPECT_EQ(platform::testing::pumpPendingMessages(), 1);
    EXPECT_EQ(receivedOf(window, WM_TIMER).size(), 1u);
}

TEST_F(WindowMessages, ThreadTimerGetsItsOwnIdAndReachesNoWindowProcedure) {
    static int procedureCalls = 0;
    procedureCalls = 0;
    UINT_PTR first = SetTimer(nullptr, 1, 100, nullptr);
    UINT_PTR second = SetTimer(nullptr, 1000, 100, [](HWND, UINT, UINT_PTR, DWORD) { ++procedureCalls; });
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, first);
    platform::testing::fireTimer(nullptr, first);
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(message.hwnd, nullptr);
    EXPECT_EQ(message.wParam, first);
    EXPECT_EQ(DispatchMessageW(&message), 0);
    platform::testing::fireTimer(nullptr, second);
    platform::testing::pumpPendingMessages();
    EXPECT_EQ(procedureCalls, 1);
    EXPECT_TRUE(KillTimer(nullptr, first));
    EXPECT_TRUE(KillTimer(nullptr, second));
}

TEST_F(WindowMessages, TimersFollowTheClockWhenAllowed) {
    platform::testing::setTimersFollowClock(true);
    HWND window = create(0);
    SetTimer(window, 3, 10, nullptr);
    MSG message;
    ASSERT_TRUE(GetMessageW(&message, window, WM_TIMER, WM_TIMER));  // waits for the period
    EXPECT_EQ(message.wParam, 3u);
    KillTimer(window, 3);
}

TEST_F(WindowMessages, PostToDestroyedWindowFailsWith1400AndHandlesAreNeverReused) {
    HWND first = create(0);
    ASSERT_TRUE(DestroyWindow(first));
    SetLastError(0);
    EXPECT_FALSE(PostMessageW(first, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(SendMessageW(first, WM_USER, 0, 0), 0);
    EXPECT_FALSE(IsWindow(first));
    for (int i = 0; i < 20; ++i) EXPECT_NE(create(0), first);
    EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(0x1234), WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(WindowMessages, MessagesPostedBeforeDestructionAreDropped) {
    HWND window = create(0);
    PostMessageW(window, WM_USER, 0, 0);
    DestroyWindow(window);
    EXPECT_EQ(platform::testing::pumpPendingMessages(), 0);
    EXPECT_TRUE(receivedOf(window, WM_USER).empty());
}

TEST_F(WindowMessages, QuitEndsGetMessageAfterPostedMessages) {
    HWND window = create(0);
    PostMessageW(window, WM_USER, 0, 0);
    PostQuitMessage(3);
    MSG message;
    EXPECT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_USER));
    EXPECT_FALSE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 3u);
}

// A thread that owns one window and pumps until WM_QUIT.
class PumpingThread {
public:
    explicit PumpingThread(const std::wstring& className) {
        thread_ = std::thread([this, className] {
            HWND window = CreateWindowExW(0, className.c_str(), L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                          nullptr);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                window_ = window;
                threadId_ = GetCurrentThreadId();
            }
            ready_.notify_all();
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0)) DispatchMessageW(&message);
            DestroyWindow(window);
        });
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return window_ != nullptr; });
    }
    ~PumpingThread() { stop(); }

    void stop() {
        if (!thread_.joinable()) return;
        PostMessageW(window_, WM_USER + 99, 0, 0);  // the hook below turns it into WM_QUIT
        thread_.join();
    }
    HWND window() const { return window_; }
    DWORD threadId() const { return threadId_; }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    HWND window_ = nullptr;
    DWORD threadId_ = 0;
    std::thread thread_;
};

bool quitOn99(HWND, UINT message, WPARAM, LPARAM, LRESULT&) {
    if (message != WM_USER + 99) return false;
    PostQuitMessage(0);
    return true;
}

TEST_F(WindowMessages, SendAcrossThreadsRunsOnTheOwnerThreadAndReturnsItsResult) {
    setHook([](HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        if (message != WM_USER + 5) return quitOn99(window, message, wParam, lParam, result);
        result = static_cast<LRESULT>(wParam + lParam);
        return true;
    });
    PumpingThread owner(className_);
    EXPECT_EQ(SendMessageW(owner.window(), WM_USER + 5, 40, 2), 42);
    auto received = receivedOf(owner.window(), WM_USER + 5);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].thread, owner.threadId());
    EXPECT_NE(received[0].thread, GetCurrentThreadId());
}

TEST_F(WindowMessages, TwoThreadsSendingToEachOtherDoNotDeadlock) {
    HWND mine = create(0);
    // The other thread's window answers WM_USER + 6 by sending WM_USER + 7 back to this thread's
    // window, which can only be answered while this thread waits in its own SendMessageW.
    setHook([mine](HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        if (message == WM_USER + 6) {
            result = SendMessageW(mine, WM_USER + 7, 0, 0) + 1;
            return true;
        }
        if (message == WM_USER + 7) {
            result = 10;
            return true;
        }
        return quitOn99(window, message, wParam, lParam, result);
    });
    PumpingThread other(className_);
    EXPECT_EQ(SendMessageW(other.window(), WM_USER + 6, 0, 0), 11);
    auto answered = receivedOf(mine, WM_USER + 7);
    ASSERT_EQ(answered.size(), 1u);
    EXPECT_EQ(answered[0].thread, GetCurrentThreadId());
}

TEST_F(WindowMessages, SendToAWindowOfAnEndedThreadReturnsZeroAtOnce) {
    setHook(quitOn99);
    PumpingThread ended(className_);
    HWND window = ended.window();
    ended.stop();
    EXPECT_EQ(SendMessageW(window, WM_USER + 5, 1, 1), 0);
    EXPECT_FALSE(PostMessageW(window, WM_USER, 0, 0));
}

TEST_F(WindowMessages, ThreadEndingWithoutDestroyingReleasesAWaitingSender) {
    HANDLE sendArrived = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HWND window = nullptr;
    std::thread owner([&] {
        window = CreateWindowExW(0, className_.c_str(), L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        SetEvent(sendArrived);
        Sleep(20);  // the other thread's send is queued here and never served
    });
    WaitForSingleObject(sendArrived, INFINITE);
    EXPECT_EQ(SendMessageW(window, WM_USER, 0, 0), 0);
    owner.join();
    EXPECT_FALSE(IsWindow(window));
    CloseHandle(sendArrived);
}

TEST_F(WindowMessages, DestroyDestroysOwnedWindowsFirstThenChildrenAfterItsOwnDestroy) {
    HWND top = create(WS_VISIBLE);
    HWND owned = create(WS_POPUP, top);
    HWND child = create(WS_CHILD | WS_VISIBLE, top);
    EXPECT_EQ(GetParent(owned), top);
    EXPECT_EQ(GetParent(child), top);
    HWND ownedThroughChild = create(WS_POPUP, child);
    EXPECT_EQ(GetParent(ownedThroughChild), top);  // owned by the child's top-level window
    std::vector<std::pair<HWND, UINT>> order;
    setHook([&order](HWND window, UINT message, WPARAM, LPARAM, LRESULT&) {
        if (message == WM_DESTROY) {
            order.emplace_back(window, message);
            EXPECT_TRUE(IsWindow(window));  // still a window while it hears WM_DESTROY
        }
        return false;
    });
    ASSERT_TRUE(DestroyWindow(top));
    ASSERT_EQ(order.size(), 4u);
    EXPECT_EQ(order[0].first, owned);
    EXPECT_EQ(order[1].first, ownedThroughChild);
    EXPECT_EQ(order[2].first, top);
    EXPECT_EQ(order[3].first, child);
    EXPECT_FALSE(IsWindow(owned));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(DestroyWindow(top));
}

TEST_F(WindowMessages, WindowMayDestroyItselfAndPostFromInsideAMessage) {
    HWND survivor = create(0);
    HWND window = create(0);
    setHook([survivor](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT&) {
        if (message == WM_USER + 3) {
            PostMessageW(survivor, WM_USER + 4, 0, 0);
            EXPECT_TRUE(DestroyWindow(hwnd));
            EXPECT_FALSE(IsWindow(hwnd));
            return true;
        }
        if (message == WM_DESTROY) DestroyWindow(hwnd);  // again while going: harmless
        return false;
    });
    PostMessageW(window, WM_USER + 3, 0, 0);
    platform::testing::pumpPendingMessages();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(receivedOf(window, WM_DESTROY).size(), 1u);
    EXPECT_EQ(receivedOf(survivor, WM_USER + 4).size(), 1u);
}

TEST_F(WindowMessages, DestroyingAnotherThreadsWindowIsRefused) {
    setHook(quitOn99);
    PumpingThread owner(className_);
    EXPECT_FALSE(DestroyWindow(owner.window()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(IsWindow(owner.window()));
}

TEST_F(WindowMessages, SecondRegistrationFailsWith1410AndClassesGoOnlyWithoutWindows) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = recordingProc;
    std::wstring upper = className_;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::towupper);
    windowClass.lpszClassName = upper.c_str();
    EXPECT_EQ(RegisterClassExW(&windowClass), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

    HWND window = create(0);
    EXPECT_FALSE(UnregisterClassW(className_.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
    DestroyWindow(window);
    EXPECT_TRUE(UnregisterClassW(className_.c_str(), nullptr));
    EXPECT_FALSE(UnregisterClassW(className_.c_str(), nullptr));
    EXPECT_EQ(CreateWindowExW(0, className_.c_str(), L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_NE(RegisterClassExW(&windowClass), 0);  // free again
    classes_.push_back(upper);
}

LRESULT CALLBACK doublingSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_USER + 8) return 2 * CallWindowProcW(previous, window, message, wParam, lParam);
    return CallWindowProcW(previous, window, message, wParam, lParam);
}

TEST_F(WindowMessages, SubclassedProcedureChainsToThePreviousAndCanBeRestored) {
    setHook([](HWND, UINT message, WPARAM, LPARAM, LRESULT& result) {
        result = 21;
        return message == WM_USER + 8;
    });
    HWND window = create(0);
    SetLastError(5);
    EXPECT_EQ(SetWindowLongPtrW(window, GWLP_USERDATA, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));  // a previous 0 is no failure
    LONG_PTR previous = SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(doublingSubclass));
    EXPECT_EQ(previous, reinterpret_cast<LONG_PTR>(recordingProc));
    SetWindowLongPtrW(window, GWLP_USERDATA, previous);
    EXPECT_EQ(SendMessageW(window, WM_USER + 8, 0, 0), 42);
    PostMessageW(window, WM_USER + 8, 0, 0);
    platform::testing::pumpPendingMessages();  // posted messages reach the subclass too
    EXPECT_EQ(receivedOf(window, WM_USER + 8).size(), 2u);

    SetWindowLongPtrW(window, GWLP_WNDPROC, previous);
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_WNDPROC), previous);
    EXPECT_EQ(SendMessageW(window, WM_USER + 8, 0, 0), 21);
}

TEST_F(WindowMessages, MessageOnlyWindowTakesPostsButIsNeverPainted) {
    HWND window = create(WS_VISIBLE, HWND_MESSAGE, RECT{0, 0, 0, 0});
    EXPECT_EQ(GetParent(window), nullptr);
    InvalidateRect(window, nullptr, TRUE);
    PostMessageW(window, WM_USER + 1, 0, 0);
    EXPECT_EQ(platform::testing::pumpPendingMessages(), 1);
    EXPECT_THAT(messagesOf(window), ElementsAre(WM_USER + 1));
}

TEST_F(WindowMessages, ResizingSendsWmSizeAndResizesTheSurfaceWhileMovingDoesNot) {
    HWND top = create(WS_VISIBLE, nullptr, RECT{100, 50, 300, 150});
    HWND child = create(WS_CHILD | WS_VISIBLE, top, RECT{10, 20, 50, 40});
    RECT rect;
    GetWindowRect(child, &rect);
    EXPECT_EQ(rect.left, 110);
    EXPECT_EQ(rect.top, 70);
    EXPECT_EQ(rect.right, 150);
    POINT point{1, 2};
    ClientToScreen(child, &point);
    EXPECT_EQ(point.x, 111);
    EXPECT_EQ(point.y, 72);
    ScreenToClient(child, &point);
    EXPECT_EQ(point.x, 1);

    MoveWindow(child, 0, 0, 40, 20, TRUE);  // same size
    EXPECT_TRUE(receivedOf(child, WM_SIZE).empty());
    SetWindowPos(child, nullptr, 0, 0, 64, 48, SWP_NOMOVE | SWP_NOZORDER);
    auto sizes = receivedOf(child, WM_SIZE);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(LOWORD(sizes[0].lParam), 64);
    EXPECT_EQ(HIWORD(sizes[0].lParam), 48);
    GetClientRect(child, &rect);
    EXPECT_EQ(rect.right, 64);
    EXPECT_EQ(rect.bottom, 48);
    auto surface = platform::testing::readSurface(child);
    EXPECT_EQ(surface.width, 64);
    EXPECT_EQ(surface.height, 48);
}

TEST_F(WindowMessages, VirtualScreenIsFullHdUntilChangedByATest) {
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);
    platform::testing::setScreenSize(1280, 720);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 720);
    platform::testing::setScreenSize(1920, 1080);
}

TEST_F(WindowMessages, UpdateWindowPaintsAtOnceAndOnlyWhenNeeded) {
    HWND window = create(0);
    ShowWindow(window, SW_SHOW);
    EXPECT_EQ(GetFocus(), window);  // showing a top-level window activates it
    UpdateWindow(window);
    UpdateWindow(window);
    EXPECT_EQ(receivedOf(window, WM_PAINT).size(), 1u);
    EXPECT_EQ(platform::testing::pumpPendingMessages(), 0);
}

}  // namespace
