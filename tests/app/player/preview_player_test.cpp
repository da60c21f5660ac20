#include "app/api/veltrin_api.h"
#include "app/player/preview_alarm_message.h"
#include "app/player/preview_message_intake.h"
#include "app/player/preview_player.h"
#include "app/player/preview_player_old_ball.h"
#include "app/player/preview_player_old_gun.h"
#include "app/render/frame_line.h"
#include "app/util/file_logger.h"
#include "app/util/registry_settings.h"
#include "host/events/mouse_events.h"
#include "host/events/windows_event.h"
#include "host/plugin_window_win.h"
#include "host/window_context.h"
#include "platform/time/win_local_time_testing.h"
#include "platform/window/win_input_testing.h"
#include "platform/window/win_window.h"

#include "tests/support/device_records.h"
#include "tests/support/host/test_browser_host.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using test_support::StatusLabel;
using test_support::StatusLine;
using test_support::StatusPoint;

constexpr int kPictureWidth = 1920;
constexpr int kPictureHeight = 1080;
constexpr int kWindowWidth = 960;  // half the picture: one window pixel is two picture pixels
constexpr int kWindowHeight = 540;
constexpr int kLineThickness = 2;  // a 1920-wide picture in a 960-wide window
constexpr int kTextSize = 52;      // 1080 shown rows
constexpr uint8_t kFill = 100;

// The scripting object the views tell the page through, writing down every event fired.
class RecordingApi : public VeltrinAPI {
public:
    using VeltrinAPI::VeltrinAPI;
    using VeltrinAPI::fireNamedEvent;
    void fireNamedEvent(const std::string& name, const FB::VariantList& args) override {
        events.emplace_back(name, args.empty() ? std::string() : args[0].convertTo<std::string>());
    }
    std::vector<std::pair<std::string, std::string>> events;  // name, first argument as text
};

// A preview view that the test puts in the playing state with a known picture size, without a
// stream, and whose overlay it draws into a picture of its own.
template <class View>
class TestView : public View {
public:
    using View::View;
    ~TestView() override { this->playing_ = false; }  // nothing of a stream to stop

    void pretendPlaying() {
        this->playing_ = true;
        this->width_ = kPictureWidth;
        this->height_ = kPictureHeight;
        this->cropRows_ = 0;
    }
    void stopPretending() { this->playing_ = false; }
    void setRegionMode(bool on) { this->dragMode_ = on; }
    PointList dragPoints() const { return this->dragPoints_; }

    std::vector<uint8_t> overlay() {
        const int32_t size = kPictureWidth * kPictureHeight * 3 / 2;
        DataBuffer* picture = AllocDataBuffer(size);
        std::memset(picture->data, kFill, static_cast<size_t>(size));
        this->LockFrame();
        this->currentFrame_ = picture;
        this->DrawOverlay();
        this->currentFrame_ = nullptr;
        this->UnlockFrame();
        std::vector<uint8_t> drawn(picture->data, picture->data + size);
        ReleaseDataBuffer(picture);
        return drawn;
    }
};

std::vector<uint8_t> blankPicture() { return std::vector<uint8_t>(kPictureWidth * kPictureHeight * 3 / 2, kFill); }

// What the line drawer makes of an open path in a status record's colour (written as Y, U, V).
void drawPath(std::vector<uint8_t>& picture, const StatusLine& line, size_t points) {
    const int32_t colour[3] = {line.red, line.green, line.blue};
    for (size_t j = 1; j < points; ++j) {
        DrawLineIntoFrame(picture.data(), kPictureWidth, kPictureHeight, static_cast<float>(line.points[j - 1].x),
                          static_cast<float>(line.points[j - 1].y), static_cast<float>(line.points[j].x),
                          static_cast<float>(line.points[j].y), kLineThickness, colour);
    }
}

StatusLine path(uint8_t red, uint8_t green, uint8_t blue, int points, int offset) {
    StatusLine line{red, green, blue, {}};
    for (int i = 0; i < points; ++i) line.points.push_back(StatusPoint{100 + 150 * i, 200 + offset + 40 * (i % 2)});
    return line;
}

int windowClassSerial = 0;  // class names are not reused

