// The COM scripting object over a plug-in scripting object, called as a browser calls it: DISPIDs
// from the process-wide table, calls, properties and the browser's standard ids, script errors as
// exceptions with EXCEPINFO and "getLastException", enumeration, connection points with counted
// cookies, object safety, and what it answers once its scripting object or its host is gone.
#include "activex/activex_browser_host.h"
#include "activex/com_javascript_object.h"
#include "activex/dispatch_name_map.h"
#include "activex/plugin_interfaces.h"
#include "platform/com/ole_persist.h"
#include "platform/com/objsafe.h"
#include "tests/support/counted_dispatch.h"
#include "tests/activex/support/dispatch_calls.h"
#include "tests/scripting/error_expectations.h"
#include "tests/scripting/page_object.h"
#include "tests/scripting/test_api.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace activex_test;
using test_support::CountedDispatch;
using FB::ActiveX::ActiveXBrowserHost;
using FB::ActiveX::COMJavascriptObject;
using FB::testing::TestApi;

class ComScriptingObject : public ::testing::Test {
protected:
    void SetUp() override { object = wrap(api); }
    void TearDown() override {
        object.reset();
        host->shutdown();
    }
    ComPtr<IDispatchEx> wrap(const FB::JSAPIPtr& scripting) {
        return ComPtr<IDispatchEx>::adopt(COMJavascriptObject::wrapApi(host, scripting, false));
    }
    std::wstring lastException() {
        ScopedVariant result;
        EXPECT_EQ(S_OK,
                  invoke(object.get(), idOf(object.get(), L"getLastException"), DISPATCH_METHOD, {}, result.get()));
        return textOf(*result.get());
    }

    std::shared_ptr<ActiveXBrowserHost> host = std::make_shared<ActiveXBrowserHost>(nullptr, nullptr);
    std::shared_ptr<TestApi> api = std::make_shared<TestApi>();
    ComPtr<IDispatchEx> object;
};

TEST_F(ComScriptingObject, NamesAreProcessWideIdsAndTheBuiltinsAlwaysResolve) {
    api->forbidDynamicAttributes();
    const auto otherApi = std::make_shared<TestApi>();
    const auto other = wrap(otherApi);
    EXPECT_EQ(idOf(object.get(), L"attachEvent"), idOf(other.get(), L"attachEvent"));
    EXPECT_EQ(idOf(object.get(), L"Add"), idOf(other.get(), L"Add"));
    EXPECT_GE(idOf(object.get(), L"getLastException"), 100);

    std::wstring unknown = L"NoSuchMember", known = L"Add";
    LPOLESTR names[] = {unknown.data(), known.data()};
    DISPID ids[] = {7, 12345};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, object->GetIDsOfNames(IID_NULL, names, 2, LOCALE_USER_DEFAULT, ids));
    EXPECT_EQ(DISPID_UNKNOWN, ids[0]);
    EXPECT_EQ(12345, ids[1]);

    ScopedBstr name;
    EXPECT_EQ(S_OK, object->GetMemberName(idOf(object.get(), L"Add"), name.put()));
    EXPECT_EQ(L"Add", FB::ActiveX::bstrText(name.get()));
    EXPECT_EQ(S_OK, object->GetMemberName(DISPID_THIS, name.put()));
    EXPECT_EQ(L"this", FB::ActiveX::bstrText(name.get()));
    EXPECT_EQ(DISP_E_UNKNOWNNAME, object->GetMemberName(99, name.put()));
}

