// Editing the analytics shapes with the mouse and the popup menus on a playing picture: drawing
// each kind, the menus' items in each state, selecting, saving and deleting with their events, the
// check line, the zoom and the hide flags.
#include "tests/app/analysis/setting_page.h"

#include <json/reader.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using test_support::Args;

using Items = std::vector<std::string>;

class SettingViewEditing : public test_support::SettingPageTest {
protected:
    int Count(const std::string& group) { return SavedValue()["eventInfo"][group + "cnt"].asInt(); }
    // The saved shape's points as x, y, x, y...
    std::vector<int> Points(const std::string& group, int index) {
        std::vector<int> xy;
        const Json::Value saved = SavedValue();
        for (const Json::Value& p : saved["eventInfo"][group][index]["points"]) {
            xy.push_back(p["x"].asInt());
            xy.push_back(p["y"].asInt());
        }
        return xy;
    }
    std::string CheckLine() { return page.Invoke("OnCheckLine").convertTo<std::string>(); }
};

const Items kIdleMenu{"放大", "画面静止"};
const Items kDrawingMenu{"编辑 (grey)", "撤销", "保存 (grey)", "取消", "删除", "画面静止"};

TEST_F(SettingViewEditing, EachKindIsDrawnWithClicksAndSavedFromTheMenuWithItsEvent) {
    Open();
    struct Case {
        int kind;
        int eventType;
        std::vector<std::pair<int, int>> clicks;
        std::string group;
    };
    const std::vector<Case> cases{{1, 0, {{20, 20}, {60, 20}, {60, 60}}, "sheildarea"},
                                  {4, 0, {{100, 20}, {140, 20}, {140, 60}, {100, 60}}, "stoparea"},
                                  {7, 2, {{20, 100}, {100, 100}}, "solidline"},
                                  {8, 4, {{20, 120}, {60, 120}, {100, 120}}, "uturnline"},
                                  {10, 5, {{20, 140}, {100, 140}}, "changeline"}};
    for (const Case& c : cases) {
        page.Invoke("SetEventType", c.eventType);
        page.Invoke("StartDraw", c.kind);
        Clicks(c.clicks);
        EXPECT_EQ(Menu(c.clicks.back().first, c.clicks.back().second, L"保存"),
                  (Items{"编辑 (grey)", "撤销", "保存", "取消", "删除", "画面静止"}))
            << c.kind;
        EXPECT_EQ(Events("onsaveArea"), (std::vector<Args>{{std::to_string(c.kind), "0"}}));
        EXPECT_EQ(Count(c.group), 1) << c.group;
        EXPECT_EQ(SavedValue()["eventInfo"][c.group][0]["pointcnt"].asInt(), static_cast<int>(c.clicks.size()));
    }
    // A lane: four outline points, then its direction; the direction may start only from four.
    page.Invoke("SetEventType", 1);
    page.Invoke("StartDraw", 5);
    Clicks({{200, 20}, {300, 20}, {300, 100}});
    page.Invoke("StartDraw", 6);
    EXPECT_EQ(Menu(200, 20), kDrawingMenu);
    Clicks({{200, 100}});
    page.Invoke("StartDraw", 6);
    Clicks({{250, 90}, {250, 30}});
    EXPECT_EQ(Menu(200, 20, L"保存")[2], "保存");
    EXPECT_EQ(Events("onsaveArea"), (std::vector<Args>{{"5", "0"}}));
    const Json::Value lane = SavedValue()["eventInfo"]["lane"][0];
    EXPECT_EQ(lane["laneline"]["pointcnt"].asInt(), 4);
    EXPECT_EQ(lane["lanedirect"]["points"][1]["y"].asInt(), 30);
    // Clicks beyond a kind's most points are dropped.
    page.Invoke("StartDraw", 7);
    page.Invoke("SetEventType", 2);
    Clicks({{20, 200}, {60, 200}, {100, 200}, {140, 200}, {180, 200}});
    Menu(20, 200, L"保存");
    EXPECT_EQ(SavedValue()["eventInfo"]["solidline"][1]["pointcnt"].asInt(), 4);
}

