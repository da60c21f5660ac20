// The three exports and the module's copy of the browser's table.
#include "npapi/npapi_plugin_module.h"
#include "npapi/npp_callbacks.h"
#include "tests/npapi/support/test_plugin.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

using FB::Npapi::NpapiPluginModule;

const NPNetscapeFuncs& moduleTable() { return NpapiPluginModule::getModule()->browserFuncs(); }

class EntryPoints : public ::testing::Test {
protected:
    void TearDown() override { NP_Shutdown(); }
};

// The callbacks fill what the record has room for; its own fields and later ones stay as they
// were. A size of 0 is one the browser did not set: the record gets every callback.
TEST_F(EntryPoints, GetEntryPointsWritesTheCallbacksTheRecordHasRoomFor) {
    EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, NP_GetEntryPoints(nullptr));
    EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, NP_Initialize(nullptr));
    NPPluginFuncs funcs;
    std::memset(&funcs, 0xAB, sizeof(funcs));
    funcs.size = sizeof(funcs);
    funcs.version = 27;
    void* const javaClass = funcs.javaClass;
    void* const later = funcs.gotfocus;
    ASSERT_EQ(NPERR_NO_ERROR, NP_GetEntryPoints(&funcs));
    using namespace FB::Npapi;
    const std::pair<void*, void*> callbacks[] = {{(void*)funcs.newp, (void*)&NPP_New},
                                                 {(void*)funcs.destroy, (void*)&NPP_Destroy},
                                                 {(void*)funcs.setwindow, (void*)&NPP_SetWindow},
                                                 {(void*)funcs.newstream, (void*)&NPP_NewStream},
                                                 {(void*)funcs.destroystream, (void*)&NPP_DestroyStream},
                                                 {(void*)funcs.asfile, (void*)&NPP_StreamAsFile},
                                                 {(void*)funcs.writeready, (void*)&NPP_WriteReady},
                                                 {(void*)funcs.write, (void*)&NPP_Write},
                                                 {(void*)funcs.print, (void*)&NPP_Print},
                                                 {(void*)funcs.event, (void*)&NPP_HandleEvent},
                                                 {(void*)funcs.urlnotify, (void*)&NPP_URLNotify},
                                                 {(void*)funcs.getvalue, (void*)&NPP_GetValue},
                                                 {(void*)funcs.setvalue, (void*)&NPP_SetValue}};
    for (const auto& [given, callback] : callbacks) EXPECT_EQ(callback, given);
    EXPECT_EQ(sizeof(funcs), funcs.size);
    EXPECT_EQ(27, funcs.version);
    EXPECT_EQ(javaClass, funcs.javaClass);
    EXPECT_EQ(later, funcs.gotfocus);

    NPPluginFuncs shortRecord{};
    shortRecord.size = offsetof(NPPluginFuncs, writeready);  // room up to asfile
    EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, NP_GetEntryPoints(&shortRecord));
    EXPECT_NE(nullptr, shortRecord.asfile);
    EXPECT_EQ(nullptr, shortRecord.writeready);
    NPPluginFuncs unsized{};
    EXPECT_EQ(NPERR_NO_ERROR, NP_GetEntryPoints(&unsized));
    EXPECT_EQ(&FB::Npapi::NPP_SetValue, unsized.setvalue);
}

// Each entry is copied when the table's version offers it and the table, whose end lies where
// its size says (a read past it is caught), holds it; some are never copied.
TEST_F(EntryPoints, InitializeCopiesWhatTheTablesVersionOffersAndItsSizeHolds) {
    struct Entry {
        const char* name;
        size_t offset;
        int firstVersion;
    };
    const Entry entries[] = {{"geturl", offsetof(NPNetscapeFuncs, geturl), 0},
                             {"setexception", offsetof(NPNetscapeFuncs, setexception), 0},
                             {"pushpopupsenabledstate", offsetof(NPNetscapeFuncs, pushpopupsenabledstate), 16},
                             {"enumerate", offsetof(NPNetscapeFuncs, enumerate), 18},
                             {"pluginthreadasynccall", offsetof(NPNetscapeFuncs, pluginthreadasynccall), 19},
                             {"construct", offsetof(NPNetscapeFuncs, construct), 0},
                             {"getvalueforurl", offsetof(NPNetscapeFuncs, getvalueforurl), 21},
                             {"getauthenticationinfo", offsetof(NPNetscapeFuncs, getauthenticationinfo), 21},
                             {"unscheduletimer", offsetof(NPNetscapeFuncs, unscheduletimer), 23},
                             {"getJavaEnv", offsetof(NPNetscapeFuncs, getJavaEnv), INT_MAX},
                             {"popupcontextmenu", offsetof(NPNetscapeFuncs, popupcontextmenu), INT_MAX},
                             {"urlredirectresponse", offsetof(NPNetscapeFuncs, urlredirectresponse), INT_MAX}};
    const std::pair<uint16_t, size_t> tables[] = {{15, sizeof(NPNetscapeFuncs)},
                                                  {18, sizeof(NPNetscapeFuncs)},
                                                  {19, sizeof(NPNetscapeFuncs)},
                                                  {21, sizeof(NPNetscapeFuncs)},
                                                  {23, sizeof(NPNetscapeFuncs)},
                                                  {27, sizeof(NPNetscapeFuncs)},
                                                  {27, NP_TABLE_SIZE_THROUGH(NPNetscapeFuncs, setexception)}};
    for (const auto& [version, size] : tables) {
        auto* table = static_cast<unsigned char*>(std::malloc(size));
        for (size_t i = 0; i < size; ++i) table[i] = static_cast<unsigned char>(i | 1);  // every entry distinct
        auto* given = reinterpret_cast<NPNetscapeFuncs*>(table);
        given->version = version;
        given->size = static_cast<uint16_t>(size);
        NP_Initialize(given);
        for (const Entry& entry : entries) {
            void* copied = nullptr;
            std::memcpy(&copied, reinterpret_cast<const char*>(&moduleTable()) + entry.offset, sizeof(copied));
            void* expected = nullptr;
            if (version >= entry.firstVersion && entry.offset + sizeof(void*) <= size) {
                std::memcpy(&expected, table + entry.offset, sizeof(expected));
            }
            EXPECT_EQ(expected, copied) << entry.name << " of version " << version << ", size " << size;
        }
        NP_Shutdown();
        std::free(table);
    }
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
    NPNetscapeFuncs table{};
    table.version = 27;
    table.size = sizeof(table);
    NP_Initialize(&table);
    EXPECT_EQ(starts + 1, factory->startHooks);
    EXPECT_EQ(NPERR_NO_ERROR, NP_Shutdown());
    EXPECT_EQ(NPERR_NO_ERROR, NP_Shutdown());
    EXPECT_EQ(ends + 2, factory->endHooks);
    NP_Initialize(&table);
    EXPECT_EQ(starts + 2, factory->startHooks);
}

}  // namespace
