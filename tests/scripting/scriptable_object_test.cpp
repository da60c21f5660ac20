#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "scripting/utf8_tools.h"
#include "tests/scripting/error_expectations.h"
#include "tests/scripting/page_object.h"
#include "tests/scripting/test_api.h"

namespace FB::testing {
namespace {

std::vector<std::string> members(JSAPI& object) {
    std::vector<std::string> names;
    object.listMemberNames(names);
    return names;
}

TEST(ScriptableObject, ReservedMembersAreListedInByteOrderNarrowAndWide) {
    auto plain = std::make_shared<JSAPIAuto>("plain");
    EXPECT_EQ(members(*plain),
              (std::vector<std::string>{"getAttribute", "setAttribute", "toString", "valid", "value"}));
    plain->addProperty("Version", make_getter(plain.get(), &JSAPIAuto::ToString));
    plain->addAttribute("\xE4\xB8\xAD", 1, false);
    EXPECT_EQ(members(*plain).front(), "Version");  // upper case sorts before lower case
    EXPECT_EQ(plain->countMembers(), 7u);
    std::vector<std::wstring> wide;
    plain->listMemberNames(&wide);
    std::vector<std::string> narrow;
    for (const std::wstring& name : wide) narrow.push_back(wideToUtf8(name));
    EXPECT_EQ(narrow, members(*plain));

    EXPECT_EQ(plain->Invoke("toString", {1, 2}).cast<std::string>(), "plain");
    EXPECT_EQ(plain->GetProperty("value").cast<std::string>(), "plain");
    EXPECT_TRUE(plain->GetProperty(std::wstring(L"valid")).cast<bool>());
}

TEST(ScriptableObject, MembersAboveTheCurrentScopeAreHiddenAndTheDefaultScopeIsTheBottom) {
    auto api = std::make_shared<TestApi>();
    EXPECT_EQ(errorText<invalid_member>([&] { api->Invoke("Secret", {}); }),
              "The specified member does not exist: Secret");
    const std::size_t visible = api->countMembers();
    api->pushScope(TestApi::kSecretScope);
    EXPECT_EQ(api->Invoke("Secret", {}).cast<int>(), 42);
    EXPECT_EQ(api->countMembers(), visible + 1);
    api->popScope();
    EXPECT_FALSE(api->HasMethod("Secret"));

    api->setDefaultScope(TestApi::kSecretScope);
    EXPECT_TRUE(api->HasMethod("Secret"));
    api->pushScope(0);
    EXPECT_FALSE(api->HasMethod("Secret"));
    EXPECT_EQ(api->getDefaultScope(), TestApi::kSecretScope);
    api->popScope();
    EXPECT_EQ(api->getScope(), TestApi::kSecretScope);
}

// The page enumerates the members it may see: the list leaves out what the count leaves out, narrow
// and wide, and holds what a higher scope reveals.
TEST(ScriptableObject, MemberListsLeaveOutMembersAboveTheCurrentScopeAsTheCountDoes) {
    auto api = std::make_shared<TestApi>();
    const std::vector<std::string> visible = members(*api);
    EXPECT_EQ(std::count(visible.begin(), visible.end(), "Secret"), 0);
    EXPECT_EQ(visible.size(), api->countMembers());
    std::vector<std::wstring> wide{L"left over"};
    api->listMemberNames(&wide);
    EXPECT_EQ(wide.size(), visible.size());

    api->pushScope(TestApi::kSecretScope);
    const std::vector<std::string> revealed = members(*api);
    EXPECT_EQ(std::count(revealed.begin(), revealed.end(), "Secret"), 1);
    EXPECT_EQ(revealed.size(), visible.size() + 1);
    EXPECT_EQ(revealed.size(), api->countMembers());
    EXPECT_TRUE(std::is_sorted(revealed.begin(), revealed.end()));
    api->popScope();
    EXPECT_EQ(members(*api), visible);
}

TEST(ScriptableObject, DroppedMethodsAndPropertiesAreGoneFromEveryLookup) {
    auto api = std::make_shared<TestApi>();
    const std::size_t before = members(*api).size();
    api->dropMethod("Add");
    api->dropProperty(std::wstring(L"Version"));
    api->dropMethod("NoSuchMethod");
    EXPECT_EQ(members(*api).size(), before - 2);
    EXPECT_THROW(api->Invoke("Add", {1, 2}), invalid_member);
    EXPECT_TRUE(api->GetProperty("Version").isEmpty());  // now free for a dynamic attribute
}

TEST(ScriptableObject, LookupTakesPropertiesThenMethodObjectsThenAttributes) {
    auto api = std::make_shared<TestApi>();
    const std::size_t before = members(*api).size();
    EXPECT_EQ(api->GetProperty("Version").cast<std::string>(), "1.0.0.1");
    EXPECT_TRUE(api->HasProperty("Add"));
    EXPECT_EQ(api->GetProperty("Add").cast<JSAPIPtr>(), api->GetProperty("Add").cast<JSAPIPtr>());  // one object
    api->addAttribute("Camera", 7, false);
    EXPECT_EQ(api->GetProperty("Camera").cast<int>(), 7);
    EXPECT_TRUE(api->GetProperty("nothingHere").isEmpty());
    EXPECT_TRUE(api->GetProperty("width").isEmpty());
    EXPECT_FALSE(api->HasProperty("width"));  // reserved: never claimed as a dynamic attribute
    EXPECT_TRUE(api->HasProperty("anythingElse") && api->HasProperty(9));
    api->SetProperty(3, "third");  // an index names the attribute of its decimal text
    EXPECT_EQ(api->GetProperty("3").cast<std::string>(), "third");
    EXPECT_EQ(members(*api).size(), before + 2);
    api->RemoveProperty("Camera");
    api->RemoveProperty(3);
    EXPECT_EQ(members(*api).size(), before);
    // An index that names no attribute, or a read-only one, cannot be removed.
    EXPECT_EQ(errorText<invalid_member>([&] { api->RemoveProperty(9); }), "The specified member does not exist: 9");
    api->addAttribute("9", "fixed", true);
    EXPECT_EQ(errorText<invalid_member>([&] { api->RemoveProperty(9); }), "The specified member does not exist: 9");
    EXPECT_EQ(api->GetProperty(9).cast<std::string>(), "fixed");
}

TEST(ScriptableObject, ReadOnlyWriteOnlyAndUnconvertibleWritesRaiseScriptErrors) {
    auto api = std::make_shared<TestApi>();
    EXPECT_EQ(errorText<script_error>([&] { api->SetProperty("Version", "2"); }),
              "Cannot set read-only property Version");
    api->RemoveProperty("Version");  // removing properties is not allowed: nothing happens
    EXPECT_EQ(api->GetProperty("Version").cast<std::string>(), "1.0.0.1");
    EXPECT_EQ(errorText<script_error>([&] { api->GetProperty("Sink"); }), "Cannot get write-only property Sink");
    api->addAttribute("Model", "X1", true);
    EXPECT_EQ(errorText<script_error>([&] {
                  api->Invoke("setAttribute", {"Model", 1});
              }),
              "Cannot set read-only property Model");
    EXPECT_EQ(errorText<script_error>([&] { api->removeAttribute("Model"); }),
              "Cannot remove read-only property Model");
    EXPECT_EQ(api->Invoke("getAttribute", {"Model"}).cast<std::string>(), "X1");

    api->SetProperty("Level", "17");
    EXPECT_EQ(errorText<invalid_arguments>([&] { api->SetProperty("Level", "high"); }),
              std::string("Could not convert from ") + typeid(std::string).name() + " to " + typeid(int).name());
    EXPECT_EQ(api->GetProperty("Level").cast<int>(), 17);
}

TEST(ScriptableObject, UnknownMembersAreRefusedWithoutDynamicAttributes) {
    auto api = std::make_shared<TestApi>();
    EXPECT_EQ(errorText<invalid_member>([&] { api->Invoke("Version", {}); }),
              "The specified member does not exist: Version");
    EXPECT_EQ(errorText<invalid_member>([&] { api->Construct({}); }),
              "The specified member does not exist: constructor");
    api->forbidDynamicAttributes();
    EXPECT_EQ(errorText<invalid_member>([&] { api->GetProperty("nope"); }),
              "The specified member does not exist: nope");
    EXPECT_EQ(errorText<invalid_member>([&] { api->SetProperty("nope", 1); }),
              "The specified member does not exist: nope");
    EXPECT_EQ(errorText<invalid_member>([&] { api->GetProperty(4); }), "The specified member does not exist: 4");
    EXPECT_FALSE(api->HasProperty("nope"));
    EXPECT_FALSE(api->HasProperty(4));
    api->addAttribute("4", "four", false);
    EXPECT_TRUE(api->HasProperty(4));
}

TEST(ScriptableObject, InvalidatedObjectRefusesScriptAccess) {
    auto api = std::make_shared<TestApi>();
    api->invalidate();
    const std::string gone = "This object is no longer valid";
    EXPECT_EQ(errorText<object_invalidated>([&] { api->Invoke("Add", {1, 2}); }), gone);
    EXPECT_EQ(errorText<object_invalidated>([&] { api->GetProperty("Version"); }), gone);
    EXPECT_EQ(errorText<object_invalidated>([&] { api->SetProperty("x", 1); }), gone);
    EXPECT_EQ(errorText<object_invalidated>([&] { api->fetchMethodObject("Add"); }), gone);
    EXPECT_FALSE(api->HasMethod("Add"));
    EXPECT_FALSE(api->HasProperty("Version"));
    EXPECT_FALSE(api->HasProperty(0));
}

TEST(ScriptableObject, InterfaceDefaultsRefuseEventsAndOfferNoMethodObjects) {
    auto page = PageObject::make();
    EXPECT_EQ(errorText<script_error>([&] { page->addEventHandler(std::wstring(L"onalarm"), page); }),
              "Not implemented");
    EXPECT_FALSE(page->canFetchMethod("x"));
    EXPECT_EQ(page->fetchMethodObject("x"), nullptr);
}

}  // namespace
}  // namespace FB::testing
