#include "platform/base/win_error.h"
#include "platform/window/win_surface_testing.h"
#include "window_test_support.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cwctype>
#include <thread>

using namespace windowtest;
using ::testing::ElementsAre;

namespace {

using WindowMessages = WindowTest;

TEST_F(WindowMessages, PostedMessagesComeInOrderBeforeOnePaintAndOneTimerTick) {
    HWND window = create();
    platform::testing::pumpPendingMessages();  // the first paint of a new visible window
    SetTimer(window, 7, 500, nullptr);
    SetTimer(window, 7, 40, nullptr);  // the same id replaces the period
    EXPECT_EQ(platform::testing::timerElapse(window, 7), 40u);
    EXPECT_EQ(platform::testing::pumpPendingMessages(), 0);  // tests tick timers by hand
    platform::testing::fireTimer(window, 7);
    platform::testing::fireTimer(window, 7);
    InvalidateRect(window, nullptr, FALSE);
    InvalidateRect(window, nullptr, FALSE);
    PostMessageW(window, WM_USER + 1, 0, 0);
    PostMessageW(window, WM_USER + 2, 0, 0);
    PostQuitMessage(3);

    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));  // leaves it in place
    EXPECT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    DispatchMessageW(&message);
    EXPECT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    DispatchMessageW(&message);
    EXPECT_FALSE(GetMessageW(&message, nullptr, 0, 0));  // WM_QUIT after the posted messages
    EXPECT_EQ(message.wParam, 3u);
    EXPECT_EQ(platform::testing::pumpPendingMessages(), 2);
    EXPECT_THAT(messagesOf(window), ElementsAre(WM_PAINT, WM_ERASEBKGND, WM_USER + 1, WM_USER + 2, WM_PAINT, WM_TIMER));
    EXPECT_EQ(receivedOf(window, WM_TIMER).at(0).wParam, 7u);
    EXPECT_TRUE(KillTimer(window, 7));
    EXPECT_FALSE(platform::testing::fireTimer(window, 7));
}

TEST_F(WindowMessages, ThreadTimerGetsANewIdAndReachesNoWindowProcedure) {
    static int procedureCalls;
    procedureCalls = 0;
    HWND window = create(0);
    UINT_PTR plain = SetTimer(nullptr, 0, 100, nullptr);
    UINT_PTR withProcedure = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) { ++procedureCalls; });
    EXPECT_NE(plain, withProcedure);
    platform::testing::fireTimer(nullptr, plain);
    platform::testing::fireTimer(nullptr, withProcedure);
    EXPECT_EQ(platform::testing::pumpPendingMessages(), 2);
    EXPECT_EQ(procedureCalls, 1);
    EXPECT_TRUE(receivedOf(window).empty());
    EXPECT_TRUE(KillTimer(nullptr, plain) && KillTimer(nullptr, withProcedure));
}

