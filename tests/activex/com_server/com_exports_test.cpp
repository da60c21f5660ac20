// The library's COM exports linked into the test: the class object of the one creatable class, the
// process hooks run once per load cycle (from the first class object to the unload check that
// finds nothing alive), and the unload answer from the module's lock count.
#include "activex/fb_control_ids.h"
#include "activex/com_owners.h"
#include "platform/com/class_factory.h"
#include "platform/com/ole_inplace.h"
#include "tests/activex/com_server/support/test_control_plugin.h"

#include <gtest/gtest.h>

extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object);
extern "C" HRESULT DllCanUnloadNow();

namespace {

using com_server_test::controlTestFactory;
using FB::ActiveX::ComPtr;

ComPtr<IClassFactory> classObject() {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(S_OK, DllGetClassObject(CLSID_FBControl0, IID_IClassFactory, reinterpret_cast<void**>(factory.put())));
    return factory;
}

// Each case starts outside a load cycle: a case run before it in the same process may have left
// the plug-in's globals set up (an unload check that finds nothing alive ends that cycle).
class ComExports : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(S_OK, DllCanUnloadNow()); }
};

TEST_F(ComExports, HandOutAClassObjectForTheControlOnly) {
    const int hooks = controlTestFactory()->startHooks;
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              DllGetClassObject(IID_IFBControl, IID_IClassFactory, reinterpret_cast<void**>(factory.put())));
    EXPECT_FALSE(factory);
    EXPECT_EQ(E_POINTER, DllGetClassObject(CLSID_FBControl0, IID_IClassFactory, nullptr));
    EXPECT_EQ(hooks, controlTestFactory()->startHooks);  // a failed lookup leaves the globals alone
    EXPECT_TRUE(classObject());
}

TEST_F(ComExports, StartAndEndHooksRunOncePerLoadCycle) {
    auto& factory = *controlTestFactory();
    const int starts = factory.startHooks;
    const int ends = factory.endHooks;
    classObject();
    classObject();
    EXPECT_EQ(starts + 1, factory.startHooks);
    EXPECT_EQ(S_OK, DllCanUnloadNow());
    EXPECT_EQ(ends + 1, factory.endHooks);
    EXPECT_EQ(S_OK, DllCanUnloadNow());
    EXPECT_EQ(ends + 1, factory.endHooks);
    classObject();
    EXPECT_EQ(starts + 2, factory.startHooks);
    EXPECT_EQ(S_OK, DllCanUnloadNow());
}

TEST_F(ComExports, ALockWithoutAPluginStillEndsTheCycleButKeepsTheLibrary) {
    auto& factory = *controlTestFactory();
    const ComPtr<IClassFactory> classFactory = classObject();
    const int ends = factory.endHooks;
    ASSERT_EQ(S_OK, classFactory->LockServer(TRUE));
    EXPECT_EQ(S_FALSE, DllCanUnloadNow());
    EXPECT_EQ(ends + 1, factory.endHooks);
    ASSERT_EQ(S_OK, classFactory->LockServer(FALSE));
    EXPECT_EQ(S_OK, DllCanUnloadNow());
}

TEST_F(ComExports, ALiveControlKeepsTheLibraryAndItsGlobals) {
    auto& factory = *controlTestFactory();
    const ComPtr<IClassFactory> classFactory = classObject();
    ComPtr<IOleObject> control;
    ASSERT_EQ(S_OK, classFactory->CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(control.put())));
    const int ends = factory.endHooks;
    EXPECT_EQ(S_FALSE, DllCanUnloadNow());
    EXPECT_EQ(ends, factory.endHooks);
    control.reset();
    EXPECT_EQ(S_OK, DllCanUnloadNow());
    EXPECT_EQ(ends + 1, factory.endHooks);
}

TEST_F(ComExports, TheClassObjectRefusesAggregationAndNullOutputs) {
    const ComPtr<IClassFactory> classFactory = classObject();
    ComPtr<IOleObject> control;
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              classFactory->CreateInstance(classFactory.get(), IID_IOleObject, reinterpret_cast<void**>(control.put())));
    EXPECT_FALSE(control);
    EXPECT_EQ(E_POINTER, classFactory->CreateInstance(nullptr, IID_IOleObject, nullptr));
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(E_NOINTERFACE, classFactory->CreateInstance(nullptr, IID_IClassFactory,
                                                          reinterpret_cast<void**>(unknown.put())));
    EXPECT_EQ(S_OK, DllCanUnloadNow());  // the refused instance went at once
}

}  // namespace
