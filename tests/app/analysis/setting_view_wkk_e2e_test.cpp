// The stop-and-shield variant of the setting view (control type 10): stop areas laid down as a
// rectangle by two clicks and reshaped by their edges, shield areas drawn as two-point lines, the
// selection order between them, and their place in the JSON documents.
#include "tests/app/analysis/setting_page.h"

#include <json/reader.h>

#include <string>
#include <vector>

namespace {

using test_support::Args;

class WkkView : public test_support::SettingPageTest {
protected:
    std::vector<int> StopCorners(int area = 0) {
        std::vector<int> corners;
        const Json::Value saved = SavedValue();
        for (const Json::Value& p : saved["eventInfo"]["stoparea"][area]["points"]) {
            corners.push_back(p["x"].asInt());
            corners.push_back(p["y"].asInt());
        }
        return corners;
    }
    // A stop area laid down from (200, 150) to (100, 50), left being edited.
    void LayDownStopArea() {
        page.Invoke("StartDraw", 104);
        Click(200, 150);
        Click(100, 50);
    }
};

TEST_F(WkkView, AStopAreaIsARectangleOfTwoClicksWhoseEdgesDragInsideTheMargins) {
    Open(10);
    LayDownStopArea();
    Menu(150, 100, L"保存");
    EXPECT_EQ(Events("onsaveArea"), (std::vector<Args>{{"104", "0"}}));
    EXPECT_EQ(StopCorners(), (std::vector<int>{100, 50, 200, 50, 200, 150, 100, 150}));  // top left first
    std::vector<uint8_t> shown = Shown();
    EXPECT_EQ(test_support::PixelOf(shown, 150, 50), test_support::kGreenLine);
    // "A1" left of the first side's middle by its length x s / 2, 4 below it.
    EXPECT_TRUE(ShowsText(shown, "A1", 150 - test_support::kTextSize, 54, test_support::kTextSize,
                          test_support::kGreenText));

    LayDownStopArea();
    Drag(150, 50, 170, 30);    // the top edge moves up only
    Drag(200, 100, 220, 110);  // the right edge follows the pointer
    Drag(220, 100, 315, 100);  // past 10 pixels from the right border: the last move is refused
    Menu(150, 100, L"保存");
    EXPECT_EQ(StopCorners(1), (std::vector<int>{100, 30, 267, 40, 267, 160, 100, 150}));
    EXPECT_EQ(Events("onsaveArea"), (std::vector<Args>{{"104", "1"}}));
}

TEST_F(WkkView, ShieldLinesArePickedBeforeStopAreasAndBothSaveAndDeleteByIndex) {
    Open(10);
    LayDownStopArea();
    EXPECT_TRUE(DecoderRunsWhileMenuShows(150, 100));
    Menu(150, 100, L"保存");
    Events("onsaveArea");
    page.Invoke("StartDraw", 105);
    Clicks({{50, 100}, {300, 100}});
    EXPECT_EQ(Menu(300, 100, L"保存"),
              (std::vector<std::string>{"编辑 (grey)", "撤销", "保存", "取消", "删除", "画面静止"}));
    Click(150, 100);  // on the shield line and inside the stop area
    Click(150, 60);
    EXPECT_EQ(Events("onclickArea"), (std::vector<Args>{{"105", "0"}, {"104", "0"}}));
    Menu(150, 60, L"删除");
    EXPECT_EQ(Events("ondeleteArea"), (std::vector<Args>{{"104", "0"}}));
    const Json::Value eventInfo = SavedValue()["eventInfo"];
    EXPECT_EQ(eventInfo["stopareacnt"].asInt(), 0);
    EXPECT_EQ(eventInfo["sheildarea"][0]["pointcnt"].asInt(), 2);

    // Hiding shield areas cancels a shield line being drawn, and leaves a stop area being drawn.
    page.Invoke("StartDraw", 105);
    Click(20, 200);
    page.Invoke("SetAreaHideFlag", 105, 1);
    EXPECT_EQ(Menu(20, 200), (std::vector<std::string>{"放大", "画面静止"}));
    LayDownStopArea();
    page.Invoke("SetAreaHideFlag", 105, 0);
    Menu(150, 100, L"保存");
    EXPECT_EQ(Events("onsaveArea"), (std::vector<Args>{{"105", "0"}, {"104", "0"}}));
}

// The areas travel as "stoparea" and "sheildarea"; a text that is not JSON changes nothing.
TEST_F(WkkView, AreasTravelInTheDocumentAndALoadedStopAreaHasItsEdgesEditable) {
    Open(10);
    EXPECT_EQ(SavedValue()["eventInfo"]["stoparea"], Json::Value());
    page.Invoke("SetAnalyseParams",
                std::string(R"({"eventInfo":{"stoparea":[{"points":[{"x":100,"y":50},{"x":200,"y":50},)"
                            R"({"x":200,"y":150},{"x":100,"y":150}]}],"sheildarea":[{"points":[{"x":20,"y":200},)"
                            R"({"x":120,"y":200}]}]}})"));
    const std::string loaded = Saved();
    page.Invoke("SetAnalyseParams", std::string("{\"eventInfo\":"));
    EXPECT_EQ(Saved(), loaded);
    EXPECT_EQ(SavedValue()["eventInfo"]["sheildareacnt"].asInt(), 1);

    // Not drawn by the setting view itself: a stop area here is kind 104, not 4.
    Click(150, 100);
    EXPECT_EQ(Events("onclickArea"), (std::vector<Args>{{"104", "0"}}));
    Menu(150, 100, L"编辑");
    Drag(150, 150, 150, 170);  // the bottom edge, editable at once
    Menu(150, 100, L"保存");
    EXPECT_EQ(StopCorners(), (std::vector<int>{100, 50, 200, 50, 200, 170, 100, 170}));
    const std::vector<uint8_t> shown = Shown();
    EXPECT_EQ(test_support::PixelOf(shown, 70, 200), test_support::kGreenLine);  // the shield line
    EXPECT_TRUE(ShowsText(shown, "C1", 70 - test_support::kTextSize, 204, test_support::kTextSize,
                          test_support::kGreenText));

    // The setting view's own stop areas (kind 4) are not the document's: a save drops them.
    Events("onsaveArea");
    page.Invoke("StartDraw", 4);
    Clicks({{220, 160}, {300, 160}, {300, 230}});
    Menu(220, 160, L"保存");
    EXPECT_EQ(Events("onsaveArea"), (std::vector<Args>{{"4", "0"}}));
    EXPECT_EQ(SavedValue()["eventInfo"]["stopareacnt"].asInt(), 1);
    Click(290, 170);
    EXPECT_TRUE(Events("onclickArea").empty());

    for (int i = 1; i < 15; ++i) {
        LayDownStopArea();
        Menu(150, 100, L"保存");
    }
    EXPECT_EQ(SavedValue()["eventInfo"]["stopareacnt"].asInt(), 15);
    page.Invoke("StartDraw", 104);  // the sixteenth is refused
    EXPECT_EQ(Menu(10, 10), (std::vector<std::string>{"放大", "画面静止"}));
}

// Loaded areas beyond the fifteen labels ("C1" to "C15") are drawn without one.
TEST_F(WkkView, ShieldLinesBeyondTheLabelTableAreDrawnUnlabelled) {
    Open(10);
    std::string lines;
    for (int i = 0; i < 16; ++i) {
        const int x = 10 + i / 8 * 150;
        const int y = 15 + i % 8 * 25;
        lines += std::string(i ? "," : "") + R"({"points":[{"x":)" + std::to_string(x) + R"(,"y":)" +
                 std::to_string(y) + R"(},{"x":)" + std::to_string(x + 60) + R"(,"y":)" + std::to_string(y) + "}]}";
    }
    page.Invoke("SetAnalyseParams", R"({"eventInfo":{"sheildarea":[)" + lines + "]}}");
    const std::vector<uint8_t> shown = Shown();
    EXPECT_EQ(test_support::PixelOf(shown, 190, 190), test_support::kGreenLine);  // the sixteenth line
    EXPECT_TRUE(ShowsText(shown, "C15", 190 - 3 * test_support::kTextSize / 2, 169, test_support::kTextSize,
                          test_support::kGreenText));
    for (int y = 194; y < 215; ++y) {
        for (int x = 150; x < 230; ++x) {
            ASSERT_EQ(shown[static_cast<size_t>(y) * test_support::kPictureWidth + x], 16) << x << ", " << y;
        }
    }
}

}  // namespace
