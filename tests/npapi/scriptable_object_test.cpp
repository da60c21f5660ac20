// The page's view of a plug-in object: members through the browser's class-table calls, the
// built-in listener functions and script errors as browser exceptions.
#include "npapi/np_javascript_object.h"
#include "tests/npapi/support/plugin_instance.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace npapi_test;
using FB::Npapi::NPJavascriptObject;

class ScriptableObject : public ::testing::Test {
protected:
    void SetUp() override { object = instance.scriptable(); }
    void TearDown() override {
        if (object) browser.release(object);
    }

    NPClass& cls() { return *object->_class; }
    bool get(NPObject* target, const std::string& name, NPVariant* result) {
        return target->_class->getProperty(target, browser.id(name), result);
    }
    // Reads the member as a property and calls what it holds, as page script does for a method.
    bool callMember(const std::string& name, std::vector<NPVariant> args, NPVariant* result) {
        NPVariant function;
        if (!get(object, name, &function) || !NPVARIANT_IS_OBJECT(function)) return false;
        const bool called = browser.callObject(NPVARIANT_TO_OBJECT(function), args, result);
        browser.releaseVariant(&function);
        return called;
    }

    TestBrowser browser;
    PluginInstance instance{browser};
    NPObject* object = nullptr;
};

TEST_F(ScriptableObject, MethodsAreReachedAsFunctionObjectsAndPropertiesRead) {
    EXPECT_FALSE(cls().hasMethod(object, browser.id("add")));
    EXPECT_TRUE(cls().hasProperty(object, browser.id("add")));
    NPVariant result;
    ASSERT_TRUE(callMember("add", {intVariant(2), intVariant(3)}, &result));
    EXPECT_EQ(5, NPVARIANT_TO_INT32(result));

    ASSERT_TRUE(get(object, "Version", &result));
    EXPECT_EQ("V2.28", stringOf(result));
    browser.releaseVariant(&result);
}

TEST_F(ScriptableObject, ToStringIsAMethodAndTheListenersAreProperties) {
    EXPECT_TRUE(cls().hasMethod(object, browser.id("toString")));
    EXPECT_FALSE(cls().hasProperty(object, browser.id("toString")));
    EXPECT_TRUE(cls().hasProperty(object, browser.id("addEventListener")));
    EXPECT_FALSE(cls().hasMethod(object, browser.id("addEventListener")));
    EXPECT_TRUE(cls().hasProperty(object, browser.id("getLastException")));
}

TEST_F(ScriptableObject, EnumerationListsTheMembersThenTheThreeBuiltIns) {
    std::vector<std::string> members;
    instance.api()->listMemberNames(members);
    NPIdentifier* ids = nullptr;
    uint32_t count = 0;
    ASSERT_TRUE(cls().enumerate(object, &ids, &count));
    ASSERT_EQ(members.size() + 3, count);
    EXPECT_EQ(browser.id(members.front()), ids[0]);
    EXPECT_EQ(browser.id("addEventListener"), ids[count - 3]);
    EXPECT_EQ(browser.id("getLastException"), ids[count - 1]);
    browser.free(ids);
}

TEST_F(ScriptableObject, ScriptErrorsBecomeBrowserExceptionsAndTheLastException) {
    NPVariant result;
    EXPECT_FALSE(callMember("fail", {}, &result));
    ASSERT_FALSE(browser.exceptions.empty());
    EXPECT_EQ("failed on purpose", browser.exceptions.back());

    NPVariant name = stringVariant(browser, "alarm");
    EXPECT_FALSE(callMember("addEventListener", {name}, &result));
    EXPECT_EQ("Invalid Arguments", browser.exceptions.back());
    ASSERT_TRUE(callMember("getLastException", {}, &result));
    EXPECT_EQ("Invalid Arguments", stringOf(result));
    browser.releaseVariant(&result);
    browser.releaseVariant(&name);

    NPVariant changed = intVariant(1);
    EXPECT_FALSE(cls().setProperty(object, browser.id("add"), &changed));
    EXPECT_EQ("This property cannot be changed", browser.exceptions.back());
}