TEST_F(ComScriptingObject, CallsPropertiesAndTheBrowsersStandardIds) {
    ScopedVariant result;
    ASSERT_EQ(S_OK, invoke(object.get(), idOf(object.get(), L"Add"), DISPATCH_METHOD, {intVariant(2), intVariant(3)},
                           result.get()));
    EXPECT_EQ(VT_I4, result.get()->vt);
    EXPECT_EQ(5, result.get()->lVal);
    ASSERT_EQ(S_OK, invoke(object.get(), idOf(object.get(), L"Version"), DISPATCH_PROPERTYGET, {}, result.get()));
    EXPECT_EQ(L"1.0.0.1", textOf(*result.get()));

    VariantArray value(1);
    value[0] = intVariant(7);
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{value.data(), &put, 1, 1};
    EXPECT_EQ(S_OK, object->InvokeEx(idOf(object.get(), L"Level"), LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                                     nullptr, nullptr, nullptr));
    EXPECT_EQ(7, api->level);
    // A member the page deletes is gone from the scripting object; its id stays in the table.
    api->SetProperty("Extra", 5);
    const DISPID extra = idOf(object.get(), L"Extra");
    EXPECT_EQ(S_OK, object->DeleteMemberByDispID(extra));
    EXPECT_TRUE(api->GetProperty("Extra").isEmpty());
    EXPECT_EQ(extra, idOf(object.get(), L"Extra"));

    ASSERT_EQ(S_OK, invoke(object.get(), DISPID_READYSTATE, DISPATCH_PROPERTYGET, {}, result.get()));
    EXPECT_EQ(VT_I4, result.get()->vt);
    EXPECT_EQ(READYSTATE_LOADING, result.get()->lVal);
    ASSERT_EQ(S_OK, invoke(object.get(), DISPID_ENABLED, DISPATCH_PROPERTYGET, {}, result.get()));
    EXPECT_EQ(VT_BOOL, result.get()->vt);
    EXPECT_EQ(VARIANT_TRUE, result.get()->boolVal);
    EXPECT_EQ(E_NOTIMPL, invoke(object.get(), DISPID_SECURITYCTX, DISPATCH_PROPERTYGET, {}, result.get()));
    EXPECT_EQ(E_INVALIDARG, invoke(object.get(), idOf(object.get(), L"Version"), DISPATCH_PROPERTYGET, {}, nullptr));
}

// A method read as a property is its function object; calling that object with the caller's
// this-value runs the method, without one it calls the function's "value".
TEST_F(ComScriptingObject, MethodsReadAsFunctionObjectsThatRunWhenCalledThemselves) {
    ScopedVariant function;
    ASSERT_EQ(S_OK, invoke(object.get(), idOf(object.get(), L"Add"), DISPATCH_PROPERTYGET, {}, function.get()));
    ASSERT_EQ(VT_DISPATCH, function.get()->vt);
    const auto functionObject = ComPtr<IDispatch>(function.get()->pdispVal).query<IDispatchEx>(IID_IDispatchEx);
    ASSERT_TRUE(functionObject);

    ScopedVariant result;
    ASSERT_EQ(S_OK, invoke(functionObject.get(), DISPID_VALUE, DISPATCH_METHOD, {intVariant(4), intVariant(5)},
                           result.get(), nullptr, object.get()));
    EXPECT_EQ(9, result.get()->lVal);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, invoke(functionObject.get(), DISPID_VALUE, DISPATCH_METHOD,
                                            {intVariant(4), intVariant(5)}, result.get()));
    // A function object hands out no function objects of its own.
    ASSERT_EQ(S_OK, invoke(functionObject.get(), idOf(functionObject.get(), L"call"), DISPATCH_PROPERTYGET, {},
                           result.get()));
    EXPECT_EQ(VT_BOOL, result.get()->vt);
    EXPECT_EQ(VARIANT_TRUE, result.get()->boolVal);
}