template <class View>
class PreviewViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine.linkChineseFont();
        SYSTEMTIME moment{};
        moment.wYear = 2024;
        moment.wMonth = 5;
        moment.wDay = 6;
        moment.wHour = 7;
        moment.wMinute = 8;
        moment.wSecond = 9;
        ASSERT_TRUE(platform::testing::setLocalTime(moment));
        std::filesystem::create_directories(machine.driveRoot() / "d");  // the folder of d:\log.txt
        RegistrySettings::SetString(L"Debug", "1");
        FileLogger::Init();
        const std::wstring className = L"PreviewTestWindow" + std::to_wstring(windowClassSerial++);
        WNDCLASSEXW windowClass{sizeof(WNDCLASSEXW), 0, DefWindowProcW, 0, 0, nullptr, nullptr, nullptr,
                                nullptr, nullptr, className.c_str(), nullptr};
        ASSERT_NE(RegisterClassExW(&windowClass), 0);
        hwnd = CreateWindowExW(0, className.c_str(), L"plug-in", WS_VISIBLE, 0, 0, kWindowWidth, kWindowHeight,
                               nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
        pluginWindow = std::make_unique<FB::PluginWindowWin>(FB::WindowContextWindowed(hwnd));
        host = testsupport::TestBrowserHost::create();
        api = std::make_shared<RecordingApi>(host);
        view = std::make_unique<TestView<View>>(api.get(), pluginWindow.get());
        platform::testing::resetInputState();
    }
    void TearDown() override {
        view.reset();
        api.reset();
        pluginWindow.reset();
        DestroyWindow(hwnd);
        platform::testing::pumpPendingMessages();
        host.reset();
        FileLogger::Release();
        platform::testing::useSystemLocalTime();
    }

    // A device message as the device link's reader thread hands it on.
    void receive(int type, const std::string& body) {
        std::thread device([&] { view->OnDeviceMessage(type, body.data(), static_cast<int>(body.size())); });
        device.join();
    }
    // Hands every alarm message waiting for the plug-in window to the view, as the plug-in window
    // does; answers how many there were.
    int deliverAlarmMessages() {
        int count = 0;
        MSG message{};
        while (PeekMessageW(&message, hwnd, kAlarmTextMessage, kAlarmTextOtherMessage, PM_REMOVE)) {
            LRESULT result = 0;
            FB::WindowsEvent event(hwnd, message.message, message.wParam, message.lParam, result);
            EXPECT_TRUE(view->onWindowsEvent(&event, pluginWindow.get()));
            ++count;
        }
        return count;
    }
    std::vector<std::string> logLines() const {
        std::ifstream in(machine.driveRoot() / "d" / "log.txt");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    test_support::ScopedMachineFolders machine;
    HWND hwnd = nullptr;
    std::unique_ptr<FB::PluginWindowWin> pluginWindow;
    std::shared_ptr<testsupport::TestBrowserHost> host;
    std::shared_ptr<RecordingApi> api;
    std::unique_ptr<TestView<View>> view;
};

using PreviewPlayerTest = PreviewViewTest<CPreviewPlayer>;
using PreviewPlayerOldGunTest = PreviewViewTest<CPreviewPlayerOldGun>;
using PreviewPlayerOldBallTest = PreviewViewTest<CPreviewPlayerOldBall>;

TEST_F(PreviewPlayerTest, AlarmTextsUpTo5120BytesBecomeOnalarmAndLongerOnesAreLoggedAndDropped) {
    const std::string longest(5120, 'w');
    receive(0, longest);
    receive(5, std::string("door open\0", 10));
    receive(0, std::string(5121, 'x'));
    EXPECT_EQ(deliverAlarmMessages(), 2);
    using Event = std::pair<std::string, std::string>;
    EXPECT_EQ(api->events, (std::vector<Event>{{"onalarm", longest}, {"onalarm", "door open"}}));
    const auto lines = logLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "[2024-05-06 07:08:09] received alarm info is too large:5121.");

    char foreign[] = "not a text of the device link";  // someone else's message of the same number
    LRESULT result = 0;
    FB::WindowsEvent event(hwnd, kAlarmTextMessage, reinterpret_cast<WPARAM>(foreign), 0, result);
    EXPECT_FALSE(view->onWindowsEvent(&event, pluginWindow.get()));
    EXPECT_EQ(api->events.size(), 2u);
}

TEST_F(PreviewPlayerTest, AlarmTextsStillWaitingWhenTheViewGoesAreFreed) {
    const size_t before = AlarmTextsInFlight();
    receive(0, "left behind");
    receive(5, "and another");
    EXPECT_EQ(AlarmTextsInFlight(), before + 2);
    view.reset();
    EXPECT_EQ(AlarmTextsInFlight(), before);
    MSG message{};
    EXPECT_FALSE(PeekMessageW(&message, hwnd, kAlarmTextMessage, kAlarmTextOtherMessage, PM_REMOVE));
}

