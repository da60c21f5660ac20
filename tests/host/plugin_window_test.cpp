#include "host/factory_base.h"
#include "host/events/mouse_events.h"
#include "host/plugin_window_win.h"
#include "host/plugin_windowless_win.h"
#include "host/events/window_events.h"
#include "host/events/windows_event.h"
#include "platform/window/win_gdi.h"
#include "platform/window/win_input_testing.h"
#include "platform/window/win_surface_testing.h"
#include "platform/window/win_window_testing.h"
#include "tests/support/host/event_recorder.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using platform::testing::MouseButton;
using test_support::EventRecorder;
using Lines = std::vector<std::string>;
namespace ptest = platform::testing;

namespace {

int g_originalProcCalls = 0;

LRESULT CALLBACK browserWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ++g_originalProcCalls;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

struct TestFactory : FB::FactoryBase {
    std::shared_ptr<FB::PluginCore> makePluginObject(const std::string&) override { return {}; }
};

// A browser-made window (double clicks enabled) wrapped by the factory's windowed wrapper, with a
// recording observer.
class PluginWindows : public ::testing::Test {
protected:
    void SetUp() override {
        ptest::resetInputState();
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = &browserWindowProc;
        windowClass.lpszClassName = L"TestBrowserPluginArea";
        RegisterClassExW(&windowClass);  // fails harmlessly when already registered
        hwnd = CreateWindowExW(0, L"TestBrowserPluginArea", L"", WS_POPUP | WS_VISIBLE, 10, 20, 200, 100, nullptr,
                               nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
        window.reset(factory.makeWindowedWrapper(FB::WindowContextWindowed(hwnd)));
        window->addObserver(recorder);
        ptest::pumpPendingMessages();
        recorder->log.clear();
        g_originalProcCalls = 0;
    }
    void TearDown() override {
        window.reset();
        DestroyWindow(hwnd);
        ptest::pumpPendingMessages();
    }
    Lines pumpedEvents() {
        ptest::pumpPendingMessages();
        Lines lines = recorder->translated();
        recorder->log.clear();
        return lines;
    }

    TestFactory factory;
    HWND hwnd = nullptr;
    std::shared_ptr<FB::PluginWindowWin> window;
    std::shared_ptr<EventRecorder> recorder = std::make_shared<EventRecorder>();
};

}  // namespace

// The double-click messages give no event: the presses around them do. Keys carry the framework's
// key code and the virtual key.
TEST_F(PluginWindows, MouseInputBecomesEventsWithSignedCoordinatesAndModifiers) {
    ptest::doubleClick(hwnd, MouseButton::Left, 7, 8);
    EXPECT_EQ(pumpedEvents(), (Lines{"down 0 7 8 0", "up 0 7 8 0", "up 0 7 8 0"}));
    LRESULT result = 5;
    for (UINT message : {WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK}) {
        EXPECT_FALSE(window->handleMessage(hwnd, message, 0, MAKELPARAM(7, 8), result));
    }
    SetFocus(hwnd);
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(0xFFFF, 0xFFFE));
    SendMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), MAKELPARAM(300, 400));
    ptest::mouseMove(hwnd, 5, 6);
    ptest::keyDown(16);  // shift, read when the button messages are handled
    ptest::mouseDown(hwnd, MouseButton::Right, 30, 40);
    ptest::mouseUp(hwnd, MouseButton::Middle, 1, 2);
    const Lines events = pumpedEvents();
    ptest::keyUp(16);
    EXPECT_EQ(events, (Lines{"up 0 -1 -2 0", "scroll 300 400 0 -120", "move 5 6", "key 56 16", "down 1 30 40 1",
                             "up 2 1 2 1"}));
}

TEST_F(PluginWindows, DialogCodeMouseActivateTimerAndGeometry) {
    EXPECT_EQ(SendMessageW(hwnd, WM_GETDLGCODE, 0, 0), 135);
    EXPECT_EQ(SendMessageW(hwnd, WM_MOUSEACTIVATE, 0, 0), 1);
    EXPECT_EQ(GetFocus(), hwnd);
    ptest::setTimersFollowClock(false);
    ASSERT_TRUE(SetTimer(hwnd, 9, 500, nullptr));
    ptest::fireTimer(hwnd, 9);
    EXPECT_EQ(pumpedEvents(), (Lines{"timer 9"}));
    KillTimer(hwnd, 9);
    ptest::setTimersFollowClock(true);
    EXPECT_EQ(window->clipRect(), (FB::Rect{20, 10, 120, 210}));
    EXPECT_EQ(window->getWindowWidth(), 200);
    EXPECT_EQ(window->getWindowHeight(), 100);
}

