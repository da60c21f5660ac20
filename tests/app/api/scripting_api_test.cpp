// The scripting object by name, without a camera: its members and their answers without a view,
// argument conversion, the choice of view, the analysis view's settings, the events and the mouse
// routing.
#include "app/analysis/analysis_setting_player.h"
#include "app/analysis/video_player_wkk.h"
#include "app/player/video_player.h"
#include "host/events/mouse_events.h"
#include "host/events/windows_event.h"
#include "scripting/script_error.h"
#include "tests/app/support/machine_test.h"
#include "tests/app/support/plugin_instance.h"

#include <gtest/gtest.h>

namespace {

using test_support::Args;
using test_support::PluginInstance;

class ScriptingApi : public test_support::MachineTest {
protected:
    // The text of the script error the call raises.
    template <class Call>
    static std::string ErrorOf(Call call) {
        try {
            call();
        } catch (const FB::script_error& error) {
            return error.what();
        }
        return "<none>";
    }
    // What the member answered, as the page sees it.
    std::string Answer(const std::string& method, FB::VariantList args = {}) {
        return test_support::Shown(page.api->Invoke(method, args));
    }

    PluginInstance page;
};

TEST_F(ScriptingApi, EveryMethodAndVersionAnswersWithoutAView) {
    const struct {
        const char* method;
        FB::VariantList args;
        const char* answer;
    } calls[] = {
        {"setControlType", {10}, "<empty>"},
        {"SetRtspUrl", {"rtsp://camera/"}, "<empty>"},
        {"SetServerIp", {"127.0.0.1"}, "<empty>"},
        {"SetEventType", {1}, "<empty>"},
        {"SetAreaHideFlag", {1, 0}, "<empty>"},
        {"SetAnalyseParams", {"{}"}, "<empty>"},
        {"SetTargetWidth", {100}, "<empty>"},
        {"SetTargetSize", {1.5, 2.5, 3, 4}, "<empty>"},
        {"SaveAnalyseParams", {}, "\"\""},
        {"SetOSDInfoParams", {"{}"}, "<empty>"},
        {"OnCheckLine", {}, "\"\""},
        {"StartPlay", {}, "-1"},
        {"StopPlay", {}, "-1"},
        {"pausePlay", {}, "-1"},
        {"unpausePlay", {}, "-1"},
        {"StartDraw", {1}, "<empty>"},
        {"StartDrawWithName", {1, "lane"}, "<empty>"},
        {"ModifySelectedPLName", {"lane"}, "<empty>"},
        {"selectObjByName", {1, "lane"}, "<empty>"},
        {"GetPLName", {1, 0}, "\"\""},
        {"SnapPicture", {}, "-1"},
        {"StartRecord", {"D:\\rec"}, "-1"},
        {"StopRecord", {}, "-1"},
        {"StartFindingDevice", {}, "-1"},
        {"StopFindingDevice", {}, "-1"},
        {"ModifyDevice", {"x"}, "-1"},
        {"DeviceAdminSendCmd", {"x", 1}, "-1"},
        {"BrowseDirectories", {0}, "\"\""},
        {"GetSaveDirectory", {1}, "\"\""},
        {"DoManualAnalyse", {1}, "<empty>"},
        {"Do3DLocation", {}, "<empty>"},
        {"OpenFullScreen", {}, "<empty>"},
        {"SetWndIndex", {4}, "<empty>"},
        {"keybdEvent", {65, 0, 0}, "<empty>"},
        {"OpenMesh", {1, 20}, "<empty>"},
    };
    for (const auto& call : calls) {
        SCOPED_TRACE(call.method);
        EXPECT_EQ(Answer(call.method, call.args), call.answer);
    }
    EXPECT_EQ(test_support::Shown(page.api->GetProperty("Version")), "\"V2.28\"");
    EXPECT_THROW(page.api->SetProperty("Version", FB::variant("V3")), FB::script_error);
    EXPECT_EQ(test_support::Shown(page.api->GetProperty("Version")), "\"V2.28\"");
    EXPECT_EQ(page.api->windowIndex(), 4);
    EXPECT_EQ(page.view(), nullptr);
}

TEST_F(ScriptingApi, ArgumentsAreConvertedToTheDeclaredTypesAndBadOnesRefusedBeforeTheMethodRuns) {
    page.api->Invoke("SetWndIndex", {"7"});
    EXPECT_EQ(page.api->windowIndex(), 7);
    page.api->Invoke("SetWndIndex", {8.0});
    EXPECT_EQ(page.api->windowIndex(), 8);
    EXPECT_EQ(ErrorOf([&] { page.api->Invoke("SetWndIndex", {}); }), "Error: Argument 1is not optional.");
    EXPECT_EQ(ErrorOf([&] { page.api->Invoke("SetWndIndex", {1, 2}); }), "Too many arguments, expected 1.");
    EXPECT_NE(ErrorOf([&] { page.api->Invoke("SetWndIndex", {"seven"}); }), "<none>");
    EXPECT_EQ(page.api->windowIndex(), 8);
    EXPECT_EQ(Answer("GetSaveDirectory", {"1"}), "\"\"");
    page.api->Invoke("SetTargetSize", {"1.5", 2, "3", 4.0});
}

TEST_F(ScriptingApi, SetFunctionMakesOneViewOnceAndDeviceModeMakesNone) {
    page.api->Invoke("SetFunction", {-1});
    page.api->Invoke("SetFunction", {12});
    EXPECT_EQ(page.view(), nullptr);
    EXPECT_EQ(page.api->functionType(), 0);

    page.api->Invoke("SetFunction", {5});
    EXPECT_TRUE(page.api->deviceMode());
    EXPECT_EQ(page.view(), nullptr);
    for (const char* method : {"StartFindingDevice", "StopFindingDevice"}) EXPECT_EQ(Answer(method), "0");
    EXPECT_EQ(Answer("ModifyDevice", {"x"}), "0");
    EXPECT_EQ(Answer("DeviceAdminSendCmd", {"x", 2}), "0");

    page.api->Invoke("SetFunction", {11});  // a view may still follow device mode
    ASSERT_NE(page.view(), nullptr);
    EXPECT_EQ(page.api->functionType(), 11);
    CVideoPlayer* first = page.view();
    page.api->Invoke("SetFunction", {0});
    EXPECT_EQ(page.view(), first);
    EXPECT_EQ(page.api->functionType(), 11);
    // In device mode no window message reaches the view: a tick paints nothing.
    LRESULT result = 0;
    FB::WindowsEvent tick(page.pluginWindow(), WM_TIMER, 1, 0, result);
    EXPECT_FALSE(page.plugin->handleEvent(&tick, page.window.get()));
    EXPECT_EQ(Answer("StartPlay"), "-2");  // the view answers: no URL
}

// The analysis view's fields that only the page's setters write.
struct SettingFields : CAnalysisSettingPlayer {
    static constexpr auto eventType = &SettingFields::eventType;
    static constexpr auto targetWidth = &SettingFields::targetWidth;
    static constexpr auto targetCountdown = &SettingFields::targetCountdown;
};

TEST_F(ScriptingApi, TheAnalysisViewKeepsItsKindAndTakesOnlyEventTypesBelow6AndTargetWidthsFrom1) {
    page.api->Invoke("SetFunction", {2});
    page.api->Invoke("setControlType", {10});  // the view is made: its kind stays
    page.api->Invoke("SetFunction", {2});
    auto* view = dynamic_cast<CAnalysisSettingPlayer*>(page.view());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(dynamic_cast<CVideoPlayerWkk*>(view), nullptr);
    const struct {
        const char* method;
        int value;
        std::vector<int> fields;  // event type, target width, target countdown
    } steps[] = {
        {"SetEventType", 3, {3, 0, 0}},         {"SetEventType", 6, {3, 0, 0}},
        {"SetEventType", -1, {-1, 0, 0}},       {"SetTargetWidth", 0, {-1, 0, 0}},
        {"SetTargetWidth", 100, {-1, 100, 70}}, {"SetTargetWidth", -5, {-1, 100, 70}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::string(step.method) + " " + std::to_string(step.value));
        page.api->Invoke(step.method, {step.value});
        EXPECT_EQ((std::vector<int>{view->*SettingFields::eventType, view->*SettingFields::targetWidth,
                                    view->*SettingFields::targetCountdown}),
                  step.fields);
    }
}

TEST_F(ScriptingApi, EventsCarryTheirExactNamesAndArgumentsWithTheWindowIndexWhereTheyHaveOne) {
    page.api->Invoke("SetWndIndex", {6});
    VeltrinAPI& api = *page.api;
    api.notifyAlarm("door open");
    api.notifyAlarm(nullptr);
    api.notifySaveArea(3, 1);
    api.notifySaveAreaWithName3(2, "lane 1");
    api.notifyDeleteArea(3, 0);
    api.notifyDeleteAreaWithName3(2, "lane 1");
    api.notifyClickArea(4, -1);
    api.notifyClickAreaWithName3(2, "lane 2");
    api.notifySetManualAnalyseParams("{a}");
    api.notifySetManualAnalyseParams2("{b}");
    api.notifySet3DLocationParams("{c}");
    api.notifyMouseDownScreen(9, 1);
    api.notifyMouseDownVideo(12345, 17, 18);
    api.notifyCloseFullScreen();
    api.notifyInnerCtrlCmd(5, 2);
    const std::vector<test_support::FiredEvent> expected{
        {"onalarm", {"\"door open\""}},
        {"onalarm", {"\"\""}},
        {"onsaveArea", {"3", "1"}},
        {"onsaveAreaWithName3", {"6", "2", "\"lane 1\""}},
        {"ondeleteArea", {"3", "0"}},
        {"ondeleteAreaWithName3", {"6", "2", "\"lane 1\""}},
        {"onclickArea", {"4", "-1"}},
        {"onclickAreaWithName3", {"6", "2", "\"lane 2\""}},
        {"onsetManualAnalyseParams", {"\"{a}\""}},
        {"onsetManualAnalyseParams2", {"6", "\"{b}\""}},
        {"onset3DLocationParams", {"\"{c}\""}},
        {"ononMouseDownScreen", {"9", "1"}},
        {"ononMouseDownVideo", {"6", "0", "17", "18"}},
        {"ononCloseFullScreen", {"6"}},
        {"oninnerCtrlCmd", {"6", "5", "2"}},
    };
    const auto fired = page.events->take();
    ASSERT_EQ(fired.size(), expected.size());
    for (size_t i = 0; i < fired.size(); ++i) {
        EXPECT_EQ(fired[i].name, expected[i].name);
        EXPECT_EQ(fired[i].args, expected[i].args) << expected[i].name;
    }
}

TEST_F(ScriptingApi, MouseInputReachesTheViewOnlyOnceItExistsAndADoubleClickOnlyTellsThePage) {
    FB::MouseDownEvent down(0, 5, 6, 0);
    FB::MouseDoubleClickEvent twice(0, 5, 6, 0);
    FB::MouseUpEvent up(0, 5, 6, 0);
    FB::MouseMoveEvent move(5, 6);
    for (FB::PluginEvent* event : std::initializer_list<FB::PluginEvent*>{&down, &twice, &up, &move}) {
        EXPECT_FALSE(page.plugin->handleEvent(event, page.window.get()));
    }
    EXPECT_TRUE(page.events->take().empty());

    page.api->Invoke("SetFunction", {0});
    page.api->Invoke("SetWndIndex", {2});
    EXPECT_FALSE(page.plugin->handleEvent(&down, page.window.get()));  // the view is not playing
    EXPECT_TRUE(page.plugin->handleEvent(&twice, page.window.get()));
    EXPECT_FALSE(page.plugin->handleEvent(&up, page.window.get()));
    EXPECT_FALSE(page.plugin->handleEvent(&move, page.window.get()));
    EXPECT_EQ(page.events->take("ononMouseDownScreen"), (std::vector<Args>{{"2", "0"}, {"2", "1"}}));
    EXPECT_EQ(Logged("onMouseDoubleClickEvent in, x=5, y=6"), 1);
    EXPECT_EQ(Logged("onMouseUp out, x=5, y=6"), 1);
}

}  // namespace
