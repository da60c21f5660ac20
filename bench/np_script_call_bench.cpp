// Cost of one page-script call through the NPAPI bridge against calling the C++ method directly:
// reading "Version", and calling a two-argument method as page script does (the method read as a
// property, its function object called). The plug-in is the application's own, loaded into the
// binding tests' small in-process browser; the method, "SetAreaHideFlag", does nothing without a
// camera view, so what is measured is the bridge.
#include "app/api/veltrin_api.h"
#include "host/plugin_core.h"
#include "npapi/npp_callbacks.h"
#include "tests/npapi/support/test_browser.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using npapi_test::TestBrowser;

// One plug-in instance for the whole run, as a browser makes it.
struct Instance {
    Instance() {
        pluginFuncs.size = sizeof(pluginFuncs);
        NP_GetEntryPoints(&pluginFuncs);
        NP_Initialize(&browser.funcs);
        char type[] = "application/x-veltrin";
        pluginFuncs.newp(type, &browser.instance, NP_EMBED, 0, nullptr, nullptr, nullptr);
        pluginFuncs.getvalue(&browser.instance, NPPVpluginScriptableNPObject, &scriptable);
        api = std::static_pointer_cast<VeltrinAPI>(
            FB::Npapi::getPlugin(&browser.instance)->pluginCore()->rootScriptingObject());
    }
    ~Instance() {
        api.reset();
        browser.release(scriptable);
        pluginFuncs.destroy(&browser.instance, nullptr);
        NP_Shutdown();
    }

    TestBrowser browser;
    NPPluginFuncs pluginFuncs{};
    NPObject* scriptable = nullptr;
    std::shared_ptr<VeltrinAPI> api;
};

Instance& instance() {
    static Instance made;
    return made;
}

void VersionDirect(benchmark::State& state) {
    VeltrinAPI& api = *instance().api;
    for (auto _ : state) benchmark::DoNotOptimize(api.get_Version());
}
BENCHMARK(VersionDirect);

void VersionThroughScriptingObject(benchmark::State& state) {
    VeltrinAPI& api = *instance().api;
    for (auto _ : state) benchmark::DoNotOptimize(api.GetProperty("Version"));
}
BENCHMARK(VersionThroughScriptingObject);

void VersionThroughBridge(benchmark::State& state) {
    Instance& in = instance();
    const NPIdentifier version = in.browser.id("Version");
    for (auto _ : state) {
        NPVariant result;
        in.scriptable->_class->getProperty(in.scriptable, version, &result);
        in.browser.releaseVariant(&result);
    }
}
BENCHMARK(VersionThroughBridge);

void TwoArgumentMethodDirect(benchmark::State& state) {
    VeltrinAPI& api = *instance().api;
    for (auto _ : state) {
        api.SetAreaHideFlag(1, 0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(TwoArgumentMethodDirect);

void TwoArgumentMethodThroughScriptingObject(benchmark::State& state) {
    VeltrinAPI& api = *instance().api;
    const FB::VariantList args{1, 0};
    for (auto _ : state) benchmark::DoNotOptimize(api.Invoke("SetAreaHideFlag", args));
}
BENCHMARK(TwoArgumentMethodThroughScriptingObject);

// What page script's obj.SetAreaHideFlag(1, 0) costs: the property read that gives the method's
// function object, its call, and the release of both.
void TwoArgumentMethodThroughBridge(benchmark::State& state) {
    Instance& in = instance();
    const NPIdentifier method = in.browser.id("SetAreaHideFlag");
    NPVariant args[2];
    INT32_TO_NPVARIANT(1, args[0]);
    INT32_TO_NPVARIANT(0, args[1]);
    for (auto _ : state) {
        NPVariant function;
        in.scriptable->_class->getProperty(in.scriptable, method, &function);
        NPObject* callable = NPVARIANT_TO_OBJECT(function);
        NPVariant result;
        callable->_class->invokeDefault(callable, args, 2, &result);
        in.browser.releaseVariant(&result);
        in.browser.releaseVariant(&function);
    }
}
BENCHMARK(TwoArgumentMethodThroughBridge);

// The same call while the page keeps the function object, as a page that calls it often may.
void TwoArgumentMethodThroughKeptFunction(benchmark::State& state) {
    Instance& in = instance();
    NPVariant function;
    in.scriptable->_class->getProperty(in.scriptable, in.browser.id("SetAreaHideFlag"), &function);
    NPObject* callable = NPVARIANT_TO_OBJECT(function);
    NPVariant args[2];
    INT32_TO_NPVARIANT(1, args[0]);
    INT32_TO_NPVARIANT(0, args[1]);
    for (auto _ : state) {
        NPVariant result;
        callable->_class->invokeDefault(callable, args, 2, &result);
        in.browser.releaseVariant(&result);
    }
    in.browser.releaseVariant(&function);
}
BENCHMARK(TwoArgumentMethodThroughKeptFunction);

}  // namespace