TEST_F(WindowMessages, PostToADestroyedWindowFailsWith1400AndHandlesAreNeverReused) {
    HWND first = create(0);
    PostMessageW(first, WM_USER, 0, 0);
    ASSERT_TRUE(DestroyWindow(first));
    EXPECT_EQ(platform::testing::pumpPendingMessages(), 0);  // what it had queued went with it
    SetLastError(0);
    EXPECT_FALSE(PostMessageW(first, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(SendMessageW(first, WM_USER, 0, 0), 0);
    for (int i = 0; i < 20; ++i) EXPECT_NE(create(0), first);
    EXPECT_TRUE(receivedOf(first, WM_USER).empty());
}

TEST_F(WindowMessages, SendAcrossThreadsRunsOnTheOwnerAndTwoThreadsSendingToEachOtherBothGetAnswers) {
    HWND mine = create(0);
    // The other thread answers WM_USER + 6 by sending WM_USER + 7 back here, which can only be
    // answered while this thread waits in its own SendMessageW.
    setHook([mine](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        if (message == WM_USER + 5) result = static_cast<LRESULT>(wParam + lParam);
        if (message == WM_USER + 6) result = SendMessageW(mine, WM_USER + 7, 0, 0) + 1;
        if (message == WM_USER + 7) result = 10;
        if (message == WM_USER + 9) PostQuitMessage(0);
        return message >= WM_USER + 5 && message <= WM_USER + 9;
    });
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HWND other = nullptr;
    DWORD otherThread = 0;
    std::thread owner([&] {  // pumps until told to quit, then ends without destroying its window
        other = CreateWindowExW(0, className_.c_str(), L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        otherThread = GetCurrentThreadId();
        SetEvent(ready);
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0)) DispatchMessageW(&message);
    });
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
    EXPECT_EQ(SendMessageW(other, WM_USER + 5, 40, 2), 42);
    EXPECT_EQ(SendMessageW(other, WM_USER + 6, 0, 0), 11);
    EXPECT_EQ(receivedOf(other, WM_USER + 5).at(0).thread, otherThread);
    EXPECT_EQ(receivedOf(mine, WM_USER + 7).at(0).thread, GetCurrentThreadId());
    PostMessageW(other, WM_USER + 9, 0, 0);
    owner.join();
    EXPECT_EQ(SendMessageW(other, WM_USER + 5, 1, 1), 0);
    EXPECT_FALSE(PostMessageW(other, WM_USER, 0, 0));
}

TEST_F(WindowMessages, ThreadEndingWithoutPumpingReleasesAWaitingSender) {
    HANDLE created = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HWND window = nullptr;
    std::thread owner([&] {
        window = CreateWindowExW(0, className_.c_str(), L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        SetEvent(created);
        Sleep(20);  // the send is queued meanwhile and never served
    });
    WaitForSingleObject(created, INFINITE);
    EXPECT_EQ(SendMessageW(window, WM_USER, 0, 0), 0);
    owner.join();
    EXPECT_FALSE(IsWindow(window));
    CloseHandle(created);
}

TEST_F(WindowMessages, DestroyFromInsideAMessageTakesOwnedWindowsThenItselfThenItsChildren) {
    HWND survivor = create(0);
    HWND top = create(WS_VISIBLE);
    HWND owned = create(WS_POPUP, top);
    HWND child = create(WS_CHILD | WS_VISIBLE, top);
    HWND ownedThroughChild = create(WS_POPUP, child);
    EXPECT_EQ(GetParent(ownedThroughChild), top);  // owned by the child's top-level window
    std::vector<HWND> order;
    setHook([&](HWND window, UINT message, WPARAM, LPARAM, LRESULT&) {
        if (message == WM_USER + 3) {
            PostMessageW(survivor, WM_USER + 4, 0, 0);
            EXPECT_TRUE(DestroyWindow(window));
        }
        if (message == WM_DESTROY) {
            order.push_back(window);
            EXPECT_TRUE(IsWindow(window));  // still a window while it hears WM_DESTROY
            DestroyWindow(window);          // again while going: harmless
        }
        return false;
    });
    PostMessageW(top, WM_USER + 3, 0, 0);
    platform::testing::pumpPendingMessages();
    EXPECT_THAT(order, ElementsAre(owned, ownedThroughChild, top, child));
    EXPECT_FALSE(IsWindow(top) || IsWindow(child));
    EXPECT_EQ(receivedOf(survivor, WM_USER + 4).size(), 1u);
}

TEST_F(WindowMessages, WindowTextIsTheNameTheWindowWasMadeWithTruncatedToTheBuffer) {
    HWND window = create(0);  // named "test"
    wchar_t text[8] = L"xxxxxxx";
    EXPECT_EQ(GetWindowTextW(window, text, 8), 4);
    EXPECT_STREQ(text, L"test");
    EXPECT_EQ(GetWindowTextW(window, text, 3), 2);
    EXPECT_STREQ(text, L"te");
    EXPECT_EQ(GetWindowTextW(window, text, 0), 0);
    DestroyWindow(window);
    EXPECT_EQ(GetWindowTextW(window, text, 8), 0);
    EXPECT_STREQ(text, L"");
}

TEST_F(WindowMessages, SecondRegistrationOfAClassNameFailsWith1410InAnyCase) {
    std::wstring upper = className_;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
    WNDCLASSEXW windowClass{
        sizeof(WNDCLASSEXW), 0,      recordingProc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
        upper.c_str(),       nullptr};
    SetLastError(0);
    EXPECT_EQ(RegisterClassExW(&windowClass), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
}

TEST_F(WindowMessages, MessageOnlyWindowTakesPostsButIsNeverPainted) {
    HWND window = create(WS_VISIBLE, HWND_MESSAGE, RECT{0, 0, 0, 0});
    EXPECT_EQ(GetParent(window), nullptr);
    InvalidateRect(window, nullptr, TRUE);
    PostMessageW(window, WM_USER + 1, 0, 0);
    EXPECT_EQ(platform::testing::pumpPendingMessages(), 1);
    EXPECT_THAT(messagesOf(window), ElementsAre(WM_USER + 1));
}

TEST_F(WindowMessages, ResizingAndMovingSendWmSizeAndWmMoveOnlyWhenTheyChangeAndTheSurfaceFollowsWithinBounds) {
    HWND top = create(WS_VISIBLE, nullptr, RECT{100, 50, 300, 150});
    HWND child = create(WS_CHILD | WS_VISIBLE, top, RECT{10, 20, 50, 40});
    MoveWindow(child, 0, 0, 40, 20, TRUE);                                      // moved, not resized
    MoveWindow(child, 0, 0, 60, 20, FALSE);                                     // resized, not moved
    SetWindowPos(child, nullptr, 5, 7, 0, 0, SWP_NOSIZE | SWP_NOZORDER);        // moved, within the parent
    SetWindowPos(child, nullptr, 0, 0, 1 << 30, 1, SWP_NOMOVE | SWP_NOZORDER);  // held to 8192
    SetWindowPos(child, nullptr, 0, 0, 64, 48, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(child, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    MoveWindow(top, -3, 40, 200, 100, FALSE);
    std::vector<LPARAM> sizes, moves;
    for (const Received& r : receivedOf(child, WM_SIZE)) sizes.push_back(r.lParam);
    for (const Received& r : receivedOf(child, WM_MOVE)) moves.push_back(r.lParam);
    EXPECT_THAT(sizes, ElementsAre(MAKELPARAM(60, 20), MAKELPARAM(8192, 1), MAKELPARAM(64, 48)));
    EXPECT_THAT(moves, ElementsAre(MAKELPARAM(0, 0), MAKELPARAM(5, 7)));
    ASSERT_EQ(receivedOf(top, WM_MOVE).size(), 1u);
    EXPECT_EQ(receivedOf(top, WM_MOVE)[0].lParam, MAKELPARAM(static_cast<WORD>(-3), 40));
    auto surface = platform::testing::readSurface(child);
    EXPECT_EQ(surface.width, 64);
    EXPECT_EQ(surface.height, 48);
    RECT rect;
    GetClientRect(create(0, nullptr, RECT{0, 0, 1 << 30, -5}), &rect);
    EXPECT_EQ(rect.right, 8192);
    EXPECT_EQ(rect.bottom, 0);
}

TEST_F(WindowMessages, ChildOfAHiddenParentIsPaintedOnlyOnceTheParentShows) {
    HWND parent = create(0);
    HWND child = create(WS_CHILD | WS_VISIBLE, parent, RECT{0, 0, 10, 10});
    InvalidateRect(child, nullptr, TRUE);
    UpdateWindow(child);
    platform::testing::pumpPendingMessages();
    EXPECT_TRUE(receivedOf(child, WM_PAINT).empty());
    ShowWindow(parent, SW_SHOWNA);
    platform::testing::pumpPendingMessages();
    EXPECT_EQ(receivedOf(child, WM_PAINT).size(), 1u);
}

TEST_F(WindowMessages, DestroyingTheWindowWithTheFocusTellsTheFocusedOneFirst) {
    auto position = [](HWND window, UINT message) {
        std::lock_guard<std::mutex> lock(recordLock);
        auto found = std::find_if(records.begin(), records.end(),
                                  [&](const Received& r) { return r.window == window && r.message == message; });
        return found - records.begin();
    };
    HWND alone = create(WS_VISIBLE);
    HWND top = create(WS_VISIBLE);
    HWND child = create(WS_CHILD | WS_VISIBLE, top);
    for (auto [going, focused] : {std::pair{alone, alone}, std::pair{top, child}}) {
        SetFocus(focused);
        ASSERT_TRUE(DestroyWindow(going));
        EXPECT_EQ(GetFocus(), nullptr);
        EXPECT_EQ(receivedOf(focused, WM_KILLFOCUS).size(), 1u);
        EXPECT_LT(position(focused, WM_KILLFOCUS), position(going, WM_DESTROY));
    }
}

TEST_F(WindowMessages, ShowingATopLevelWindowFocusesItAndUpdatePaintsItOnce) {
    HWND window = create(0);
    ShowWindow(window, SW_SHOW);
    EXPECT_EQ(GetFocus(), window);
    UpdateWindow(window);
    UpdateWindow(window);
    EXPECT_EQ(receivedOf(window, WM_PAINT).size(), 1u);
    EXPECT_EQ(platform::testing::pumpPendingMessages(), 0);
}

}  // namespace