TEST_F(PreviewPlayerTest, StatusRecordsOfTypes2_3And4AreDrawnIntoEveryPicture) {
    view->pretendPlaying();
    std::vector<StatusLine> seven;
    for (int i = 0; i < 7; ++i) seven.push_back(path(static_cast<uint8_t>(30 + i), 90, 200, 3, 60 * i));
    const StatusLine twelve = path(235, 16, 16, 12, 600);
    const StatusLine single = path(16, 16, 16, 1, 700);
    const StatusLine figure = path(81, 90, 240, 4, 800);
    const StatusLabel label{255, 255, 0, 300, 950, "\xB3\xB5\xB5\xC0 1"};  // 车道 1
    receive(2, test_support::encodeLineSet(2, seven));
    receive(3, test_support::encodeLineSet(3, {single, twelve}));
    receive(4, test_support::encodeFigureSet({figure}, {label}));
    receive(10, test_support::encodeLineSet(10, {path(1, 2, 3, 5, 900)}));  // not this view's

    auto expected = blankPicture();
    for (int i = 0; i < 5; ++i) drawPath(expected, seven[i], 3);  // the count says 7, the record holds 5
    drawPath(expected, twelve, 10);  // the count says 12, the record holds 10
    drawPath(expected, figure, 4);
    TextRenderer text;
    const int32_t yellow[3] = {255, 255, 0};
    text.DrawText(expected.data(), label.text.c_str(), kPictureWidth, kPictureHeight, 300, 950, kTextSize, yellow);
    EXPECT_EQ(view->overlay(), expected);
    EXPECT_EQ(view->overlay(), expected);  // again on the next picture

    auto tooShort = test_support::encodeLineSet(3, {path(1, 1, 1, 2, 0)});
    tooShort.pop_back();
    receive(3, tooShort);  // ignored: the previous record stays
    receive(2, test_support::encodeLineSet(2, {}) + "x");
    EXPECT_EQ(view->overlay(), expected);

    view->stopPretending();
    EXPECT_EQ(view->overlay(), blankPicture());  // drawn only while playing
}

TEST_F(PreviewPlayerOldGunTest, DrawsOnlyTheLineSetOfType3) {
    view->pretendPlaying();
    const StatusLine gun = path(200, 30, 30, 4, 0);
    receive(2, test_support::encodeLineSet(2, {path(1, 1, 1, 3, 100)}));
    receive(3, test_support::encodeLineSet(3, {gun}));
    receive(4, test_support::encodeFigureSet({path(2, 2, 2, 3, 200)}, {StatusLabel{255, 0, 0, 50, 50, "x"}}));
    receive(10, test_support::encodeLineSet(10, {path(3, 3, 3, 3, 300)}));
    auto expected = blankPicture();
    drawPath(expected, gun, 4);
    EXPECT_EQ(view->overlay(), expected);
}

TEST_F(PreviewPlayerOldBallTest, DrawsOnlyTheLineSetOfType10) {
    view->pretendPlaying();
    const StatusLine ball = path(60, 200, 60, 5, 400);
    receive(2, test_support::encodeLineSet(2, {path(1, 1, 1, 3, 100)}));
    receive(3, test_support::encodeLineSet(3, {path(2, 2, 2, 3, 200)}));
    receive(4, test_support::encodeFigureSet({path(2, 2, 2, 3, 200)}, {StatusLabel{255, 0, 0, 50, 50, "x"}}));
    receive(10, test_support::encodeLineSet(10, {ball}));
    auto expected = blankPicture();
    drawPath(expected, ball, 5);
    EXPECT_EQ(view->overlay(), expected);
}

