#include "window_test_support.h"

#include "platform/window/win_input.h"

#include <gmock/gmock.h>

#include <thread>

using namespace windowtest;
using platform::testing::MouseButton;
using ::testing::ElementsAre;

namespace {

using WindowInput = WindowTest;

std::vector<UINT> mouseMessagesOf(HWND window) {
    std::vector<UINT> mouse;
    for (UINT message : messagesOf(window)) {
        if (message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK) mouse.push_back(message);
    }
    return mouse;
}

TEST_F(WindowInput, SecondPressBecomesDoubleClickOnlyWithClassStyleInTimeNearbyAndSameButton) {
    using namespace platform::testing;
    HWND window = create(WS_VISIBLE);
    doubleClick(window, MouseButton::Left, 10, 10);
    mouseDown(window, MouseButton::Left, 10, 10);  // a third press starts afresh
    advanceInputClock(GetDoubleClickTime() + 1);
    mouseDown(window, MouseButton::Left, 10, 10);   // too late
    mouseDown(window, MouseButton::Left, 13, 10);   // in time, too far
    mouseDown(window, MouseButton::Right, 13, 10);  // another button
    pumpPendingMessages();
    EXPECT_THAT(mouseMessagesOf(window), ElementsAre(WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP,
                                                     WM_LBUTTONDOWN, WM_LBUTTONDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN));

    registerClass(className_ + L"Plain", 0);
    HWND plain = create(WS_VISIBLE, nullptr, RECT{0, 0, 100, 50}, className_ + L"Plain");
    doubleClick(plain, MouseButton::Right, 5, 5);
    pumpPendingMessages();
    EXPECT_THAT(mouseMessagesOf(plain), ElementsAre(WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP));
}

TEST_F(WindowInput, MouseInputCarriesFlagsPositionKeyStateAndCursorOfItsOwnMomentAndActivates) {
    HWND top = create(WS_VISIBLE, nullptr, RECT{200, 100, 400, 300});
    HWND child = create(WS_CHILD | WS_VISIBLE, top, RECT{10, 10, 110, 60});
    platform::testing::keyDown(VK_SHIFT);
    platform::testing::mouseDown(child, MouseButton::Left, 5, -1);
    EXPECT_LT(GetKeyState(VK_LBUTTON), 0);
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 215);
    EXPECT_EQ(cursor.y, 109);
    POINT cursorInProcedure{};
    SHORT shiftInProcedure = 0;
    setHook([&](HWND, UINT message, WPARAM, LPARAM, LRESULT&) {
        if (message == WM_LBUTTONDOWN) shiftInProcedure = GetKeyState(VK_SHIFT);
        if (message == WM_LBUTTONDOWN) GetCursorPos(&cursorInProcedure);
        return false;
    });
    platform::testing::keyUp(VK_SHIFT);
    platform::testing::mouseUp(child, MouseButton::Left, 7, 8);
    EXPECT_GE(GetKeyState(VK_LBUTTON), 0);
    platform::testing::pumpPendingMessages();
    EXPECT_LT(shiftInProcedure, 0);  // the state of the press, not of the input injected after it
    EXPECT_EQ(cursorInProcedure.x, 215);
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
    auto down = receivedOf(child, WM_LBUTTONDOWN).at(0);
    EXPECT_EQ(down.wParam, static_cast<WPARAM>(MK_LBUTTON | MK_SHIFT));
    EXPECT_EQ(GET_X_LPARAM(down.lParam), 5);
    EXPECT_EQ(GET_Y_LPARAM(down.lParam), -1);  // negative positions survive the packing
    EXPECT_EQ(receivedOf(child, WM_LBUTTONUP).at(0).wParam, 0u);
    EXPECT_EQ(receivedOf(child, WM_SETCURSOR).size(), 2u);
    EXPECT_EQ(GetFocus(), top);  // the press activated the top-level window

    setHook([](HWND window, UINT message, WPARAM, LPARAM, LRESULT& result) {
        if (message != WM_MOUSEACTIVATE) return false;
        SetFocus(window);
        result = MA_ACTIVATE;
        return true;
    });
    platform::testing::mouseDown(child, MouseButton::Right, 1, 1);
    platform::testing::pumpPendingMessages();
    EXPECT_EQ(GetFocus(), child);  // the procedure took the focus on activation and keeps it
}

TEST_F(WindowInput, KeystrokesGoToTheFocusedWindowOnlyWithTypedCharacters) {
    HWND first = create(0);
    HWND second = create(0);
    SetFocus(second);
    EXPECT_EQ(SetFocus(first), second);
    EXPECT_EQ(receivedOf(second, WM_KILLFOCUS).size(), 1u);
    keybd_event(VK_ESCAPE, 1, 0, 0);
    keybd_event(VK_ESCAPE, 1, KEYEVENTF_KEYUP, 0);
    platform::testing::keyDown('A');
    platform::testing::keyUp('A');
    platform::testing::pumpPendingMessages();
    EXPECT_THAT(messagesOf(first), ElementsAre(WM_KEYDOWN, WM_KEYUP, WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_CHAR));
    EXPECT_TRUE(receivedOf(second, WM_KEYDOWN).empty());
    auto up = receivedOf(first, WM_KEYUP).at(0);
    EXPECT_EQ(up.wParam, static_cast<WPARAM>(VK_ESCAPE));
    EXPECT_EQ(static_cast<DWORD>(up.lParam) >> 16, 0xC001u);  // released, was down, scan code 1
    EXPECT_EQ(receivedOf(first, WM_CHAR).at(1).wParam, static_cast<WPARAM>(L'a'));

    SetFocus(nullptr);
    platform::testing::keyDown(VK_CONTROL);  // no focus: only the key state changes
    EXPECT_LT(GetKeyState(VK_CONTROL), 0);
    platform::testing::keyUp(VK_CONTROL);
    EXPECT_EQ(platform::testing::pumpPendingMessages(), 0);
}

TEST_F(WindowInput, FocusMovingAwayFromAThreadThatDoesNotPumpDoesNotWait) {
    HANDLE created = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HWND other = nullptr;
    std::thread busy([&] {
        other = CreateWindowExW(0, className_.c_str(), L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        SetFocus(other);
        SetEvent(created);
        WaitForSingleObject(release, INFINITE);  // not pumping
        platform::testing::pumpPendingMessages();
        DestroyWindow(other);
    });
    WaitForSingleObject(created, INFINITE);
    HWND mine = create(0);
    EXPECT_EQ(SetFocus(mine), other);
    SetEvent(release);
    busy.join();
    EXPECT_EQ(receivedOf(other, WM_KILLFOCUS).size(), 1u);  // delivered once the thread pumped
    CloseHandle(created);
    CloseHandle(release);
}

TEST_F(WindowInput, SystemCursorsHaveOneHandleEachAndTheClassCursorIsSetOnMouseOver) {
    HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    EXPECT_TRUE(hand && hand == LoadCursorW(nullptr, IDC_HAND) && hand != LoadCursorW(nullptr, IDC_ARROW));
    registerClass(className_ + L"Hand", 0, DefWindowProcW, hand);
    SetCursor(nullptr);
    platform::testing::mouseMove(create(WS_VISIBLE, nullptr, RECT{0, 0, 10, 10}, className_ + L"Hand"), 1, 1);
    platform::testing::pumpPendingMessages();
    EXPECT_EQ(GetCursor(), hand);
}

}  // namespace
