// The lane view ("SetFunction" 4) on the loopback camera, used with the mouse and its popup menu as
// a user uses it: a monitor area and a lane line drawn, named, selected, edited and saved.
#include "tests/app/analysis/analysis_session.h"

#include <gtest/gtest.h>

namespace {

using test_support::Events;
using test_support::MenuItems;

class LaneView : public test_support::AnalysisSession {
protected:
    LaneView() { Open(4); }
    std::string Name(int type, int index) { return page.Invoke("GetPLName", type, index).cast<std::string>(); }
};

TEST_F(LaneView, AMonitorAreaAndALaneLineAreDrawnEditedRenamedAndSavedAsJson) {
    page.Invoke("StartDrawWithName", 0, std::string("ignored"));
    for (auto [x, y] : {std::pair{40, 40}, {280, 40}, {280, 200}, {40, 200}}) Click(x, y);
    EXPECT_EQ(Menu(160, 120, L"保存"), (MenuItems{L"保存", L"删除结点"}));  // the last point is selected

    page.Invoke("StartDrawWithName", 1, std::string("L1"));
    Click(100, 60);
    Click(120, 180);
    // The detection mode travels as "linearg": detected 1, by the vehicle's position 2, not 0.
    EXPECT_EQ(Menu(110, 120, L"根据车位置定"), (MenuItems{L"检测", L"不检测", L"根据车位置定", L"-", L"保存", L"删除结点"}));
    EXPECT_NE(Saved().find(R"("linearg":2,"linename":"L1")"), std::string::npos);
    Menu(110, 120, L"检测");
    EXPECT_NE(Saved().find(R"("linearg":1,"linename":"L1")"), std::string::npos);
    Menu(110, 120, L"不检测");
    Menu(110, 120, L"保存");

    Click(110, 120);  // on the lane line, inside the monitor area
    EXPECT_EQ(Fired("onclickArea"), (Events{{"1", "0"}}));
    EXPECT_EQ(Menu(110, 120, L"编辑"), (MenuItems{L"编辑", L"删除"}));
    Drag(120, 180, 150, 200);                                    // picks up the second vertex and moves it
    Click(125, 130);                                             // selects the segment
    EXPECT_EQ(Menu(125, 130, L"插入结点").back(), L"插入结点");  // inserted after the first vertex
    Click(100, 60);
    Menu(100, 60, L"删除结点");
    Menu(0, 0, L"保存");
    page.Invoke("ModifySelectedPLName", std::string("L2"));  // no shape selected: nothing
    EXPECT_EQ(Name(1, 0), "L1");
    Click(137, 165);
    page.Invoke("ModifySelectedPLName", std::string("L2"));
    EXPECT_EQ(Name(1, 0), "L2");
    EXPECT_EQ(Name(0, 0), "");
    EXPECT_EQ(Name(2, 0) + Name(1, 1) + Name(1, -1), "");

    EXPECT_EQ(Saved(), R"({"lanelinecnt":1,"lanelines":[{"linearg":0,"linename":"L2","pointcnt":2,"points":[)"
                       R"({"x":125,"y":130},{"x":150,"y":200}]}],"monitorareacnt":1,"monitorareas":[{"linearg":1,)"
                       R"("linename":"","pointcnt":4,"points":[{"x":40,"y":40},{"x":280,"y":40},{"x":280,"y":200},)"
                       R"({"x":40,"y":200}]}]})");
}

TEST_F(LaneView, LimitsHiddenGroupsDeletionAndStaleMenuCommands) {
    page.Invoke("StartDrawWithName", 0, std::string());
    page.Invoke("StartDrawWithName", 0, std::string());  // the unfinished one goes first: allowed
    for (auto [x, y] : {std::pair{40, 40}, {280, 40}, {160, 200}}) Click(x, y);
    page.Invoke("StartDrawWithName", 0, std::string());  // a finished monitor area stays the only one
    page.Invoke("StartDrawWithName", 1, std::string());  // a lane line needs a name
    for (int lane = 1; lane <= 11; ++lane) {
        page.Invoke("StartDrawWithName", 1, "L" + std::to_string(lane));
        Click(20 * lane, 100);
        Click(20 * lane, 120);
    }
    EXPECT_EQ(Name(1, 9), "L10");
    EXPECT_EQ(Name(1, 10), "");
    EXPECT_EQ(Name(0, 1), "");
    Menu(0, 0, L"保存");

    page.Invoke("SetAreaHideFlag", 1, 1);  // monitor areas hidden: not clickable
    page.Invoke("SetAreaHideFlag", 0, 1);  // no such group
    page.Invoke("SetAreaHideFlag", 3, 1);
    Click(160, 40);
    EXPECT_EQ(Fired("onclickArea"), Events{});
    page.Invoke("SetAreaHideFlag", 1, 0);
    Click(160, 40);
    EXPECT_EQ(Fired("onclickArea"), (Events{{"0", "0"}}));

    // The menu offered deletion, but the page replaced the shapes before the command came.
    std::vector<platform::testing::MenuRequest> shown;
    platform::testing::setMenuChooser([&](const platform::testing::MenuRequest& request) {
        shown.push_back(request);
        page.Invoke("SetAnalyseParams", std::string(R"({"monitorareacnt": 1, "monitorareas": [
            {"pointcnt": 3, "points": [{"x": 40, "y": 40}, {"x": 280, "y": 40}, {"x": 160, "y": 200}]}]})"));
        return std::optional<UINT_PTR>(303);
    });
    platform::testing::mouseDown(page.pluginWindow(), platform::testing::MouseButton::Right, 160, 40);
    platform::testing::mouseUp(page.pluginWindow(), platform::testing::MouseButton::Right, 160, 40);
    platform::testing::pumpPendingMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(Name(1, 0), "");
    Click(160, 40);
    EXPECT_EQ(Fired("onclickArea"), (Events{{"0", "0"}}));  // still there
    PostMessageW(page.pluginWindow(), WM_COMMAND, 303, 0);  // a command no menu offered
    platform::testing::pumpPendingMessages();
    EXPECT_EQ(Menu(160, 40, L"删除"), (MenuItems{L"编辑", L"删除"}));
    Click(160, 40);
    EXPECT_EQ(Fired("onclickArea"), Events{});
    EXPECT_EQ(Menu(160, 40), MenuItems{});  // nothing selected: an empty menu
}

}  // namespace