TEST_F(PreviewPlayerTest, AManualRectangleDraggedUpwardsIsReportedWithOrderedCorners) {
    view->pretendPlaying();
    view->DoManualAnalyse(3);
    EXPECT_TRUE(view->manualAnalyse());
    FB::MouseDownEvent down(FB::MouseButtonEvent::MouseButton_Left, 100, 150, 0);
    platform::testing::mouseDown(hwnd, platform::testing::MouseButton::Left, 100, 150);
    EXPECT_TRUE(view->onMouseDown(&down, pluginWindow.get()));
    FB::MouseMoveEvent move(20, 50);
    EXPECT_TRUE(view->onMouseMove(&move, pluginWindow.get()));
    ASSERT_EQ(view->dragPoints().size(), 2u);
    EXPECT_FLOAT_EQ(view->dragPoints()[0].x, 200);
    EXPECT_FLOAT_EQ(view->dragPoints()[0].y, 300);
    EXPECT_FLOAT_EQ(view->dragPoints()[1].x, 40);
    EXPECT_FLOAT_EQ(view->dragPoints()[1].y, 100);

    auto expected = blankPicture();
    const int32_t red[3] = {255, 0, 0};
    for (const auto& [x0, y0, x1, y1] : {std::tuple{200, 300, 40, 300}, std::tuple{40, 300, 40, 100},
                                         std::tuple{40, 100, 200, 100}, std::tuple{200, 100, 200, 300}}) {
        DrawLineIntoFrame(expected.data(), kPictureWidth, kPictureHeight, x0, y0, x1, y1, kLineThickness, red);
    }
    EXPECT_EQ(view->overlay(), expected);

    FB::MouseUpEvent up(FB::MouseButtonEvent::MouseButton_Left, 20, 50, 0);
    EXPECT_TRUE(view->onMouseUp(&up, pluginWindow.get()));
    const std::string json =
        "{\n   \"bottom\" : 300.0,\n   \"channelno\" : 3,\n   \"left\" : 40.0,\n   \"right\" : 200.0,\n"
        "   \"top\" : 100.0\n}\n";
    ASSERT_EQ(api->events.size(), 1u);
    EXPECT_EQ(api->events[0], std::make_pair(std::string("onsetManualAnalyseParams"), json));
    EXPECT_FALSE(view->manualAnalyse());
    EXPECT_TRUE(view->dragPoints().empty());
    EXPECT_EQ(view->overlay(), blankPicture());
    EXPECT_TRUE(view->onMouseUp(&up, pluginWindow.get()));  // the mode served one rectangle
    EXPECT_EQ(api->events.size(), 1u);
}

TEST_F(PreviewPlayerTest, AButtonReleasedOutsideTheWindowAbandonsTheRectangle) {
    view->pretendPlaying();
    view->DoManualAnalyse(1);
    FB::MouseDownEvent down(FB::MouseButtonEvent::MouseButton_Left, 10, 10, 0);
    EXPECT_TRUE(view->onMouseDown(&down, pluginWindow.get()));
    FB::MouseMoveEvent move(30, 30);  // no button held: the release was missed
    EXPECT_TRUE(view->onMouseMove(&move, pluginWindow.get()));
    EXPECT_FALSE(view->manualAnalyse());
    EXPECT_TRUE(view->dragPoints().empty());
    FB::MouseUpEvent up(FB::MouseButtonEvent::MouseButton_Left, 30, 30, 0);
    EXPECT_TRUE(view->onMouseUp(&up, pluginWindow.get()));
    EXPECT_TRUE(api->events.empty());
}

TEST_F(PreviewPlayerTest, InRegionModeAFinishedDragGoesToOnset3DLocationParams) {
    view->pretendPlaying();
    view->setRegionMode(true);
    FB::MouseDownEvent down(FB::MouseButtonEvent::MouseButton_Left, 100, 50, 0);
    platform::testing::mouseDown(hwnd, platform::testing::MouseButton::Left, 100, 50);
    EXPECT_TRUE(view->onMouseDown(&down, pluginWindow.get()));
    FB::MouseMoveEvent move(110, 60);
    EXPECT_TRUE(view->onMouseMove(&move, pluginWindow.get()));
    FB::MouseUpEvent up(FB::MouseButtonEvent::MouseButton_Left, 110, 60, 0);
    EXPECT_TRUE(view->onMouseUp(&up, pluginWindow.get()));
    ASSERT_EQ(api->events.size(), 1u);
    EXPECT_EQ(api->events[0].first, "onset3DLocationParams");
    EXPECT_NE(api->events[0].second.find("\"left\" : 200.0"), std::string::npos) << api->events[0].second;
    EXPECT_TRUE(view->dragPoints().empty());
}

TEST_F(PreviewPlayerTest, MouseIsNotHandledWhileStoppedAndOnlyTheLeftButtonStartsARectangle) {
    view->DoManualAnalyse(2);
    FB::MouseDownEvent left(FB::MouseButtonEvent::MouseButton_Left, 10, 10, 0);
    FB::MouseMoveEvent move(20, 20);
    FB::MouseUpEvent up(FB::MouseButtonEvent::MouseButton_Left, 20, 20, 0);
    EXPECT_FALSE(view->onMouseDown(&left, pluginWindow.get()));
    EXPECT_FALSE(view->onMouseMove(&move, pluginWindow.get()));
    EXPECT_FALSE(view->onMouseUp(&up, pluginWindow.get()));
    view->pretendPlaying();
    FB::MouseDownEvent right(FB::MouseButtonEvent::MouseButton_Right, 10, 10, 0);
    EXPECT_TRUE(view->onMouseDown(&right, pluginWindow.get()));
    EXPECT_TRUE(view->dragPoints().empty());
    EXPECT_TRUE(view->manualAnalyse());
}

}  // namespace
