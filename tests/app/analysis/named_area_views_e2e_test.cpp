// The named-area views ("SetFunction" 3, 7, 8 and 9) on the loopback camera, used with the mouse
// and the popup menu: areas, the calibration rectangle and cross marks drawn, named, selected,
// moved, saved and deleted, each step told to the page with the shape's type and name.
#include "tests/app/analysis/analysis_session.h"

#include <gtest/gtest.h>

namespace {

using test_support::Events;
using test_support::MenuItems;
using test_support::PumpUntil;

class NamedAreaView : public test_support::AnalysisSession {
protected:
    void DrawArea(int type, const std::string& name, std::initializer_list<std::pair<int, int>> points) {
        page.Invoke("StartDrawWithName", type, name);
        for (auto [x, y] : points) Click(x, y);
    }
    // Waits for a picture rendered after those seen so far.
    std::vector<uint8_t> NextPicture() {
        const int seen = renderers.log->renders();
        EXPECT_TRUE(PumpUntil([&] { return renderers.log->renders() > seen + 2; }));
        return renderers.log->lastPicture();
    }
};

TEST_F(NamedAreaView, AreasAndTheCalibrationRectangleAreDrawnSelectedMovedSavedAndDeletedWithTheirEvents) {
    Open(3);
    DrawArea(2, "P1", {{40, 40}, {120, 40}, {80, 120}});
    EXPECT_EQ(Fired("ononMouseDownVideo"),
              (Events{{"7", "0", "40", "40"}, {"7", "0", "120", "40"}, {"7", "0", "80", "120"}}));
    EXPECT_EQ(Menu(80, 80, L"保存"), (MenuItems{L"保存", L"删除结点"}));
    EXPECT_EQ(Fired("onsaveAreaWithName3"), (Events{{"7", "2", "\"P1\""}}));
    Click(80, 40);
    EXPECT_EQ(Fired("onclickAreaWithName3"), (Events{{"7", "2", "\"P1\""}}));

    DrawArea(5, "cal1", {{260, 60}, {200, 20}});  // the selected area is reported saved first
    DrawArea(4, "x", {{10, 230}});                // no cross marks here: the click only unselects cal1's vertex
    EXPECT_EQ(Menu(0, 0, L"保存"), MenuItems{L"保存"});
    EXPECT_EQ(Fired("onsaveAreaWithName3"), (Events{{"7", "2", "\"P1\""}, {"7", "5", "\"cal1\""}}));
    Click(230, 20);
    EXPECT_EQ(Fired("onclickAreaWithName3"), (Events{{"7", "5", "\"cal1\""}}));
    Menu(230, 20, L"编辑");
    Drag(260, 60, 180, 10);  // a corner dragged past the opposite one: put in order again
    Menu(0, 0, L"保存");
    EXPECT_EQ(Saved(), R"({"":null,"dingbiaoareacnt":1,"dingbiaoareas":[{"name":"cal1","pointcnt":2,"points":[)"
                       R"({"x":180,"y":10},{"x":200,"y":20}]}],"monitorareacnt":0,"monitorareas":null,)"
                       R"("parkingareacnt":1,"parkingareas":[{"name":"P1","pointcnt":3,"points":[{"x":40,"y":40},)"
                       R"({"x":120,"y":40},{"x":80,"y":120}]}],"unparkingareacnt":0,"unparkingareas":null})");

    // A second calibration rectangle replaces the first; unfinished shapes are reported deleted.
    Fired("onsaveAreaWithName3");
    page.Invoke("StartDrawWithName", 5, std::string("cal2"));
    EXPECT_EQ(Fired("ondeleteAreaWithName3"), (Events{{"7", "5", "\"cal1\""}}));
    page.Invoke("StartDrawWithName", 1, std::string("M1"));
    page.Invoke("StartDrawWithName", 3, std::string("U1"));
    EXPECT_EQ(Fired("onsaveAreaWithName3"), (Events{{"7", "5", "\"cal2\""}, {"7", "1", "\"M1\""}}));
    EXPECT_EQ(Fired("ondeleteAreaWithName3"), (Events{{"7", "5", "\"cal2\""}}));
    Save();
    EXPECT_EQ(Fired("ondeleteAreaWithName3"), (Events{{"7", "1", "\"M1\""}}));  // U1 is being drawn

    // Nothing selected: a drag is the base view's region rectangle.
    page.Invoke("selectObjByName", 2, std::string("U1"));
    page.Invoke("Do3DLocation");
    Drag(150, 150, 170, 190);
    EXPECT_EQ(Fired("onset3DLocationParams").size(), 1u);
    EXPECT_EQ(Fired("onclickAreaWithName3"), Events{});

    page.Invoke("selectObjByName", 9, std::string("P1"));  // no such group
    page.Invoke("SetAreaHideFlag", 2, 1);
    page.Invoke("selectObjByName", 1, std::string("P1"));  // hidden: not found
    EXPECT_EQ(Menu(0, 0), MenuItems{});
    page.Invoke("SetAreaHideFlag", 2, 0);
    page.Invoke("selectObjByName", 1, std::string("P1"));
    EXPECT_EQ(Menu(0, 0, L"删除"), (MenuItems{L"编辑", L"删除"}));
    EXPECT_EQ(Fired("ondeleteAreaWithName3"), (Events{{"7", "2", "\"P1\""}}));
    EXPECT_EQ(Fired("onclickAreaWithName3"), Events{});  // selection by name tells the page nothing
}

TEST_F(NamedAreaView, TheGunViewKeepsAStillPictureAndSetsCrossMarksSelectedByAClickNearThem) {
    Open(7);
    const std::vector<uint8_t> still = NextPicture();
    EXPECT_EQ(NextPicture(), still);
    EXPECT_EQ(Menu(0, 0, L"刷新"), MenuItems{L"刷新"});
    EXPECT_TRUE(PumpUntil([&] { return renderers.log->lastPicture() != still; }));
    const std::vector<uint8_t> refreshed = NextPicture();
    EXPECT_EQ(NextPicture(), refreshed);

    DrawArea(4, "x1", {{100, 100}, {150, 150}});  // one point only
    EXPECT_EQ(Menu(0, 0, L"保存"), (MenuItems{L"刷新", L"保存"}));
    EXPECT_EQ(Fired("onsaveAreaWithName3"), (Events{{"7", "4", "\"x1\""}}));
    page.Invoke("SetAreaHideFlag", 4, 1);  // hidden marks are still found by a click
    Click(119, 81);
    EXPECT_EQ(Fired("onclickAreaWithName3"), (Events{{"7", "4", "\"x1\""}}));
    EXPECT_EQ(Menu(0, 0), (MenuItems{L"刷新", L"编辑", L"删除"}));
    Click(120, 100);
    EXPECT_EQ(Fired("onclickAreaWithName3"), Events{});

    DrawArea(3, "U", {{200, 100}, {300, 100}, {250, 200}});
    EXPECT_EQ(Menu(0, 0), MenuItems{L"刷新"});  // the gun's menu edits marks and calibration only
    page.Invoke("selectObjByName", 2, std::string("U"));
    Click(250, 100);  // an area the areas' search finds is reported twice
    EXPECT_EQ(Fired("onclickAreaWithName3"), (Events{{"7", "3", "\"U\""}, {"7", "3", "\"U\""}}));
    EXPECT_EQ(Menu(250, 100), MenuItems{L"刷新"});
    EXPECT_NE(Saved().find(R"("crossareacnt":1)"), std::string::npos);

    // The mark picked up and moved in edit mode, saved, selected again and deleted.
    Fired("onsaveAreaWithName3");
    Click(100, 100);
    Menu(100, 100, L"编辑");
    Drag(100, 100, 130, 140);
    EXPECT_EQ(Menu(0, 0, L"保存"), (MenuItems{L"刷新", L"保存"}));
    EXPECT_NE(Saved().find(R"("crossareacnt":1,"crossareas":[{"name":"x1","pointcnt":1,"points":[{"x":130,"y":140}]}])"),
              std::string::npos);
    Click(135, 125);
    EXPECT_EQ(Menu(0, 0, L"删除"), (MenuItems{L"刷新", L"编辑", L"删除"}));
    EXPECT_EQ(Fired("onclickAreaWithName3"), (Events{{"7", "4", "\"x1\""}, {"7", "4", "\"x1\""}}));
    EXPECT_EQ(Fired("onsaveAreaWithName3"), (Events{{"7", "4", "\"x1\""}}));
    EXPECT_EQ(Fired("ondeleteAreaWithName3"), (Events{{"7", "4", "\"x1\""}}));
    EXPECT_NE(Saved().find(R"("crossareacnt":0)"), std::string::npos);
}

class NamedAreaVariant : public NamedAreaView, public ::testing::WithParamInterface<int> {};

TEST_P(NamedAreaVariant, DrawsSavesAndSelectsAreasWithItsOwnMenu) {
    Open(GetParam());
    DrawArea(3, "U1", {{40, 40}, {200, 40}, {120, 200}});
    Menu(0, 0, L"保存");
    Click(120, 40);
    EXPECT_EQ(Fired("onsaveAreaWithName3"), (Events{{"7", "3", "\"U1\""}}));
    EXPECT_EQ(Fired("onclickAreaWithName3"), (Events{{"7", "3", "\"U1\""}}));
    const MenuItems gunSetting{L"刷新", L"编辑", L"删除"};
    EXPECT_EQ(Menu(120, 40), GetParam() == 9 ? gunSetting : (MenuItems{L"编辑", L"删除"}));

    // Edited: a vertex inserted on the second edge, the first vertex deleted, then saved.
    Menu(120, 40, L"编辑");
    Click(160, 120);
    EXPECT_EQ(Menu(160, 120, L"插入结点").back(), L"插入结点");
    Click(40, 40);
    EXPECT_EQ(Menu(40, 40, L"删除结点").back(), L"插入结点");  // the edge stays selected too
    Menu(0, 0, L"保存");
    EXPECT_EQ(Fired("onsaveAreaWithName3"), (Events{{"7", "3", "\"U1\""}}));
    EXPECT_EQ(Saved(), R"({"":null,"dingbiaoareacnt":0,"dingbiaoareas":null,"monitorareacnt":0,"monitorareas":null,)"
                       R"("parkingareacnt":0,"parkingareas":null,"unparkingareacnt":1,"unparkingareas":[{"name":"U1",)"
                       R"("pointcnt":3,"points":[{"x":200,"y":40},{"x":160,"y":120},{"x":120,"y":200}]}]})");
    page.Invoke("SetAreaHideFlag", 3, 1);  // hidden: no longer clicked
    Click(120, 200);
    EXPECT_EQ(Fired("onclickAreaWithName3"), Events{});
}

INSTANTIATE_TEST_SUITE_P(NamedCentreMarkAndGunSetting, NamedAreaVariant, ::testing::Values(3, 8, 9));

}  // namespace
