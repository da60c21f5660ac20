// The proxy over a page object: the parameter blocks it builds, property writes by reference first,
// member lists and their walk, what an object without IDispatchEx allows, ids from the process-wide
// table when the object names none, and an invalidated proxy.
#include "activex/activex_browser_host.h"
#include "activex/dispatch_name_map.h"
#include "activex/idispatch_api.h"
#include "tests/activex/support/fake_page_object.h"
#include "tests/scripting/error_expectations.h"

#include <gtest/gtest.h>

namespace {

using activex_test::FakePageObject;
using FB::ActiveX::ActiveXBrowserHost;
using FB::ActiveX::IDispatchAPI;
using FB::testing::errorText;

class PageObjectProxy : public ::testing::Test {
protected:
    void TearDown() override { host->shutdown(); }

    std::shared_ptr<ActiveXBrowserHost> host = std::make_shared<ActiveXBrowserHost>(nullptr, nullptr);
    FakePageObject page;
};

TEST_F(PageObjectProxy, CallsPassTheObjectAsThisAheadOfTheArgumentsLastFirst) {
    page.members = {{L"m", 5}};
    const auto proxy = IDispatchAPI::create(&page, host);
    proxy->Invoke("m", FB::VariantList{"a", 2});
    ASSERT_EQ(1u, page.calls.size());
    EXPECT_EQ(5, page.calls[0].id);
    EXPECT_EQ(DISPATCH_METHOD, page.calls[0].flags);
    EXPECT_EQ((std::vector<VARTYPE>{VT_DISPATCH, VT_I4, VT_BSTR}), page.calls[0].types);
    EXPECT_EQ(std::vector<DISPID>{DISPID_THIS}, page.calls[0].named);
    EXPECT_EQ(static_cast<IDispatch*>(&page), page.calls[0].first);

    proxy->Invoke("m", FB::VariantList{});  // the this-value alone
    EXPECT_EQ(std::vector<VARTYPE>{VT_DISPATCH}, page.calls[1].types);
    proxy->Construct(FB::VariantList{1});
    EXPECT_EQ(DISPID_VALUE, page.calls[2].id);
    EXPECT_EQ(DISPATCH_CONSTRUCT, page.calls[2].flags);

    page.answers[DISPATCH_METHOD] = E_FAIL;
    page.answers[DISPATCH_CONSTRUCT] = E_FAIL;
    EXPECT_EQ("Method invoke failed", errorText<FB::script_error>([&] { proxy->Invoke("m", {}); }));
    EXPECT_EQ("Method invoke failed", errorText<FB::script_error>([&] { proxy->Construct({}); }));
    EXPECT_EQ("Method invoke failed", errorText<FB::script_error>([&] { proxy->Invoke("missing", {}); }));
    EXPECT_EQ("Could not get property", errorText<FB::script_error>([&] { proxy->GetProperty("missing"); }));

    // "toString" is read even when the object names no such member: with DISPID_UNKNOWN.
    const size_t before = page.calls.size();
    proxy->GetProperty("toString");
    ASSERT_EQ(before + 1, page.calls.size());
    EXPECT_EQ(DISPID_UNKNOWN, page.calls.back().id);
    EXPECT_EQ(DISPATCH_PROPERTYGET, page.calls.back().flags);
    EXPECT_TRUE(page.calls.back().types.empty());
}

TEST_F(PageObjectProxy, PropertyWritesTryByReferenceFirstAndOnlyMissingMembersTryAgain) {
    page.members = {{L"p", 9}};
    const auto proxy = IDispatchAPI::create(&page, host);
    page.answers[DISPATCH_PROPERTYPUTREF] = DISP_E_MEMBERNOTFOUND;
    proxy->SetProperty("p", FB::variant(1));
    ASSERT_EQ(2u, page.calls.size());
    EXPECT_EQ(DISPATCH_PROPERTYPUTREF, page.calls[0].flags);
    EXPECT_EQ(std::vector<DISPID>{DISPID_PROPERTYPUT}, page.calls[0].named);
    EXPECT_EQ(DISPATCH_PROPERTYPUT, page.calls[1].flags);

    page.answers[DISPATCH_PROPERTYPUTREF] = E_FAIL;
    EXPECT_EQ("Could not set property", errorText<FB::script_error>([&] { proxy->SetProperty("p", 2); }));
    EXPECT_EQ(3u, page.calls.size());
    EXPECT_EQ("Could not set property", errorText<FB::script_error>([&] { proxy->SetProperty("missing", 2); }));

    // A member whose read succeeds is a property, not a method; the wide form only asks for an id.
    EXPECT_TRUE(proxy->HasProperty("p"));
    EXPECT_FALSE(proxy->HasMethod("p"));
    EXPECT_TRUE(proxy->HasMethod(std::wstring(L"p")));
    EXPECT_FALSE(proxy->HasProperty("missing"));
}

// The walk counts and lists members with non-negative ids, and ends at the end, at a failure, or
// at an id it met before, however the object answers.
TEST_F(PageObjectProxy, MemberWalksSkipNegativeIdsAndAlwaysEnd) {
    page.members = {{L"first", 5}, {L"hidden", -3}, {L"second", 6}};
    page.walk = {5, -3, 6};
    const auto proxy = IDispatchAPI::create(&page, host);
    EXPECT_EQ(2u, proxy->countMembers());
    std::vector<std::string> names{"kept"};
    proxy->listMemberNames(names);
    EXPECT_EQ((std::vector<std::string>{"kept", "first", "second"}), names);

    page.walk = {5, 6, 5, 6};  // goes round
    EXPECT_EQ(2u, proxy->countMembers());
    page.walk = {5};
    page.walkFailure = E_FAIL;
    EXPECT_EQ(1u, proxy->countMembers());
}

TEST_F(PageObjectProxy, WithoutIDispatchExMembersCannotBeListedOrRemoved) {
    FakePageObject plain(false);
    plain.members = {{L"p", 3}};
    const auto proxy = IDispatchAPI::create(&plain, host);
    EXPECT_EQ(0u, proxy->countMembers());
    std::vector<std::string> names;
    EXPECT_EQ("Cannot enumerate members; IDispatchEx not supported",
              errorText<FB::script_error>([&] { proxy->listMemberNames(names); }));
    EXPECT_EQ("Could not remove property", errorText<FB::script_error>([&] { proxy->RemoveProperty("p"); }));
    proxy->RemoveProperty("missing");  // nothing to remove, nothing reported
    proxy->Invoke("p", {});
    EXPECT_EQ(1u, plain.calls.size());

    const auto extended = IDispatchAPI::create(&page, host);
    page.members = {{L"q", 4}};
    extended->RemoveProperty("q");
    EXPECT_EQ(std::vector<DISPID>{4}, page.deleted);
}

TEST_F(PageObjectProxy, AnObjectThatCannotNameMembersUsesTheProcessWideIds) {
    page.namesNotImplemented = true;
    const auto proxy = IDispatchAPI::create(&page, host);
    const long id = proxy->getIDForName(L"anything");
    EXPECT_EQ(id, FB::ActiveX::dispatchNameMap.getIdForValue(FB::variant(std::wstring(L"anything"))));
    EXPECT_EQ(DISPID_VALUE, proxy->getIDForName(L""));
    EXPECT_EQ(id, proxy->dispIdForName(L"anything"));
}

TEST_F(PageObjectProxy, AnInvalidatedProxyLetsGoAndAnswersNothing) {
    page.members = {{L"m", 5}};
    const auto proxy = IDispatchAPI::create(&page, host);
    EXPECT_EQ(2, page.references);
    proxy->invalidate();
    EXPECT_EQ(1, page.references);  // released at once on the main thread
    EXPECT_FALSE(proxy->isValid());
    EXPECT_TRUE(proxy->Invoke("m", {}).isEmpty());
    EXPECT_FALSE(proxy->HasMethod("m"));
    EXPECT_EQ(nullptr, proxy->getNativeObject());
    EXPECT_EQ("Error calling handlers",
              errorText<FB::script_error>([&] { proxy->callHandlers("onalarm", {}, {}, {}); }));
    EXPECT_TRUE(page.calls.empty());
}

}  // namespace