TEST_F(ComScriptingObject, ScriptErrorsReachTheBrowserWithExcepInfoAndAsTheLastException) {
    api->addMethod("FailWide", [](const FB::VariantList&) -> FB::variant {
        throw FB::script_error("\xe7\x9b\xb8\xe6\x9c\xba refused");  // never through the ANSI code page
    });
    ScopedVariant result;
    ScopedExcepInfo exception;
    ASSERT_EQ(DISP_E_EXCEPTION, invoke(object.get(), idOf(object.get(), L"FailWide"), DISPATCH_METHOD, {}, result.get(),
                                       exception.get()));
    EXPECT_EQ(L"\u76f8\u673a refused", FB::ActiveX::bstrText(exception.get()->bstrDescription));
    EXPECT_EQ(L"SUBOBJECT", FB::ActiveX::bstrText(exception.get()->bstrSource));
    EXPECT_EQ(nullptr, exception.get()->bstrHelpFile);
    EXPECT_EQ(E_NOTIMPL, exception.get()->scode);
    EXPECT_EQ(L"\u76f8\u673a refused", lastException());

    ScopedExcepInfo attachFailure;
    EXPECT_EQ(DISP_E_EXCEPTION, invoke(object.get(), idOf(object.get(), L"attachEvent"), DISPATCH_METHOD,
                                       {textVariant(L"onalarm")}, result.get(), attachFailure.get()));
    EXPECT_EQ(L"Invalid Arguments", FB::ActiveX::bstrText(attachFailure.get()->bstrDescription));
    EXPECT_EQ(L"Invalid Arguments", lastException());

    // An id the table knows for a member this object lacks.
    api->forbidDynamicAttributes();
    const DISPID unrelated = FB::ActiveX::dispatchNameMap.getIdForValue(FB::variant(std::wstring(L"Unrelated")));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, invoke(object.get(), unrelated, DISPATCH_PROPERTYPUT, {intVariant(1)}, nullptr));
    EXPECT_EQ(L"The specified member does not exist: Invalid method or property name", lastException());
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, invoke(object.get(), 99, DISPATCH_METHOD, {}, nullptr));
}

// Nothing but script errors reaches the page as an error: anything else the scripting object
// throws is answered E_NOTIMPL and leaves the last exception as it was.
TEST_F(ComScriptingObject, NoOtherExceptionCrossesTheComBoundary) {
    api->addMethod("Crash", [](const FB::VariantList&) -> FB::variant { throw std::logic_error("internal"); });
    // A long too wide for VT_I4 cannot be written into the result.
    api->addMethod("Wide", [](const FB::VariantList&) -> FB::variant { return FB::variant(1L << 40); });
    ScopedVariant result;
    ASSERT_EQ(DISP_E_EXCEPTION, invoke(object.get(), idOf(object.get(), L"Fail"), DISPATCH_METHOD, {}, result.get()));
    EXPECT_EQ(L"camera refused", lastException());
    ScopedExcepInfo exception;
    EXPECT_EQ(E_NOTIMPL,
              invoke(object.get(), idOf(object.get(), L"Crash"), DISPATCH_METHOD, {}, result.get(), exception.get()));
    EXPECT_EQ(nullptr, exception.get()->bstrDescription);
    EXPECT_EQ(E_NOTIMPL, invoke(object.get(), idOf(object.get(), L"Wide"), DISPATCH_METHOD, {}, result.get()));
    EXPECT_EQ(L"camera refused", lastException());

    // A scripting object that was invalidated refuses with a script error, wherever it is asked.
    api->invalidate();
    EXPECT_EQ(S_FALSE, object->DeleteMemberByDispID(idOf(object.get(), L"getLastException")));
    EXPECT_EQ(L"This object is no longer valid", lastException());
}

// The listener form of attaching: two or three arguments (the third is not used), and values that
// do not convert refused as invalid arguments.
TEST_F(ComScriptingObject, SetEventListenerAddsAndRemovesHandlersAndRefusesBadArguments) {
    auto& base = dynamic_cast<FB::ActiveX::JSAPI_IDispatchExBase&>(*object.get());
    const auto handler = FB::testing::PageObject::make();
    EXPECT_TRUE(base.callSetEventListener({"onalarm", FB::JSObjectPtr(handler), false}, true));
    api->fireNamedEvent("onalarm", {"door open"});
    ASSERT_EQ(1u, handler->takeCalls().size());
    EXPECT_TRUE(base.callSetEventListener({"onalarm", FB::JSObjectPtr(handler)}, false));
    api->fireNamedEvent("onalarm", {"door open"});
    EXPECT_TRUE(handler->takeCalls().empty());
    using FB::testing::errorText;
    EXPECT_EQ("Invalid Arguments",
              errorText<FB::invalid_arguments>([&] { base.callSetEventListener({"onalarm"}, true); }));
    EXPECT_EQ("Invalid Arguments",
              errorText<FB::invalid_arguments>([&] { base.callSetEventListener({"onalarm", 5}, true); }));
}

