// "SaveAnalyseParams" and "SetAnalyseParams" of the analytics setting view, driven by name as a page
// drives them: the exact text written, what a document loads as (types checked, caps kept), and
// texts that change nothing.
#include "tests/app/support/machine_test.h"
#include "tests/app/support/plugin_instance.h"
#include "tests/app/support/refused_json_texts.h"

#include <gtest/gtest.h>
#include <json/reader.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using test_support::PluginInstance;

class AnalysisParams : public test_support::MachineTest {
protected:
    explicit AnalysisParams(int controlType = 0) {
        page.Invoke("setControlType", controlType);
        page.Invoke("SetFunction", 2);
    }

    void Load(const std::string& json) { page.Invoke("SetAnalyseParams", json); }
    std::string Saved() { return page.Invoke("SaveAnalyseParams").convertTo<std::string>(); }
    // The saved document with its types, for comparing with the document expected.
    Json::Value SavedValue() { return Parsed(Saved()); }
    static Json::Value Parsed(const std::string& text) {
        Json::Value value;
        Json::CharReaderBuilder builder;
        std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, nullptr)) << text;
        return value;
    }
    // The group of "eventInfo" as saved.
    Json::Value Group(const std::string& key) { return SavedValue()["eventInfo"][key]; }

    PluginInstance page;
};

std::string Shape(const std::string& points) { return R"({"points":[)" + points + "]}"; }

std::string Shapes(int count, const std::string& shape) {
    std::string list;
    for (int i = 0; i < count; ++i) list += (i ? "," : "") + shape;
    return "[" + list + "]";
}

const char* const kEmptyDocument = R"({
   "clbcoord" : {
      "pointcnt" : 0,
      "points" : null
   },
   "eventInfo" : {
      "changeline" : null,
      "changelinecnt" : 0,
      "lane" : null,
      "lanecnt" : 0,
      "sheildarea" : null,
      "sheildareacnt" : 0,
      "solidline" : null,
      "solidlinecnt" : 0,
      "stoparea" : null,
      "stopareacnt" : 0,
      "uturnline" : null,
      "uturnlinecnt" : 0
   }
}
)";

// Keys sorted, empty lists null until a list of their sort had an entry and [] after it.
TEST_F(AnalysisParams, SavedTextListsKeysInOrderWithNullBeforeTheFirstEntryAndEmptyListsAfterIt) {
    EXPECT_EQ(Saved(), kEmptyDocument);
    Load(R"({"eventInfo":{"sheildarea":[{"points":[{"x":10,"y":20},{"x":30,"y":40},{"x":-5,"y":60}]}]}})");
    std::string compact = Saved();
    compact.erase(std::remove_if(compact.begin(), compact.end(), [](char c) { return c == ' ' || c == '\n'; }),
                  compact.end());
    EXPECT_EQ(compact, R"({"clbcoord":{"pointcnt":0,"points":null},"eventInfo":{"changeline":[],"changelinecnt":0,)"
                       R"("lane":[],"lanecnt":0,"sheildarea":[{"pointcnt":3,"points":[{"x":10,"y":20},{"x":30,"y":40},)"
                       R"({"x":-5,"y":60}]}],"sheildareacnt":1,"solidline":[],"solidlinecnt":0,"stoparea":[],)"
                       R"("stopareacnt":0,"uturnline":[],"uturnlinecnt":0}})");
}