TEST_F(PluginWindows, HandledPaintAndUnhandledMessagesGoToTheReplacedProcedureOnlyWhenAsked) {
    InvalidateRect(hwnd, nullptr, FALSE);
    SendMessageW(hwnd, WM_USER + 3, 0, 0);
    EXPECT_EQ(pumpedEvents(), (Lines{"refresh"}));
    EXPECT_EQ(g_originalProcCalls, 0);

    window->callPreviousProc = true;
    recorder->handles = [](FB::PluginEvent* event) -> bool {
        if (dynamic_cast<FB::MouseMoveEvent*>(event)) throw std::runtime_error("observer failed");
        return dynamic_cast<FB::RefreshEvent*>(event) != nullptr;
    };
    InvalidateRect(hwnd, nullptr, FALSE);
    pumpedEvents();
    EXPECT_EQ(g_originalProcCalls, 1);  // the handled paint goes on to the window's own procedure
    SendMessageW(hwnd, WM_USER + 3, 0, 0);
    EXPECT_EQ(g_originalProcCalls, 2);
    // An observer's exception does not unwind through the message dispatch: unhandled.
    EXPECT_NO_THROW(SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(3, 4)));
    EXPECT_EQ(g_originalProcCalls, 3);
}

TEST_F(PluginWindows, ObserverThatHandlesTheRawMessageStopsTranslationAndSetsTheResult) {
    recorder->handles = [](FB::PluginEvent* event) {
        auto* raw = dynamic_cast<FB::WindowsEvent*>(event);
        if (raw && raw->uMsg == WM_LBUTTONDOWN) raw->lRes = 77;
        return raw && raw->uMsg == WM_LBUTTONDOWN;
    };
    EXPECT_EQ(SendMessageW(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(1, 1)), 77);
    EXPECT_EQ(recorder->log, (Lines{"msg 513"}));
}

TEST_F(PluginWindows, ResizingBecomesAResizedEventAndTheCursorMessageSetsTheArrowUnhandled) {
    MoveWindow(hwnd, 10, 20, 300, 80, FALSE);
    EXPECT_EQ(pumpedEvents(), (Lines{"resized"}));
    window->callPreviousProc = true;
    SetCursor(nullptr);
    SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(g_originalProcCalls, 1);
}

// A page removing the plug-in from inside an event handler destroys the wrapper while it
// dispatches; the message then goes on unhandled, and nothing of the wrapper is touched. Its
// owner may hold it shared (it then goes when the observers have been told) or plainly.
TEST_F(PluginWindows, ObserverMayDestroyTheWindowWhileItHandlesAMessage) {
    window->callPreviousProc = true;
    auto second = std::make_shared<EventRecorder>();
    window->addObserver(second);
    recorder->handles = [&](FB::PluginEvent* event) {
        if (dynamic_cast<FB::WindowsEvent*>(event)) window.reset();
        return false;
    };
    SendMessageW(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(1, 2));
    EXPECT_EQ(second->log, (Lines{"attached", "msg 513"}));  // no translated event after it
    EXPECT_EQ(g_originalProcCalls, 1);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)), &browserWindowProc);

    FB::PluginWindowWin* plain = factory.makeWindowedWrapper(FB::WindowContextWindowed(hwnd));
    plain->callPreviousProc = true;
    plain->addObserver(recorder);
    plain->addObserver(second);
    recorder->handles = [&](FB::PluginEvent* event) {
        if (dynamic_cast<FB::WindowsEvent*>(event)) delete plain;
        return false;
    };
    second->log.clear();
    SendMessageW(hwnd, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(second->log, Lines{});  // the walk ends with the source
    EXPECT_EQ(g_originalProcCalls, 2);
}

TEST_F(PluginWindows, SubclassingIsUndoneOnlyWhenNobodySubclassedAfterUs) {
    auto procedure = [&] { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)); };
    EXPECT_EQ(procedure(), &FB::PluginWindowWin::windowProc);
    window.reset();
    EXPECT_EQ(procedure(), &browserWindowProc);
    EXPECT_EQ(FB::PluginWindowWin::windowMap.count(hwnd), 0u);

    window.reset(factory.makeWindowedWrapper(FB::WindowContextWindowed(hwnd)));
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
    window.reset();
    EXPECT_EQ(procedure(), &DefWindowProcW);
}

