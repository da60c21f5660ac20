// The preview views' intake of device messages and the alarm texts they post to their window.
#include "app/player/alarm_text_message.h"
#include "app/player/preview_message_intake.h"
#include "platform/window/win_window.h"

#include <gtest/gtest.h>

namespace {

using Action = PreviewMessageAction;

TEST(PreviewMessageIntake, RecordsAreTakenOnlyAtTheirExactSizeAndOtherTypesIgnored) {
    for (auto [type, size] : {std::pair{1, 187}, {2, 443}, {3, 2792}, {4, 3714}, {10, 2792}}) {
        EXPECT_NE(RoutePreviewMessage(type, size).action, Action::Ignore) << type;
        EXPECT_EQ(RoutePreviewMessage(type, size - 1).action, Action::Ignore) << type;
        EXPECT_EQ(RoutePreviewMessage(type, size + 1).action, Action::Ignore) << type;
    }
    for (int type : {-1, 6, 9, 11}) EXPECT_EQ(RoutePreviewMessage(type, 443).action, Action::Ignore) << type;
    EXPECT_EQ(RoutePreviewMessage(0, -1).action, Action::Ignore);
}

class AlarmText : public ::testing::Test {
protected:
    AlarmText() {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = L"AlarmTextWindow";
        RegisterClassExW(&windowClass);  // once per process; later registrations fail harmlessly
        window = CreateWindowExW(0, L"AlarmTextWindow", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    }
    ~AlarmText() override { DestroyWindow(window); }
    HWND window = nullptr;
    const size_t before = AlarmTextsInFlight();
};

TEST_F(AlarmText, OnlyATextPostedAndNotYetTakenIsTakenAndOnlyOnce) {
    char foreign[] = "someone else's message of the same number";
    EXPECT_EQ(TakeAlarmText(reinterpret_cast<WPARAM>(foreign)), nullptr);
    EXPECT_EQ(TakeAlarmText(0), nullptr);
    ASSERT_TRUE(PostAlarmText(window, kAlarmTextMessage, "fire\0ignored", 4));
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, window, 0, 0, PM_REMOVE));
    std::unique_ptr<char[]> text = TakeAlarmText(message.wParam);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text.get(), "fire");
    EXPECT_EQ(TakeAlarmText(message.wParam), nullptr);
}

TEST_F(AlarmText, DiscardingFreesTheWaitingTextsOnlyAndAFailedPostKeepsNone) {
    PostAlarmText(window, kAlarmTextMessage, "one", 3);
    PostMessageW(window, 0x403, 7, 0);
    PostAlarmText(window, kAlarmTextOtherMessage, "two", 3);
    EXPECT_EQ(AlarmTextsInFlight(), before + 2);
    DiscardPendingAlarmTexts(window);
    EXPECT_EQ(AlarmTextsInFlight(), before);
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, 0x403u);
    DestroyWindow(window);
    EXPECT_FALSE(PostAlarmText(window, kAlarmTextMessage, "x", 1));
    EXPECT_FALSE(PostAlarmText(nullptr, kAlarmTextMessage, "x", 1));
    EXPECT_EQ(AlarmTextsInFlight(), before);
}

}  // namespace
