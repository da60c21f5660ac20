// npVeltrin.so as a browser finds it: exactly the system's eight entry points in its dynamic
// symbol table, and the three NPAPI exports answering tables of every kind through dlopen; the
// stand-in browser runs the plug-in with tables of several versions and sizes (a table shorter
// than its version suggests ends there in memory, so a read past its end would be caught).
#include "platform/npapi/npfunctions.h"
#include "tests/support/npapi_browser/stand_in_browser.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

using namespace std::chrono_literals;

namespace {

std::string pluginPath() {
    const char* build = std::getenv("VELTRIN_BUILD_DIR");
    return std::string(build ? build : ".") + "/lib/npVeltrin.so";
}

std::set<std::string> definedDynamicSymbols(const std::string& library) {
    std::set<std::string> names;
    FILE* listing = popen(("nm -D --defined-only " + library).c_str(), "r");
    if (!listing) return names;
    char line[512];
    while (std::fgets(line, sizeof(line), listing)) {
        char kind = 0;
        char name[400] = {};
        if (std::sscanf(line, "%*s %c %399s", &kind, name) == 2 && kind != 'A') names.insert(name);
    }
    pclose(listing);
    return names;
}

TEST(ModuleExports, AreTheSystemsEntryPointsAndNothingElse) {
    const std::set<std::string> entryPoints{"NP_GetEntryPoints",   "NP_Initialize",   "NP_Shutdown",
                                            "DllGetClassObject",   "DllCanUnloadNow", "DllRegisterServer",
                                            "DllUnregisterServer", "DllInstall"};
    const std::set<std::string> exported = definedDynamicSymbols(pluginPath());
    EXPECT_EQ(entryPoints, exported);
}

class LoadedModule : public ::testing::Test {
protected:
    void SetUp() override {
        module = dlopen(pluginPath().c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(nullptr, module) << dlerror();
        getEntryPoints = reinterpret_cast<NP_GetEntryPointsFunc>(dlsym(module, "NP_GetEntryPoints"));
        initialize = reinterpret_cast<NP_InitializeFunc>(dlsym(module, "NP_Initialize"));
        shutdown = reinterpret_cast<NP_ShutdownFunc>(dlsym(module, "NP_Shutdown"));
        ASSERT_TRUE(getEntryPoints && initialize && shutdown);
    }
    void TearDown() override {
        if (module) dlclose(module);
    }

    void* module = nullptr;
    NP_GetEntryPointsFunc getEntryPoints = nullptr;
    NP_InitializeFunc initialize = nullptr;
    NP_ShutdownFunc shutdown = nullptr;
};

TEST_F(LoadedModule, EntryPointsFillTheCallbacksAndRefuseMissingTables) {
    EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, getEntryPoints(nullptr));
    EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, initialize(nullptr));
    NPPluginFuncs funcs{};
    funcs.size = sizeof(funcs);
    funcs.version = 26;
    ASSERT_EQ(NPERR_NO_ERROR, getEntryPoints(&funcs));
    EXPECT_EQ(26, funcs.version);
    for (const void* callback : {(void*)funcs.newp, (void*)funcs.destroy, (void*)funcs.setwindow,
                                 (void*)funcs.newstream, (void*)funcs.destroystream, (void*)funcs.asfile,
                                 (void*)funcs.writeready, (void*)funcs.write, (void*)funcs.print, (void*)funcs.event,
                                 (void*)funcs.urlnotify, (void*)funcs.getvalue, (void*)funcs.setvalue}) {
        EXPECT_NE(nullptr, callback);
    }
    EXPECT_EQ(nullptr, funcs.javaClass);
    EXPECT_EQ(NPERR_NO_ERROR, shutdown());
    EXPECT_EQ(NPERR_NO_ERROR, shutdown());
}

// The plug-in runs its page with the browser's table of each kind, and page script reaches it.
class TableKinds : public ::testing::TestWithParam<std::pair<uint16_t, uint16_t>> {};

TEST_P(TableKinds, ThePluginRunsWithTheTableAsGiven) {
    test_support::BrowserOptions options;
    options.tableVersion = GetParam().first;
    options.tableSize = GetParam().second;
    test_support::StandInBrowser browser(options);
    browser.loadPage(R"(<object id="player" type="application/x-veltrin" width="160" height="120"></object>
<script>var player = document.getElementById('player');</script>)",
                     ".");
    ASSERT_EQ(NPERR_NO_ERROR, browser.instanceResult());
    EXPECT_EQ("V2.28", browser.evaluate("player.Version").text);
    EXPECT_EQ("true", browser.evaluate("typeof player.StartPlay === 'function'").text);
    browser.destroyInstance();
    browser.shutdownPlugin();
    EXPECT_EQ(0u, browser.liveObjectCount());
    EXPECT_EQ(std::vector<std::string>{}, browser.faults());
}

INSTANTIATE_TEST_SUITE_P(
    VersionsAndSizes, TableKinds,
    ::testing::Values(std::make_pair(uint16_t(15), uint16_t(sizeof(NPNetscapeFuncs))),
                      std::make_pair(uint16_t(18), uint16_t(sizeof(NPNetscapeFuncs))),
                      std::make_pair(uint16_t(26), uint16_t(sizeof(NPNetscapeFuncs))),
                      std::make_pair(uint16_t(26), uint16_t(NP_TABLE_SIZE_THROUGH(NPNetscapeFuncs, setexception)))));

}  // namespace
