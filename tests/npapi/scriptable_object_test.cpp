// The page's view of a plug-in object: members through the browser's class-table calls, the
// built-in listener functions and script errors as browser exceptions.
#include "npapi/np_javascript_object.h"
#include "tests/npapi/support/plugin_instance.h"

#include <gtest/gtest.h>

namespace {

using namespace npapi_test;
using FB::Npapi::NPJavascriptObject;

class ScriptableObject : public ::testing::Test {
protected:
    void SetUp() override { object = instance.scriptable(); }
    void TearDown() override { browser.release(object); }

    bool get(NPObject* target, const std::string& name, NPVariant* result) {
        return target->_class->getProperty(target, browser.id(name), result);
    }
    // Reads the member as a property and calls what it holds, as page script does for a method.
    bool callMember(NPObject* target, const std::string& name, std::vector<NPVariant> args, NPVariant* result) {
        NPVariant function;
        if (!get(target, name, &function) || !NPVARIANT_IS_OBJECT(function)) return false;
        const bool called = browser.callObject(NPVARIANT_TO_OBJECT(function), args, result);
        browser.releaseVariant(&function);
        return called;
    }
    bool callMember(const std::string& name, std::vector<NPVariant> args, NPVariant* result) {
        return callMember(object, name, std::move(args), result);
    }
    // A plug-in object the page got from a method, and then the page's hold on it ends.
    NPVariant goneChild() {
        NPVariant child;
        EXPECT_TRUE(callMember("makeChild", {}, &child));
        auto* wrapper = NPJavascriptObject::fromNPObject(NPVARIANT_TO_OBJECT(child));
        instance.host()->dropObject(wrapper->getAPI());
        return child;
    }