// A member named like a built-in is listed once: a name met twice would send the walk round.
TEST_F(ComScriptingObject, EnumerationListsTheMembersThenTheBuiltinsThenEnds) {
    const auto walk = [&] {
        std::vector<std::wstring> names;
        DISPID id = DISPID_STARTENUM;
        while (object->GetNextDispID(fdexEnumAll, id, &id) == S_OK && names.size() < 100) {
            ScopedBstr name;
            EXPECT_EQ(S_OK, object->GetMemberName(id, name.put()));
            names.push_back(FB::ActiveX::bstrText(name.get()));
        }
        return names;
    };
    std::vector<std::wstring> names = walk();
    ASSERT_GE(names.size(), 4u);
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), L"Add"));
    EXPECT_EQ((std::vector<std::wstring>{L"attachEvent", L"detachEvent", L"getLastException"}),
              std::vector<std::wstring>(names.end() - 3, names.end()));
    DISPID next = 0;
    EXPECT_EQ(S_FALSE, object->GetNextDispID(fdexEnumAll, 99, &next));  // an id the table never gave
    api->SetProperty("detachEvent", 1);
    names = walk();
    EXPECT_LT(names.size(), 100u);
    EXPECT_EQ(1, std::count(names.begin(), names.end(), L"detachEvent"));
}

TEST_F(ComScriptingObject, ConnectionPointCookiesCountAndUnadvisedSinksAreForgotten) {
    const auto container = object.query<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ASSERT_TRUE(container);
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID_IDispatch, point.put()));
    EXPECT_FALSE(point);
    ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID_IFBComEventSource, point.put()));
    IID events{};
    EXPECT_EQ(S_OK, point->GetConnectionInterface(&events));
    EXPECT_EQ(DIID_IFBComEventSource, events);

    ComPtr<IEnumConnectionPoints> all;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(all.put()));
    IConnectionPoint* found[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, all->Next(2, found, &fetched));
    ASSERT_EQ(1u, fetched);
    ComPtr<IConnectionPoint>::adopt(found[0]);

    DWORD cookie = 0;
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point->Advise(nullptr, &cookie));
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point->Advise(all.get(), &cookie));  // no IDispatch
    CountedDispatch sink;
    ASSERT_EQ(S_OK, point->Advise(&sink, &cookie));
    EXPECT_EQ(1u, cookie);
    EXPECT_EQ(2, sink.references);  // the host keeps the sink for its proxy
    DWORD second = 0;
    ASSERT_EQ(S_OK, point->Advise(&sink, &second));
    EXPECT_EQ(2u, second);
    EXPECT_EQ(S_OK, point->Unadvise(1));
    EXPECT_EQ(E_UNEXPECTED, point->Unadvise(1));
    EXPECT_EQ(E_UNEXPECTED, point->Unadvise(77));
    EXPECT_EQ(S_OK, point->Unadvise(2));
    EXPECT_EQ(1, sink.references);
}