// Kinds 13 and above, a full list and a second calibration are refused: the next right click finds
// nothing being drawn and offers the short menu.
TEST_F(SettingViewEditing, StartDrawRefusesUnknownKindsFullListsAndASecondCalibration) {
    Open();
    for (int kind : {13, 20}) {
        page.Invoke("StartDraw", kind);
        EXPECT_EQ(Menu(200, 200), kIdleMenu) << kind;
    }
    std::string twenty;
    for (int i = 0; i < 20; ++i) twenty += std::string(i ? "," : "") + R"({"points":[{"x":1,"y":1},{"x":9,"y":1},{"x":9,"y":9}]})";
    page.Invoke("SetAnalyseParams", R"({"eventInfo":{"sheildarea":[)" + twenty + "]}}");
    page.Invoke("StartDraw", 1);
    EXPECT_EQ(Menu(200, 200), kIdleMenu);

    // The calibration quadrilateral is drawn with four clicks and saved without an event.
    page.Invoke("StartDraw", 2);
    Clicks({{20, 20}, {300, 20}, {300, 220}});
    EXPECT_EQ(Menu(300, 220), kDrawingMenu);
    Click(20, 220);
    Menu(20, 220, L"保存");
    EXPECT_TRUE(Events("onsaveArea").empty());
    const Json::Value calibration = SavedValue()["clbcoord"];
    EXPECT_EQ(calibration["pointcnt"].asInt(), 4);
    EXPECT_EQ(calibration["points"][3]["x"], Json::Value(20.0));
    EXPECT_EQ(calibration["points"][3]["y"], Json::Value(220.0));
    page.Invoke("StartDraw", 2);
    EXPECT_EQ(Menu(10, 230), kIdleMenu);
}

// The search rectangle (kind 12) and a target-size rectangle (kind 13) can be neither deleted nor,
// for 13, undone; a size rectangle is edited in place by its corners.
TEST_F(SettingViewEditing, SearchAndSizeRectanglesGreyWhatTheyCannotDo) {
    Open();
    page.Invoke("StartDraw", 12);  // a menu even before the first corner
    EXPECT_EQ(Menu(150, 120), (Items{"编辑 (grey)", "撤销 (grey)", "保存 (grey)", "取消", "删除 (grey)", "画面静止"}));
    Click(40, 40);
    EXPECT_EQ(Menu(150, 120, L"取消"), (Items{"编辑 (grey)", "撤销", "保存 (grey)", "取消", "删除 (grey)", "画面静止"}));

    page.Invoke("SetAnalyseParams",
                std::string(R"({"eventInfo":{"minsize":{"points":[{"x":200,"y":150},{"x":300,"y":230}]}}})"));
    Click(250, 200);
    EXPECT_EQ(Events("onclickArea"), (std::vector<Args>{{"13", "0"}}));
    EXPECT_EQ(Menu(250, 200, L"编辑"),
              (Items{"编辑", "撤销 (grey)", "保存 (grey)", "放大", "取消", "删除 (grey)", "画面静止"}));
    EXPECT_EQ(Menu(250, 200), (Items{"编辑 (grey)", "撤销 (grey)", "保存", "取消", "删除 (grey)", "画面静止"}));
    Drag(300, 230, 310, 235);
    Menu(250, 200, L"保存");
    EXPECT_EQ(Events("onsaveArea"), (std::vector<Args>{{"13", "0"}}));
    Json::Value expected;
    Json::Reader().parse(R"({"pointcnt":2,"points":[{"x":200,"y":150},{"x":310,"y":235}]})", expected);
    EXPECT_EQ(SavedValue()["eventInfo"]["minsize"], expected);
}

TEST_F(SettingViewEditing, MenusOfferTheirItemsByStateAndTheFreezeItemFollowsThePicture) {
    Open();
    EXPECT_EQ(Menu(10, 10), kIdleMenu);
    // At the click, in screen coordinates, owned by the plug-in window, picked with either button.
    POINT at{10, 10};
    ClientToScreen(page.pluginWindow(), &at);
    EXPECT_EQ((std::vector<LONG>{lastMenu.x, lastMenu.y}), (std::vector<LONG>{at.x, at.y}));
    EXPECT_EQ(lastMenu.owner, page.pluginWindow());
    EXPECT_EQ(lastMenu.flags, static_cast<UINT>(TPM_RIGHTBUTTON));
    EXPECT_TRUE(DecoderRunsWhileMenuShows(10, 10));
    page.Invoke("StartDraw", 1);
    EXPECT_TRUE(Menu(10, 10).empty());  // nothing drawn yet: no menu
    Clicks({{20, 20}, {60, 20}});
    EXPECT_EQ(Menu(10, 10), kDrawingMenu);
    Menu(10, 10, L"撤销");  // one point left
    Clicks({{60, 20}, {60, 60}});
    Menu(10, 10, L"保存");
    EXPECT_EQ(SavedValue()["eventInfo"]["sheildarea"][0]["points"][1]["x"].asInt(), 60);
    Events("onsaveArea");

    // Selected: edit, zoom, cancel, delete.
    Click(50, 30);
    EXPECT_EQ(Events("onclickArea"), (std::vector<Args>{{"1", "0"}}));
    EXPECT_EQ(Menu(50, 30), (Items{"编辑", "撤销 (grey)", "保存 (grey)", "放大", "取消", "删除", "画面静止"}));
    Menu(50, 30, L"取消");
    EXPECT_TRUE(Events("onclickArea").empty());

    // The picture frozen by the menu, and resumed.
    Menu(200, 200, L"画面静止");
    Decode();  // the picture is kept as it comes
    EXPECT_EQ(Menu(200, 200, L"画面恢复"), (Items{"放大", "画面恢复"}));
    Decode();
    EXPECT_EQ(Menu(200, 200), kIdleMenu);

    // Check lines: nothing to save or delete.
    page.Invoke("SetAnalyseParams", test_support::kRectangleCalibration);
    page.Invoke("StartDraw", 3);
    Click(100, 100);
    EXPECT_EQ(Menu(100, 100), (Items{"编辑 (grey)", "撤销 (grey)", "保存 (grey)", "取消", "删除 (grey)", "画面静止"}));
}