TEST(WindowlessPluginWindow, PositionChangesSendOneResizeAndInputBecomesPluginRelativeEvents) {
    ptest::resetInputState();
    std::unique_ptr<FB::PluginWindowlessWin> window(
        TestFactory().makeWindowlessWrapper(FB::WindowContextWindowless(nullptr)));
    auto recorder = std::make_shared<EventRecorder>();
    window->addObserver(recorder);
    window->setWindowPosition(10, 20, 100, 50);
    window->setWindowPosition(10, 20, 100, 50);
    EXPECT_EQ(window->windowRect(), (FB::Rect{20, 10, 70, 110}));
    LRESULT result = 0;
    window->HandleEvent(WM_LBUTTONDOWN, 0, MAKELPARAM(15, 30), result);
    window->HandleEvent(WM_MOUSEMOVE, 0, MAKELPARAM(11, 21), result);
    window->HandleEvent(WM_KEYDOWN, 'A', 0, result);
    window->HandleEvent(WM_KEYUP, 107, 0, result);
    ptest::keyDown(17);  // control, read when the button messages are handled
    window->HandleEvent(WM_RBUTTONUP, 0, MAKELPARAM(9, 18), result);
    window->HandleEvent(WM_MBUTTONDOWN, 0, MAKELPARAM(10, 20), result);
    ptest::keyUp(17);
    for (UINT unhandled : {WM_MOUSEWHEEL, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK, WM_TIMER, WM_SIZE}) {
        EXPECT_FALSE(window->HandleEvent(unhandled, 0, 0, result)) << unhandled;
    }
    EXPECT_EQ(recorder->translated(), (Lines{"attached", "resized", "down 0 5 10 0", "move 1 1", "key 84 65",
                                             "keyup 0 107", "up 1 -1 -2 2", "down 2 0 0 2"}));

    recorder->handles = [](FB::PluginEvent* event) {
        auto* raw = dynamic_cast<FB::WindowsEvent*>(event);
        if (raw) raw->lRes = 77;
        return raw != nullptr;
    };
    result = 5;
    EXPECT_TRUE(window->HandleEvent(WM_USER, 0, 0, result));
    EXPECT_EQ(result, 77);

    std::vector<int> repaints;
    window->repaintWindow();
    window->setInvalidateWindowFunc([&](int a, int b, int c, int d) { repaints.insert(repaints.end(), {a, b, c, d}); });
    window->repaintWindow();
    EXPECT_EQ(repaints, (std::vector<int>{0, 0, 100, 50}));
}

// The browser's window, white, with a device context to draw into.
struct BrowserCanvas {
    BrowserCanvas() {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &DefWindowProcW;
        windowClass.lpszClassName = L"TestBrowserCanvas";
        RegisterClassExW(&windowClass);  // fails harmlessly when already registered
        hwnd =
            CreateWindowExW(0, L"TestBrowserCanvas", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
        dc = GetDC(hwnd);
        clear();
    }
    ~BrowserCanvas() {
        ReleaseDC(hwnd, dc);
        DestroyWindow(hwnd);
    }
    void clear() {
        RECT all{0, 0, 200, 100};
        HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        FillRect(dc, &all, white);
        DeleteObject(white);
    }
    std::vector<uint32_t> pixels() const { return platform::testing::readSurface(hwnd).pixels; }

    HWND hwnd;
    HDC dc;
};

TEST(WindowlessPluginWindow, DrawWithoutAHandlingObserverCentresTheFallbackTextOnThePluginArea) {
    test_support::ScopedMachineFolders folders;
    folders.linkChineseFont();
    BrowserCanvas drawn;
    BrowserCanvas expected;
    const std::vector<uint32_t> blank = drawn.pixels();
    SetTextAlign(expected.dc, TA_CENTER | TA_BASELINE);
    ASSERT_TRUE(TextOutW(expected.dc, 60, 45, L"Web Camera Plugin", 17));
    ASSERT_NE(expected.pixels(), blank);

    FB::PluginWindowlessWin window{FB::WindowContextWindowless(nullptr)};
    window.setWindowPosition(10, 20, 100, 50);
    auto recorder = std::make_shared<EventRecorder>();
    window.addObserver(recorder);
    EXPECT_TRUE(window.handleDraw(drawn.dc, FB::Rect{20, 10, 70, 110}));
    EXPECT_EQ(drawn.pixels(), expected.pixels());
    EXPECT_EQ(window.getHDC(), drawn.dc);

    drawn.clear();
    recorder->handles = [](FB::PluginEvent* event) { return dynamic_cast<FB::RefreshEvent*>(event) != nullptr; };
    EXPECT_TRUE(window.handleDraw(drawn.dc, FB::Rect{20, 10, 70, 110}));
    EXPECT_EQ(drawn.pixels(), blank);  // the observer drew instead
    EXPECT_EQ(recorder->translated(), (Lines{"attached", "refresh", "refresh"}));
}