TEST_F(AnalysisParams, EveryGroupRoundTripsWithCalibrationAsRealsAndShapesAsInts) {
    const std::string document = R"({
      "clbcoord":{"pointcnt":4,"points":[{"x":0.1,"y":2.5},{"x":300.25,"y":2.0},{"x":310.0,"y":200.0},{"x":5.0,"y":210.0}]},
      "eventInfo":{
        "minsize":{"pointcnt":2,"points":[{"x":1,"y":2},{"x":3,"y":4}]},
        "maxsize":{"pointcnt":2,"points":[{"x":5,"y":6},{"x":7,"y":8}]},
        "sheildarea":[{"pointcnt":3,"points":[{"x":1,"y":1},{"x":9,"y":1},{"x":9,"y":9}]}],"sheildareacnt":1,
        "stoparea":[{"pointcnt":3,"points":[{"x":2,"y":2},{"x":8,"y":2},{"x":8,"y":8}]}],"stopareacnt":1,
        "lane":[{"lanedirect":{"pointcnt":2,"points":[{"x":1,"y":1},{"x":2,"y":2}]},
                 "laneline":{"pointcnt":4,"points":[{"x":0,"y":0},{"x":9,"y":0},{"x":9,"y":9},{"x":0,"y":9}]}}],"lanecnt":1,
        "solidline":[{"pointcnt":2,"points":[{"x":1,"y":5},{"x":9,"y":5}]}],"solidlinecnt":1,
        "uturnline":[{"pointcnt":3,"points":[{"x":1,"y":6},{"x":5,"y":6},{"x":9,"y":6}]}],"uturnlinecnt":1,
        "changeline":[{"pointcnt":4,"points":[{"x":1,"y":7},{"x":3,"y":7},{"x":5,"y":7},{"x":9,"y":7}]}],"changelinecnt":1}})";
    Load(document);
    Json::Value expected = Parsed(document);
    // Calibration coordinates come back with the digits of their float values.
    expected["clbcoord"]["points"][0]["x"] = static_cast<double>(0.1f);
    EXPECT_EQ(SavedValue(), expected);
    Load(Saved());
    EXPECT_EQ(SavedValue(), expected);
}

// A document with only "maxsize" gives one size rectangle, written as "minsize".
TEST_F(AnalysisParams, WrongNumberTypesReadAsZeroAndWrongMemberTypesAsAbsent) {
    Load(R"({"clbcoord":{"points":[{"x":12,"y":1.5},{"x":2.0,"y":2.0},{"x":3.0,"y":3.0},{"x":"4","y":4.0}]},
             "eventInfo":{"maxsize":{"points":[{"x":1,"y":2},{"x":3,"y":4},{"x":5,"y":6}]},
                          "stoparea":[{"points":[{"x":12.0,"y":3000000000},{"x":7,"y":-8}]},7,{"points":5}],
                          "solidline":{"points":[]},"uturnline":[{"points":[[1,2]]}]}})");
    const Json::Value saved = SavedValue();
    EXPECT_EQ(saved["clbcoord"]["points"][0], Parsed(R"({"x":0.0,"y":1.5})"));
    EXPECT_EQ(saved["clbcoord"]["points"][3], Parsed(R"({"x":0.0,"y":4.0})"));
    EXPECT_EQ(saved["eventInfo"]["minsize"], Parsed(R"({"pointcnt":2,"points":[{"x":1,"y":2},{"x":3,"y":4}]})"));
    EXPECT_FALSE(saved["eventInfo"].isMember("maxsize"));
    // A real or an out-of-range int reads as 0; an element that is no object is an empty shape; an
    // element whose points are no list is skipped.
    EXPECT_EQ(saved["eventInfo"]["stoparea"],
              Parsed(R"([{"pointcnt":2,"points":[{"x":0,"y":0},{"x":7,"y":-8}]},{"pointcnt":0,"points":[]}])"));
    EXPECT_EQ(saved["eventInfo"]["solidlinecnt"].asInt(), 0);
    EXPECT_EQ(saved["eventInfo"]["uturnline"], Parsed(R"([{"pointcnt":1,"points":[{"x":0,"y":0}]}])"));
}