TEST_F(SettingViewEditing, SelectionFollowsGroupPriorityAndSavesAndDeletesInPlace) {
    Open();
    page.Invoke(
        "SetAnalyseParams",
        std::string(R"({"clbcoord":{"points":[{"x":200.0,"y":150.0},{"x":300.0,"y":150.0},)"
                    R"({"x":300.0,"y":230.0},{"x":200.0,"y":230.0}]},"eventInfo":{)"
                    R"("sheildarea":[{"points":[{"x":10,"y":10},{"x":80,"y":10},{"x":80,"y":80}]}],)"
                    R"("stoparea":[{"points":[{"x":10,"y":10},{"x":150,"y":10},{"x":150,"y":100},{"x":10,"y":100}]},)"
                    R"({"points":[{"x":160,"y":10},{"x":190,"y":10},{"x":190,"y":40}]}]}})"));
    Click(70, 30);  // inside both the shield area and the first stop area
    Click(100, 80);
    Click(250, 200);
    EXPECT_EQ(Events("onclickArea"), (std::vector<Args>{{"1", "0"}, {"4", "0"}, {"2", "-1"}}));

    // Edit the first stop area: drag its top-right corner, then its closing edge (both of its ends
    // move), save it in place.
    Click(100, 80);
    Menu(100, 80, L"编辑");
    Drag(150, 10, 170, 20);
    Drag(10, 50, 15, 53);
    Menu(100, 80, L"保存");
    EXPECT_EQ(Events("onsaveArea"), (std::vector<Args>{{"4", "0"}}));
    EXPECT_EQ(Points("stoparea", 0), (std::vector<int>{15, 13, 170, 20, 150, 100, 15, 103}));
    EXPECT_EQ(Count("stoparea"), 2);

    // A script call drops the edit while the menu shows: the item picked then has nothing to act on.
    page.Invoke("StartDraw", 4);
    Clicks({{200, 20}, {240, 20}, {240, 60}});
    platform::testing::setMenuChooser([&](const test_support::MenuRequest&) {
        Saved();
        return std::optional<UINT_PTR>(202);  // "保存"
    });
    Click(200, 20, test_support::MouseButton::Right);
    platform::testing::setMenuChooser({});
    EXPECT_TRUE(Events("onsaveArea").empty());
    EXPECT_EQ(Count("stoparea"), 2);

    Click(185, 20);
    Menu(185, 20, L"删除");
    EXPECT_EQ(Events("ondeleteArea"), (std::vector<Args>{{"4", "1"}}));
    EXPECT_EQ(Count("stoparea"), 1);
    EXPECT_EQ(Points("stoparea", 0)[2], 170);  // the second one went, not the first
    // Deleting a shape being drawn fires nothing and changes no list.
    page.Invoke("StartDraw", 4);
    Clicks({{200, 20}, {240, 20}, {240, 60}});
    Menu(200, 20, L"删除");
    EXPECT_TRUE(Events("ondeleteArea").empty());
    EXPECT_EQ(Count("stoparea"), 1);
}

// An edit resumed after a load has no index: its shape is appended, never stored at -1.
TEST_F(SettingViewEditing, AShapeEditedAfterALoadIsAppendedWithinTheCap) {
    Open();
    page.Invoke("StartDraw", 11);
    Clicks({{100, 100}, {150, 120}});  // a zoom in force keeps the edit menu available
    page.Invoke("StartDraw", 4);
    Click(20, 20);
    page.Invoke("SetAnalyseParams", std::string("{}"));
    Menu(100, 100, L"编辑");
    Clicks({{20, 20}, {100, 20}, {100, 100}});
    Menu(20, 20, L"保存");
    EXPECT_EQ(Events("onsaveArea"), (std::vector<Args>{{"4", "0"}}));
    EXPECT_EQ(Count("stoparea"), 1);
}

