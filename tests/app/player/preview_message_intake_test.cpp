#include "app/player/alarm_text_message.h"
#include "app/player/preview_message_intake.h"

#include "platform/window/win_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Action = PreviewMessageAction;

TEST(PreviewMessageIntake, StatusAndOsdRecordsAreTakenOnlyAtTheirExactSize) {
    const struct {
        int type;
        int size;
        Action action;
    } records[] = {
        {1, 187, Action::TakeOsdRecord},      {2, 443, Action::StoreStatusRecord},
        {3, 2792, Action::StoreStatusRecord}, {4, 3714, Action::StoreStatusRecord},
        {10, 2792, Action::StoreStatusRecord},
    };
    for (const auto& r : records) {
        EXPECT_EQ(RoutePreviewMessage(r.type, r.size).action, r.action) << r.type;
        EXPECT_EQ(RoutePreviewMessage(r.type, r.size - 1).action, Action::Ignore) << r.type;
        EXPECT_EQ(RoutePreviewMessage(r.type, r.size + 1).action, Action::Ignore) << r.type;
    }
    for (int type : {-1, 6, 7, 8, 9, 11, 443})
        EXPECT_EQ(RoutePreviewMessage(type, 443).action, Action::Ignore) << type;
}

TEST(PreviewMessageIntake, AlarmTextsUpTo5120BytesArePostedAndLongerOnesDropped) {
    for (int length : {0, 1, 5120}) {
        const PreviewMessageRoute first = RoutePreviewMessage(0, length);
        EXPECT_EQ(first.action, Action::PostAlarm);
        EXPECT_EQ(first.alarmMessage, 0x402u);
        const PreviewMessageRoute other = RoutePreviewMessage(5, length);
        EXPECT_EQ(other.action, Action::PostAlarm);
        EXPECT_EQ(other.alarmMessage, 0x404u);
    }
    EXPECT_EQ(RoutePreviewMessage(0, 5121).action, Action::DropOversizedAlarm);
    EXPECT_EQ(RoutePreviewMessage(5, 10240).action, Action::DropOversizedAlarm);
    EXPECT_EQ(RoutePreviewMessage(0, -1).action, Action::Ignore);
}

class AlarmMessage : public ::testing::Test {
protected:
    void SetUp() override {
        static int serial = 0;
        const std::wstring name = L"AlarmWindow" + std::to_wstring(serial++);
        WNDCLASSEXW windowClass{sizeof(WNDCLASSEXW), 0, DefWindowProcW, 0, 0, nullptr, nullptr, nullptr,
                                nullptr, nullptr, name.c_str(), nullptr};
        ASSERT_NE(RegisterClassExW(&windowClass), 0);
        window = CreateWindowExW(0, name.c_str(), L"alarm", 0, 0, 0, 100, 50, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        DiscardPendingAlarmTexts(window);
        DestroyWindow(window);
    }
    // The messages waiting for the window, their texts taken.
    std::vector<std::pair<UINT, std::string>> pending() {
        std::vector<std::pair<UINT, std::string>> found;
        MSG message{};
        while (PeekMessageW(&message, window, 0, 0, PM_REMOVE)) {
            std::unique_ptr<char[]> text = IsAlarmTextMessage(message.message) ? TakeAlarmText(message.wParam) : nullptr;
            found.emplace_back(message.message, text ? text.get() : "");
        }
        return found;
    }

    HWND window = nullptr;
};

TEST_F(AlarmMessage, ATextPostedFromAnotherThreadArrivesTerminatedAndOwnedByTheReceiver) {
    const std::string body(5120, 'a');  // exactly the longest, with no terminator of its own
    std::thread device([&] {
        EXPECT_TRUE(PostAlarmText(window, kAlarmTextMessage, body.data(), static_cast<int>(body.size())));
        EXPECT_TRUE(PostAlarmText(window, kAlarmTextOtherMessage, "fire\0ignored", 4));
        EXPECT_TRUE(PostAlarmText(window, kAlarmTextMessage, nullptr, 0));
    });
    device.join();
    const auto received = pending();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0], std::make_pair(kAlarmTextMessage, body));
    EXPECT_EQ(received[1], std::make_pair(kAlarmTextOtherMessage, std::string("fire")));
    EXPECT_EQ(received[2], std::make_pair(kAlarmTextMessage, std::string()));
}

TEST_F(AlarmMessage, ATextThatCannotBePostedIsFreedByThePoster) {
    EXPECT_FALSE(PostAlarmText(nullptr, kAlarmTextMessage, "x", 1));  // would post to this thread
    EXPECT_FALSE(PostAlarmText(window, kAlarmTextMessage, "x", -1));
    HWND gone = window;
    DestroyWindow(gone);
    const size_t before = AlarmTextsInFlight();
    EXPECT_FALSE(PostAlarmText(gone, kAlarmTextMessage, "x", 1));
    EXPECT_EQ(AlarmTextsInFlight(), before);
    MSG message{};
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(AlarmMessage, DiscardingFreesOnlyTheWaitingAlarmTexts) {
    const size_t before = AlarmTextsInFlight();
    PostAlarmText(window, kAlarmTextMessage, "one", 3);
    PostMessageW(window, 0x403, 7, 0);
    PostAlarmText(window, kAlarmTextOtherMessage, "two", 3);
    PostMessageW(window, 1025, 0, 0);
    EXPECT_EQ(AlarmTextsInFlight(), before + 2);
    DiscardPendingAlarmTexts(window);
    EXPECT_EQ(AlarmTextsInFlight(), before);
    const auto left = pending();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].first, 0x403u);
    EXPECT_EQ(left[1].first, 1025u);
    DiscardPendingAlarmTexts(nullptr);
}

TEST_F(AlarmMessage, AnAlarmNumberedMessageOfSomeoneElseCarriesNoText) {
    char foreign[] = "not ours";
    EXPECT_EQ(TakeAlarmText(reinterpret_cast<WPARAM>(foreign)), nullptr);
    EXPECT_EQ(TakeAlarmText(0), nullptr);
    EXPECT_EQ(TakeAlarmText(12345), nullptr);
    PostAlarmText(window, kAlarmTextMessage, "ours", 4);
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, window, 0, 0, PM_REMOVE));
    std::unique_ptr<char[]> text = TakeAlarmText(message.wParam);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text.get(), "ours");
    EXPECT_EQ(TakeAlarmText(message.wParam), nullptr);  // taken once only
}

}  // namespace