TEST_F(ScriptableObject, AListenerRegisteredByThePageHearsThePluginsEvents) {
    std::vector<std::string> heard;
    PageObject* handler = browser.makeFunction([&](const std::vector<NPVariant>& args, NPVariant*) {
        heard.push_back(stringOf(args.at(0)) + " " + std::to_string(NPVARIANT_TO_INT32(args.at(1))));
        return true;
    });
    NPVariant type = stringVariant(browser, "alarm");
    NPVariant result;
    ASSERT_TRUE(callMember("addEventListener", {type, objectVariant(handler), intVariant(0)}, &result));
    instance.api()->fireAlarm("door open");
    EXPECT_TRUE(heard.empty());  // from a page timer
    browser.runTimers();
    EXPECT_EQ((std::vector<std::string>{"door open 7"}), heard);

    ASSERT_TRUE(callMember("removeEventListener", {type, objectVariant(handler)}, &result));
    instance.api()->fireAlarm("again");
    browser.runTimers();
    EXPECT_EQ(1u, heard.size());
    browser.releaseVariant(&type);
    browser.release(handler);
}

TEST_F(ScriptableObject, AListenerFunctionKeptAfterItsObjectIsGoneFailsCleanly) {
    NPVariant child;
    NPVariant none;
    ASSERT_TRUE(callMember("makeChild", {}, &child));
    NPObject* childObject = NPVARIANT_TO_OBJECT(child);
    NPVariant listener;
    ASSERT_TRUE(get(childObject, "addEventListener", &listener));
    browser.releaseVariant(&child);  // the child's wrapper and the child go

    PageObject* handler = browser.makeFunction([](const std::vector<NPVariant>&, NPVariant*) { return true; });
    NPVariant type = stringVariant(browser, "alarm");
    EXPECT_FALSE(browser.callObject(NPVARIANT_TO_OBJECT(listener), {type, objectVariant(handler)}, &none));
    EXPECT_EQ("Invalid Arguments", browser.exceptions.back());
    browser.releaseVariant(&listener);
    browser.releaseVariant(&type);
    browser.release(handler);
}

TEST_F(ScriptableObject, AWrapperWhoseObjectIsGoneAnswersFalseWithoutException) {
    NPVariant child;
    ASSERT_TRUE(callMember("makeChild", {}, &child));
    NPObject* childObject = NPVARIANT_TO_OBJECT(child);
    auto* wrapper = NPJavascriptObject::fromNPObject(childObject);
    instance.host()->dropObject(wrapper->getAPI());  // the page's hold ends; the object dies
    const size_t exceptions = browser.exceptions.size();
    NPVariant result;
    EXPECT_FALSE(get(childObject, "Version", &result));
    EXPECT_FALSE(childObject->_class->hasProperty(childObject, browser.id("Version")));
    EXPECT_EQ(exceptions, browser.exceptions.size());
    browser.releaseVariant(&child);
}

TEST_F(ScriptableObject, AfterInvalidateEveryCallFailsAndTheObjectRefusesUse) {
    cls().invalidate(object);
    NPVariant result;
    EXPECT_FALSE(get(object, "Version", &result));
    EXPECT_THROW(instance.api()->GetProperty("Version"), FB::script_error);
}

// The page removes the plug-in from inside the call that then fails.
TEST_F(ScriptableObject, AnErrorAfterTheHostIsGoneStillUpdatesTheLastException) {
    instance.api()->beforeFail = [this] { instance.destroy(); };
    NPJavascriptObject::lastException() = FB::variant();
    const size_t exceptions = browser.exceptions.size();
    NPVariant result;
    EXPECT_FALSE(callMember("fail", {}, &result));
    EXPECT_EQ(exceptions, browser.exceptions.size());
    EXPECT_EQ("failed on purpose", NPJavascriptObject::lastException().convertTo<std::string>());
}

TEST_F(ScriptableObject, AnIntegerIdentifierReachesTheIndexForm) {
    struct Indexed : TestApi {
        FB::variant GetProperty(int index) override { return index * 10; }
        using TestApi::GetProperty;
    };
    auto indexed = std::make_shared<Indexed>();
    NPObject* wrapper = instance.host()->getJSAPIWrapper(FB::JSAPIPtr(indexed));
    NPVariant result;
    ASSERT_TRUE(wrapper->_class->getProperty(wrapper, browser.id(4), &result));
    EXPECT_EQ(40, NPVARIANT_TO_INT32(result));
    browser.release(wrapper);
}

}  // namespace