TEST_F(AnalysisParams, GroupsAreCutToTheirCapsAndLanesNeedATwoPointDirectionAndAFourPointOutline) {
    const std::string triangle = Shape(R"({"x":1,"y":1},{"x":9,"y":1},{"x":9,"y":9})");
    const std::string direction = R"("lanedirect":{"points":[{"x":1,"y":1},{"x":2,"y":2}]})";
    const std::string good =
        R"({"laneline":{"points":[{"x":0,"y":0},{"x":9,"y":0},{"x":9,"y":9},{"x":0,"y":9}]},)" + direction + "}";
    const std::string short3 =
        R"({"laneline":{"points":[{"x":0,"y":0},{"x":9,"y":0},{"x":9,"y":9}]},)" + direction + "}";
    Load(R"({"eventInfo":{"sheildarea":)" + Shapes(25, triangle) + R"(,"stoparea":)" + Shapes(9, triangle) +
         R"(,"lane":[)" + short3 + "," + good + "]}}");
    EXPECT_EQ(Group("sheildareacnt").asInt(), 20);
    EXPECT_EQ(Group("stopareacnt").asInt(), 8);
    EXPECT_EQ(Group("lanecnt").asInt(), 1);  // the three-point lane is skipped, the next one read
    // A skipped lane still counts toward the eight.
    Load(R"({"eventInfo":{"lane":[)" + short3 + "," + short3 + "," + short3 + "," + short3 + "," + short3 + "," +
         short3 + "," + short3 + "," + short3 + "," + good + "]}}");
    EXPECT_EQ(Group("lanecnt").asInt(), 0);
}

TEST_F(AnalysisParams, CalibrationNeedsExactlyFourPointsThatDoNotAllCoincide) {
    const std::string point = R"({"x":1.5,"y":2.5})";
    for (int count : {3, 5}) {
        Load(R"({"clbcoord":{"points":)" + Shapes(count, point) + "}}");
        EXPECT_EQ(SavedValue()["clbcoord"]["pointcnt"].asInt(), 0) << count << " points";
    }
    Load(R"({"clbcoord":{"points":)" + Shapes(4, point) + "}}");
    EXPECT_EQ(SavedValue()["clbcoord"]["pointcnt"].asInt(), 0) << "four equal points";
    Load(R"({"clbcoord":{"points":[{"x":1.5,"y":2.5},{"x":1.5,"y":2.5},{"x":1.5,"y":2.5},{"x":1.5,"y":3.5}]}})");
    EXPECT_EQ(SavedValue()["clbcoord"]["pointcnt"].asInt(), 4);
}

// Text that does not begin with one whole JSON value changes nothing; a value of the wrong kind
// empties all; text after a whole value is not read, as the JSON library's reader leaves it.
TEST_F(AnalysisParams, MalformedTextChangesNothingAndAnyOtherValueReplacesEverything) {
    const std::string one = R"({"eventInfo":{"stoparea":[{"points":[{"x":1,"y":1},{"x":9,"y":1},{"x":9,"y":9}]}]}})";
    Load(one);
    const std::string before = Saved();
    for (const std::string& bad : std::vector<std::string>{"not json", "{", "", std::string(5000, '[')}) {
        Load(bad);
        EXPECT_EQ(Saved(), before) << bad.substr(0, 40);
    }
    for (const std::string& refused : test_support::kTextsTheJsonReaderRefuses) {
        Load(refused);
        EXPECT_EQ(Saved(), before) << refused;
    }
    Load(R"({"eventInfo":{}} trailing)");
    EXPECT_EQ(Saved(), kEmptyDocument);
    Load(one + "\n{\"eventInfo\":{}}");
    EXPECT_EQ(Saved(), before);
    Load(R"({"eventInfo":5})");
    EXPECT_EQ(Saved(), kEmptyDocument);
    Load(one);
    Load("[]");
    EXPECT_EQ(Saved(), kEmptyDocument);
}

// The stop-and-shield view (control type 10) keeps fifteen stop areas of its own, where the setting
// view keeps eight: a document of its reads back whole, and one with more keeps the first fifteen.
class StopAndShieldParams : public AnalysisParams {
protected:
    StopAndShieldParams() : AnalysisParams(10) {}
};

TEST_F(StopAndShieldParams, FifteenStopAreasLoadBackWholeAndMoreAreCut) {
    const std::string triangle = Shape(R"({"x":1,"y":1},{"x":9,"y":1},{"x":9,"y":9})");
    Load(R"({"eventInfo":{"stoparea":)" + Shapes(16, triangle) + "}}");
    const std::string saved = Saved();
    EXPECT_EQ(Parsed(saved)["eventInfo"]["stopareacnt"].asInt(), 15);
    Load(kEmptyDocument);
    Load(saved);
    EXPECT_EQ(Saved(), saved);
}

}  // namespace
