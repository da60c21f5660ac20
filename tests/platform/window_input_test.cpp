#include "window_test_support.h"

#include "platform/win_input.h"

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
        if (message >= WM_MOUSEMOVE && message <= WM_MBUTTONDBLCLK) mouse.push_back(message);
    }
    return mouse;
}

TEST_F(WindowInput, SecondPressBecomesDoubleClickOnlyWithClassStyleInTimeAndNearby) {
    HWND withStyle = create(WS_VISIBLE);
    platform::testing::doubleClick(withStyle, MouseButton::Left, 10, 10);
    platform::testing::mouseDown(withStyle, MouseButton::Left, 10, 10);  // a third press starts afresh
    platform::testing::mouseUp(withStyle, MouseButton::Left, 10, 10);
    platform::testing::pumpPendingMessages();
    EXPECT_THAT(mouseMessagesOf(withStyle), ElementsAre(WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP,
                                                        WM_LBUTTONDOWN, WM_LBUTTONUP));

    registerClass(className_ + L"Plain", 0);
    HWND without = create(WS_VISIBLE, nullptr, RECT{0, 0, 100, 50}, className_ + L"Plain");
    platform::testing::doubleClick(without, MouseButton::Right, 5, 5);
    platform::testing::pumpPendingMessages();
    EXPECT_THAT(mouseMessagesOf(without), ElementsAre(WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP));
}

TEST_F(WindowInput, SlowOrDistantSecondPressStaysAPress) {
    HWND window = create(WS_VISIBLE);
    platform::testing::mouseDown(window, MouseButton::Left, 10, 10);
    platform::testing::mouseUp(window, MouseButton::Left, 10, 10);
    platform::testing::advanceInputClock(GetDoubleClickTime() + 1);
    platform::testing::mouseDown(window, MouseButton::Left, 10, 10);  // too late
    platform::testing::mouseUp(window, MouseButton::Left, 10, 10);
    platform::testing::mouseDown(window, MouseButton::Left, 13, 10);  // in time, too far
    platform::testing::mouseUp(window, MouseButton::Left, 13, 10);
    platform::testing::mouseDown(window, MouseButton::Right, 13, 10);  // other button
    platform::testing::pumpPendingMessages();
    EXPECT_THAT(mouseMessagesOf(window), ElementsAre(WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP,
                                                     WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN));
}

TEST_F(WindowInput, MouseMessagesCarryFlagsPositionAndKeepKeyStateAndCursor) {
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
    platform::testing::mouseMove(child, 7, 8);
    platform::testing::keyUp(VK_SHIFT);
    platform::testing::mouseUp(child, MouseButton::Left, 7, 8);
    EXPECT_GE(GetKeyState(VK_LBUTTON), 0);
    platform::testing::pumpPendingMessages();

    auto down = receivedOf(child, WM_LBUTTONDOWN).at(0);
    EXPECT_EQ(down.wParam, static_cast<WPARAM>(MK_LBUTTON | MK_SHIFT));
    EXPECT_EQ(GET_X_LPARAM(down.lParam), 5);
    EXPECT_EQ(GET_Y_LPARAM(down.lParam), -1);  // negative positions survive the packing
    auto move = receivedOf(child, WM_MOUSEMOVE).at(0);
    EXPECT_EQ(move.wParam, static_cast<WPARAM>(MK_LBUTTON | MK_SHIFT));
    EXPECT_EQ(receivedOf(child, WM_LBUTTONUP).at(0).wParam, 0u);
    EXPECT_EQ(receivedOf(child, WM_SETCURSOR).size(), 3u);
    ASSERT_EQ(receivedOf(child, WM_MOUSEACTIVATE).size(), 1u);
    EXPECT_EQ(GetFocus(), top);  // the press activated the top-level window
}