TEST_F(ComScriptingObject, AGoneScriptingObjectOrHostAnswersMemberNotFound) {
    const DISPID add = idOf(object.get(), L"Add");
    ScopedVariant attach;
    ASSERT_EQ(S_OK, invoke(object.get(), idOf(object.get(), L"attachEvent"), DISPATCH_PROPERTYGET, {}, attach.get()));
    const auto point = object.query<IConnectionPoint>(IID_IConnectionPoint);
    CountedDispatch sink;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, point->Advise(&sink, &cookie));
    api.reset();
    // A sink unadvised after its scripting object went is still forgotten.
    EXPECT_EQ(S_OK, point->Unadvise(cookie));
    EXPECT_EQ(E_UNEXPECTED, point->Unadvise(cookie));
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point->Advise(&sink, &cookie));
    ScopedBstr name(L"attachEvent");
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, object->GetDispID(name.get(), 0, &id));
    EXPECT_EQ(DISPID_UNKNOWN, id);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, invoke(object.get(), add, DISPATCH_METHOD, {}, nullptr));
    EXPECT_EQ(S_FALSE, object->GetNextDispID(fdexEnumAll, DISPID_STARTENUM, &id));
    EXPECT_EQ(S_FALSE, object->DeleteMemberByDispID(add));

    // The page kept the built-in function; its owner goes: a call fails as a script error.
    object.reset();
    const auto function = ComPtr<IDispatch>(attach.get()->pdispVal).query<IDispatchEx>(IID_IDispatchEx);
    CountedDispatch handler;
    ScopedExcepInfo exception;
    EXPECT_EQ(DISP_E_EXCEPTION,
              invoke(function.get(), DISPID_VALUE, DISPATCH_METHOD, {textVariant(L"onalarm"), objectVariant(&handler)},
                     nullptr, exception.get(), function.get()));
    EXPECT_EQ(L"Invalid object", FB::ActiveX::bstrText(exception.get()->bstrDescription));

    // Arguments and results need the host: without it nothing is reached.
    api = std::make_shared<TestApi>();
    object = wrap(api);
    host->shutdown();
    host.reset();
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
              invoke(object.get(), add, DISPATCH_METHOD, {intVariant(1), intVariant(2)}, nullptr));
    host = std::make_shared<ActiveXBrowserHost>(nullptr, nullptr);
}

TEST_F(ComScriptingObject, ObjectSafetyClassInfoAndTheFrameworksOwnInterface) {
    const auto safety = object.query<IObjectSafety>(IID_IObjectSafety);
    ASSERT_TRUE(safety);
    DWORD supported = 0, enabled = 9;
    ASSERT_EQ(S_OK, safety->GetInterfaceSafetyOptions(IID_IDispatchEx, &supported, &enabled));
    EXPECT_EQ(3u, supported);
    EXPECT_EQ(0u, enabled);
    EXPECT_EQ(S_OK, safety->SetInterfaceSafetyOptions(IID_IDispatch, 3, 1));
    safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled);
    EXPECT_EQ(1u, enabled);

    const auto classInfo = object.query<IProvideClassInfo2>(IID_IProvideClassInfo2);
    ASSERT_TRUE(classInfo);
    GUID guid{1, 2, 3, {4}};
    EXPECT_EQ(E_FAIL, classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &guid));
    EXPECT_EQ(GUID_NULL, guid);
    EXPECT_EQ(E_INVALIDARG, classInfo->GetGUID(7, &guid));

    EXPECT_TRUE(object.query<IUnknown>(IID_IPluginObject));
    EXPECT_EQ(COMJavascriptObject::SharedReference(), FB::ActiveX::getCOMJavascriptObject(nullptr));
    const auto reference = FB::ActiveX::getCOMJavascriptObject(object.get());
    ASSERT_TRUE(reference);
    EXPECT_EQ(object.get(), reference->getPtr());
}

// The object answers its own list of interfaces and no other, not even the dual interface its
// class information names: a page reaches it through IDispatch and IDispatchEx.
TEST_F(ComScriptingObject, QueryInterfaceAnswersItsListOnly) {
    const IID answered[] = {DIID_IFBComEventSource,
                            IID_IDispatch,
                            IID_IDispatchEx,
                            IID_IUnknown,
                            IID_IPluginObject,
                            IID_IObjectSafety,
                            IID_IConnectionPointContainer,
                            IID_IConnectionPoint,
                            IID_IProvideClassInfo,
                            IID_IProvideClassInfo2};
    for (size_t row = 0; row < std::size(answered); ++row) EXPECT_TRUE(object.query<IUnknown>(answered[row])) << row;
    for (const IID& iid : {IID_IFBComJavascriptObject, IID_IPersist}) {
        ComPtr<IUnknown> answer;
        EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(iid, reinterpret_cast<void**>(answer.put())));
        EXPECT_FALSE(answer);
    }
}

}  // namespace