TEST_F(SettingViewEditing, CheckLinesAnswerOnCheckLineForKindsThreeAndNine) {
    Open();
    page.Invoke("StartDraw", 3);  // refused without a calibration
    Clicks({{20, 20}, {80, 20}});
    EXPECT_EQ(CheckLine(), "");
    page.Invoke("SetAnalyseParams", test_support::kRectangleCalibration);
    page.Invoke("StartDraw", 3);
    Click(20, 20);
    EXPECT_EQ(CheckLine(), "");                // one point
    Clicks({{80, 50}, {120, 60}, {140, 70}});  // the third click starts a new line
    Json::Value expected;
    Json::Reader().parse(R"({"pointcnt":2,"points":[{"x":120.0,"y":60.0},{"x":140.0,"y":70.0}]})", expected);
    Json::Value answer;
    Json::Reader().parse(CheckLine(), answer);
    EXPECT_EQ(answer["checkLine"], expected);
    EXPECT_EQ(answer["clbcoord"]["pointcnt"].asInt(), 4);

    page.Invoke("StartDraw", 9);
    Clicks({{40, 40}, {100, 61}});
    Json::Reader().parse(CheckLine(), answer);
    Json::Reader().parse(R"({"pointcnt":2,"points":[{"x":40.0,"y":50.5},{"x":100.0,"y":50.5}]})", expected);
    EXPECT_EQ(answer["checkLine"], expected);
    page.Invoke("StartDraw", 1);
    EXPECT_EQ(CheckLine(), "");
}

TEST_F(SettingViewEditing, AZoomRectangleShowsAtLeastTwoHundredPixelsInTheFramesProportionsUntilUndone) {
    Open();
    page.Invoke("StartDraw", 11);
    Clicks({{100, 100}, {150, 120}});
    // 50 x 20 about (125, 110) becomes 200 x 150 (4:3) about the same centre.
    Shown();
    ASSERT_TRUE(renderers.log->lastSource());
    const RECT zoom = *renderers.log->lastSource();
    EXPECT_EQ((std::vector<LONG>{zoom.left, zoom.top, zoom.right, zoom.bottom}), (std::vector<LONG>{25, 35, 225, 185}));
    // Window pixels now map into the zoomed part: the window's corner is the zoom's corner.
    page.Invoke("StartDraw", 4);
    Clicks({{0, 0}, {160, 0}, {160, 120}});
    Menu(160, 120, L"保存");
    const Json::Value stop = SavedValue()["eventInfo"]["stoparea"][0]["points"];
    EXPECT_EQ(
        (std::vector<int>{stop[0]["x"].asInt(), stop[0]["y"].asInt(), stop[2]["x"].asInt(), stop[2]["y"].asInt()}),
        (std::vector<int>{25, 35, 125, 110}));
    EXPECT_EQ(Menu(300, 200, L"原图"), (Items{"原图", "画面静止"}));
    Shown();
    EXPECT_FALSE(renderers.log->lastSource());
}

TEST_F(SettingViewEditing, HiddenGroupsAreNeitherDrawnNorSelectableAndHidingDropsTheirEdit) {
    Open();
    page.Invoke(
        "SetAnalyseParams",
        std::string(R"({"eventInfo":{"sheildarea":[{"points":[{"x":10,"y":10},{"x":80,"y":10},{"x":80,"y":80}]}]}})"));
    EXPECT_EQ(test_support::PixelOf(Shown(), 40, 10), test_support::kBlueLine);
    page.Invoke("SetAreaHideFlag", 0, 1);
    EXPECT_NE(test_support::PixelOf(Shown(), 40, 10), test_support::kBlueLine);
    Click(70, 30);
    EXPECT_TRUE(Events("onclickArea").empty());
    page.Invoke("SetAreaHideFlag", 0, 2);  // neither 0 nor 1: ignored
    page.Invoke("SetAreaHideFlag", 0, 0);
    Click(70, 30);
    EXPECT_EQ(Events("onclickArea"), (std::vector<Args>{{"1", "0"}}));

    page.Invoke("StartDraw", 4);
    Clicks({{100, 100}, {150, 100}});
    page.Invoke("SetAreaHideFlag", 2, 0);  // showing the group drops its drawing too
    Clicks({{150, 150}});
    EXPECT_EQ(Menu(150, 150), kIdleMenu);
}

}  // namespace