    TestBrowser browser;
    PluginInstance instance{browser};
    NPObject* object = nullptr;
};

// Methods are properties holding function objects, "toString" is a method whatever the object,
// and the three built-ins are properties.
TEST_F(ScriptableObject, MembersAnswerAsMethodsOrPropertiesAndMethodsAreCalledThroughTheirFunctions) {
    const std::tuple<const char*, bool, bool> members[] = {{"add", false, true},
                                                           {"Version", false, true},
                                                           {"toString", true, false},
                                                           {"addEventListener", false, true},
                                                           {"removeEventListener", false, true},
                                                           {"getLastException", false, true}};
    for (const auto& [name, method, property] : members) {
        EXPECT_EQ(method, object->_class->hasMethod(object, browser.id(name))) << name;
        EXPECT_EQ(property, object->_class->hasProperty(object, browser.id(name))) << name;
    }
    NPVariant result;
    ASSERT_TRUE(callMember("add", {intVariant(2), intVariant(3)}, &result));
    EXPECT_EQ(5, NPVARIANT_TO_INT32(result));
    ASSERT_TRUE(get(object, "Version", &result));
    EXPECT_EQ("V2.28", stringOf(result));
    browser.releaseVariant(&result);
}

TEST_F(ScriptableObject, EnumerationListsTheMembersThenTheThreeBuiltIns) {
    std::vector<std::string> names;
    instance.api()->listMemberNames(names);
    for (const char* builtIn : {"addEventListener", "removeEventListener", "getLastException"})
        names.push_back(builtIn);
    NPIdentifier* ids = nullptr;
    uint32_t count = 0;
    ASSERT_TRUE(object->_class->enumerate(object, &ids, &count));
    ASSERT_EQ(names.size(), count);
    for (uint32_t i = 0; i < count; ++i) EXPECT_EQ(browser.id(names[i]), ids[i]) << names[i];
    browser.free(ids);
}

// A wrapper whose object is gone answers false without a browser exception; a listener function
// the page kept from it raises "Invalid Arguments".
TEST_F(ScriptableObject, WhenThePluginObjectIsGoneItsWrapperAndListenersFailCleanly) {
    NPVariant child = goneChild(), listener, result;
    NPObject* childObject = NPVARIANT_TO_OBJECT(child);
    ASSERT_FALSE(get(childObject, "addEventListener", &listener));
    EXPECT_FALSE(childObject->_class->hasProperty(childObject, browser.id("Version")));
    EXPECT_TRUE(browser.exceptions.empty());
    browser.releaseVariant(&child);

    ASSERT_TRUE(callMember("makeChild", {}, &child));
    ASSERT_TRUE(get(NPVARIANT_TO_OBJECT(child), "addEventListener", &listener));
    browser.releaseVariant(&child);  // the child's wrapper and the child go
    NPVariant type = stringVariant(browser, "alarm");
    EXPECT_FALSE(browser.callObject(NPVARIANT_TO_OBJECT(listener), {type, objectVariant(object)}, &result));
    EXPECT_EQ(std::vector<std::string>{"Invalid Arguments"}, browser.exceptions);
    browser.releaseVariant(&listener);
    browser.releaseVariant(&type);
}

TEST_F(ScriptableObject, AfterInvalidateEveryCallFailsAndTheObjectRefusesUse) {
    object->_class->invalidate(object);
    NPVariant result;
    EXPECT_FALSE(get(object, "Version", &result));
    EXPECT_THROW(instance.api()->GetProperty("Version"), FB::script_error);
}

// The page removes the plug-in from inside the call that then fails.
TEST_F(ScriptableObject, AnErrorAfterTheHostIsGoneStillUpdatesTheLastException) {
    instance.api()->beforeFail = [this] { instance.destroy(); };
    NPJavascriptObject::lastException() = FB::variant();
    NPVariant result;
    EXPECT_FALSE(callMember("fail", {}, &result));
    EXPECT_TRUE(browser.exceptions.empty());
    EXPECT_EQ("failed on purpose", NPJavascriptObject::lastException().convertTo<std::string>());
}

TEST_F(ScriptableObject, IntegerIdentifiersReachTheIndexFormAndConstructReturnsItsValue) {
    struct Indexed : TestApi {
        FB::variant GetProperty(int index) override { return index * 10; }
        FB::variant Construct(const FB::VariantList& args) override { return args.at(0).convertTo<int>() + 1; }
        using TestApi::GetProperty;
    };
    const auto indexed = std::make_shared<Indexed>();
    NPObject* wrapper = instance.host()->getJSAPIWrapper(FB::JSAPIPtr(indexed));
    NPVariant result, argument = intVariant(41);
    ASSERT_TRUE(wrapper->_class->getProperty(wrapper, browser.id(4), &result));
    EXPECT_EQ(40, NPVARIANT_TO_INT32(result));
    ASSERT_TRUE(wrapper->_class->construct(wrapper, &argument, 1, &result));
    EXPECT_EQ(42, NPVARIANT_TO_INT32(result));
    browser.release(wrapper);
}

// What the page set on the object it can remove again, by name or by index; the page reads it as
// undefined afterwards.
TEST_F(ScriptableObject, MembersThePageSetAreRemovedByNameAndByIndex) {
    NPVariant value = intVariant(1), result;
    for (NPIdentifier id : {browser.id("marker"), browser.id(4)}) {
        ASSERT_TRUE(object->_class->setProperty(object, id, &value));
        ASSERT_TRUE(object->_class->getProperty(object, id, &result));
        EXPECT_EQ(NPVariantType_Int32, result.type);
        EXPECT_TRUE(object->_class->removeProperty(object, id));
        ASSERT_TRUE(object->_class->getProperty(object, id, &result));
        EXPECT_EQ(NPVariantType_Void, result.type);
    }
}

TEST_F(ScriptableObject, AnIntegerIdentifierAsksForExactlyItsIndex) {
    struct OnlyFour : TestApi {
        bool HasProperty(int index) override { return index == 4; }
        using TestApi::HasProperty;
    };
    const auto indexed = std::make_shared<OnlyFour>();
    NPObject* wrapper = instance.host()->getJSAPIWrapper(FB::JSAPIPtr(indexed));
    const std::pair<int, bool> indexes[] = {{3, false}, {4, true}, {5, false}};
    for (const auto& [index, present] : indexes)
        EXPECT_EQ(present, wrapper->_class->hasProperty(wrapper, browser.id(index))) << index;
    browser.release(wrapper);
}

}  // namespace
