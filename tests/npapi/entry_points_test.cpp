// The three exports and the module's copy of the browser's table.
#include "npapi/npapi_plugin_module.h"
#include "npapi/npp_callbacks.h"
#include "tests/npapi/support/test_plugin.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using FB::Npapi::NpapiPluginModule;

// A table whose every entry holds a distinct non-null value, so each copied entry is visible.
NPNetscapeFuncs markedTable(uint16_t version, uint16_t size = sizeof(NPNetscapeFuncs)) {
    NPNetscapeFuncs table;
    auto* bytes = reinterpret_cast<unsigned char*>(&table);
    for (size_t i = 0; i < sizeof(table); ++i) bytes[i] = static_cast<unsigned char>(i | 1);
    table.version = version;
    table.size = size;
    return table;
}

const NPNetscapeFuncs& moduleTable() { return NpapiPluginModule::getModule()->browserFuncs(); }

class EntryPoints : public ::testing::Test {
protected:
    void TearDown() override { NP_Shutdown(); }
};

TEST_F(EntryPoints, GetEntryPointsWritesTheCallbacksAndLeavesTheRestOfTheRecord) {
    NPPluginFuncs funcs;
    std::memset(&funcs, 0xAB, sizeof(funcs));
    funcs.size = sizeof(funcs);
    funcs.version = 27;
    void* const javaClass = funcs.javaClass;
    void* const later = funcs.gotfocus;

    ASSERT_EQ(NPERR_NO_ERROR, NP_GetEntryPoints(&funcs));
    EXPECT_EQ(&FB::Npapi::NPP_New, funcs.newp);
    EXPECT_EQ(&FB::Npapi::NPP_Destroy, funcs.destroy);
    EXPECT_EQ(&FB::Npapi::NPP_URLNotify, funcs.urlnotify);
    EXPECT_EQ(&FB::Npapi::NPP_SetValue, funcs.setvalue);
    EXPECT_EQ(sizeof(funcs), funcs.size);
    EXPECT_EQ(27, funcs.version);
    EXPECT_EQ(javaClass, funcs.javaClass);
    EXPECT_EQ(later, funcs.gotfocus);
}

// A size of 0 is one the browser did not set: the record gets every callback.
TEST_F(EntryPoints, ShortRecordsAreNeverWrittenPastTheirSizeAndAnUnsetSizeGetsEveryCallback) {
    EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, NP_GetEntryPoints(nullptr));
    EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, NP_Initialize(nullptr));

    NPPluginFuncs funcs{};
    funcs.size = offsetof(NPPluginFuncs, writeready);  // room up to asfile
    EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, NP_GetEntryPoints(&funcs));
    EXPECT_NE(nullptr, funcs.asfile);
    EXPECT_EQ(nullptr, funcs.writeready);
    EXPECT_EQ(nullptr, funcs.getvalue);

    NPPluginFuncs unsized{};
    EXPECT_EQ(NPERR_NO_ERROR, NP_GetEntryPoints(&unsized));
    EXPECT_EQ(&FB::Npapi::NPP_New, unsized.newp);
    EXPECT_EQ(&FB::Npapi::NPP_SetValue, unsized.setvalue);
    EXPECT_EQ(0, unsized.size);
}

TEST_F(EntryPoints, InitializeCopiesWhatTheTablesVersionOffers) {
    const NPNetscapeFuncs v18 = markedTable(18);
    ASSERT_EQ(NPERR_NO_ERROR, NP_Initialize(const_cast<NPNetscapeFuncs*>(&v18)));
    const NPNetscapeFuncs& copy = moduleTable();
    EXPECT_EQ(v18.geturl, copy.geturl);
    EXPECT_EQ(v18.construct, copy.construct);  // whatever the version
    EXPECT_EQ(v18.pushpopupsenabledstate, copy.pushpopupsenabledstate);
    EXPECT_EQ(v18.enumerate, copy.enumerate);
    EXPECT_EQ(nullptr, copy.pluginthreadasynccall);
    EXPECT_EQ(nullptr, copy.getvalueforurl);
    EXPECT_EQ(nullptr, copy.scheduletimer);
    EXPECT_EQ(nullptr, copy.getJavaEnv);
    EXPECT_EQ(nullptr, copy.urlredirectresponse);

    NP_Shutdown();
    const NPNetscapeFuncs v15 = markedTable(15);
    NP_Initialize(const_cast<NPNetscapeFuncs*>(&v15));
    EXPECT_EQ(nullptr, moduleTable().pushpopupsenabledstate);
    EXPECT_EQ(nullptr, moduleTable().enumerate);
    EXPECT_EQ(v15.setexception, moduleTable().setexception);

    NP_Shutdown();
    const NPNetscapeFuncs v27 = markedTable(27);
    NP_Initialize(const_cast<NPNetscapeFuncs*>(&v27));
    EXPECT_EQ(v27.pluginthreadasynccall, moduleTable().pluginthreadasynccall);
    EXPECT_EQ(v27.getauthenticationinfo, moduleTable().getauthenticationinfo);
    EXPECT_EQ(v27.unscheduletimer, moduleTable().unscheduletimer);
    EXPECT_EQ(nullptr, moduleTable().popupcontextmenu);
}

// A browser whose record stops after setexception while its version claims more.
TEST_F(EntryPoints, AShortTableIsNeverReadPastItsEnd) {
    const uint16_t size = NP_TABLE_SIZE_THROUGH(NPNetscapeFuncs, setexception);
    auto* bytes = static_cast<unsigned char*>(std::malloc(size));
    const NPNetscapeFuncs full = markedTable(27, size);
    std::memcpy(bytes, &full, size);
    NP_Initialize(reinterpret_cast<NPNetscapeFuncs*>(bytes));
    EXPECT_EQ(full.setexception, moduleTable().setexception);
    EXPECT_EQ(nullptr, moduleTable().pushpopupsenabledstate);
    EXPECT_EQ(nullptr, moduleTable().pluginthreadasynccall);
    EXPECT_EQ(nullptr, moduleTable().construct);
    std::free(bytes);
}

TEST_F(EntryPoints, AnEmptyTableLeavesEveryFunctionOnItsFallback) {
    NPPluginFuncs funcs{};
    funcs.size = sizeof(funcs);
    NP_GetEntryPoints(&funcs);
    const auto module = NpapiPluginModule::getModule();
    NPObject object{};
    NPVariant value;
    VOID_TO_NPVARIANT(value);
    EXPECT_TRUE(module->IdentifierIsString(nullptr));
    EXPECT_EQ(1, module->IntFromIdentifier(nullptr));
    EXPECT_EQ(&object, module->RetainObject(&object));
    EXPECT_EQ(nullptr, module->MemAlloc(16));
    EXPECT_EQ(nullptr, module->GetStringIdentifier("name"));
    EXPECT_EQ("", module->StringFromIdentifier(nullptr));
    module->ReleaseObject(&object);
    module->ReleaseVariantValue(&value);
}

TEST_F(EntryPoints, EachShutdownRunsTheEndHookAndALaterInitializeStartsAgain) {
    auto factory = npapi_test::testFactory();
    const int starts = factory->startHooks;
    const int ends = factory->endHooks;
    NPNetscapeFuncs table = markedTable(27);
    NP_Initialize(&table);
    EXPECT_EQ(starts + 1, factory->startHooks);
    NP_Shutdown();
    NP_Shutdown();
    EXPECT_EQ(ends + 2, factory->endHooks);
    NP_Initialize(&table);
    EXPECT_EQ(starts + 2, factory->startHooks);
    EXPECT_EQ(table.geturl, moduleTable().geturl);
}

}  // namespace