TEST_F(WindowInput, ProcedureTakingFocusOnActivationKeepsIt) {
    HWND top = create(WS_VISIBLE);
    HWND child = create(WS_CHILD | WS_VISIBLE, top);
    setHook([child](HWND window, UINT message, WPARAM, LPARAM, LRESULT& result) {
        if (window != child || message != WM_MOUSEACTIVATE) return false;
        SetFocus(window);
        result = MA_ACTIVATE;
        return true;
    });
    platform::testing::mouseDown(child, MouseButton::Left, 1, 1);
    platform::testing::pumpPendingMessages();
    EXPECT_EQ(GetFocus(), child);
    EXPECT_EQ(receivedOf(child, WM_SETFOCUS).size(), 1u);
}

TEST_F(WindowInput, KeystrokesGoToTheFocusedWindowWithTypedCharacters) {
    HWND first = create(WS_VISIBLE);
    HWND second = create(WS_VISIBLE);
    SetFocus(second);
    EXPECT_EQ(receivedOf(first, WM_KILLFOCUS).size(), 0u);
    EXPECT_EQ(SetFocus(first), second);
    EXPECT_EQ(receivedOf(second, WM_KILLFOCUS).size(), 1u);
    keybd_event(VK_ESCAPE, 1, 0, 0);
    keybd_event(VK_ESCAPE, 1, KEYEVENTF_KEYUP, 0);
    platform::testing::keyDown('A');
    platform::testing::pumpPendingMessages();
    EXPECT_THAT(messagesOf(first), ::testing::IsSupersetOf({WM_KEYDOWN, WM_KEYUP, WM_CHAR}));
    EXPECT_TRUE(receivedOf(second, WM_KEYDOWN).empty());
    auto up = receivedOf(first, WM_KEYUP).at(0);
    EXPECT_EQ(up.wParam, static_cast<WPARAM>(VK_ESCAPE));
    EXPECT_EQ((static_cast<DWORD>(up.lParam) >> 16) & 0xFF, 1u);
    EXPECT_TRUE(static_cast<DWORD>(up.lParam) & 0x80000000u);
    auto typed = receivedOf(first, WM_CHAR);
    ASSERT_EQ(typed.size(), 2u);
    EXPECT_EQ(typed[0].wParam, 0x1Bu);
    EXPECT_EQ(typed[1].wParam, static_cast<WPARAM>(L'a'));
    EXPECT_EQ(GetKeyState('A') & 1, 1);  // toggled by the press
    platform::testing::keyUp('A');
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
    EXPECT_EQ(GetFocus(), mine);
    SetEvent(release);
    busy.join();
    EXPECT_EQ(receivedOf(other, WM_KILLFOCUS).size(), 1u);  // delivered once the thread pumped
    CloseHandle(created);
    CloseHandle(release);
}

TEST_F(WindowInput, KeystrokeWithoutFocusReachesNoWindowButKeepsKeyState) {
    HWND window = create(0);
    SetFocus(nullptr);
    keybd_event(VK_CONTROL, 0, 0, 0);
    EXPECT_LT(GetKeyState(VK_CONTROL), 0);
    keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);
    platform::testing::pumpPendingMessages();
    EXPECT_TRUE(receivedOf(window, WM_KEYDOWN).empty());
}

TEST_F(WindowInput, SystemArrowCursorIsOneHandleAndClassCursorIsSetOnMouseOver) {
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(LoadCursorW(nullptr, IDC_ARROW), arrow);
    EXPECT_NE(LoadCursorW(nullptr, IDC_CROSS), arrow);
    EXPECT_EQ(LoadCursorW(nullptr, MAKEINTRESOURCEW(1)), nullptr);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_HAND);
    std::wstring name = className_ + L"Cursor";
    windowClass.lpszClassName = name.c_str();
    ASSERT_NE(RegisterClassExW(&windowClass), 0);
    classes_.push_back(name);
    HWND window = create(WS_VISIBLE, nullptr, RECT{0, 0, 10, 10}, name);
    SetCursor(arrow);
    platform::testing::mouseMove(window, 1, 1);
    platform::testing::pumpPendingMessages();
    EXPECT_EQ(GetCursor(), windowClass.hCursor);
}

}  // namespace
