// The JSON texts a page hands the views are read exactly as the JSON library's reader reads them:
// what it refuses (where a differently set up reader of the same library accepts) and what it
// accepts (text after the value, comments, nesting up to its limit).
#include "app/util/json_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Nested(size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

TEST(JsonText, AcceptsExactlyWhatTheLibrarysReaderAccepts) {
    struct Case {
        std::string text;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {R"({"a": 1,})", false},
        {R"([1, 2,])", false},
        {R"({"a": [1,], "b": 2})", false},
        {"\xEF\xBB\xBF{\"a\": 1}", false},
        {"+1", false},  // a plus sign before a number
        {Nested(1001), false},
        {"", false},
        {R"({"a": 1} and then anything)", true},
        {"[1] [2,]", true},
        {"// a note\n{\"a\": /* inline */ 1}", true},
        {R"({"": 1,})", true},  // the reader's own leniency: a comma after a member with an empty name
        {Nested(1000), true},
    };
    for (const Case& c : cases) {
        Json::Value root;
        EXPECT_EQ(ParseJsonText(c.text, &root), c.accepted) << c.text.substr(0, 40);
    }
    Json::Value root;
    ASSERT_TRUE(ParseJsonText(R"({"a": 7} {"a": 8})", &root));
    EXPECT_EQ(root["a"].asInt(), 7);
}

}  // namespace
