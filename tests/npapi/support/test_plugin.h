// The plug-in the binding's unit tests run: the process's factory (these tests link no
// application) makes a small plug-in core whose root scripting object has a read-only "Version",
// a two-argument method, a method that raises a script error and a method that hands out a fresh
// plug-in object. The core records the events its window sends.
#pragma once

#include "host/factory_base.h"
#include "host/plugin_core.h"
#include "platform/base/win_user_types.h"
#include "scripting/jsapi_auto.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace npapi_test {

class TestApi : public FB::JSAPIAuto {
public:
    TestApi();
    std::string version() { return "V2.28"; }
    // Any two integers a page passes: the sum wraps round the 32-bit range rather than overflow.
    int add(int a, int b) { return static_cast<int>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
    int fail();
    // Runs first when "fail" is called.
    std::function<void()> beforeFail;
    // A new plug-in object on every call.
    FB::JSAPIPtr makeChild();
};

class TestPluginCore : public FB::PluginCore {
public:
    TestPluginCore();
    ~TestPluginCore() override;
    bool handleEvent(FB::PluginEvent* event, FB::PluginEventSource* source) override;
    FB::JSAPIPtr makeScriptingObject() override { return std::make_shared<TestApi>(); }

    std::vector<std::string> windowEvents;  // "attached", "detached", "resized", "refresh"
    std::map<UINT, LRESULT> windowsAnswers;  // raw window messages it handles, with its answer
    static int liveCores;
};

class TestFactory : public FB::FactoryBase {
public:
    std::shared_ptr<FB::PluginCore> makePluginObject(const std::string&) override {
        return std::make_shared<TestPluginCore>();
    }
    std::shared_ptr<FB::Npapi::NpapiPlugin> makeNpapiPluginObject(const std::shared_ptr<FB::BrowserHost>& host,
                                                                  const std::string& mimetype) override;
    void processStartHook() override { ++startHooks; }
    void processEndHook() override { ++endHooks; }

    bool yieldNothing = false;
    int startHooks = 0;
    int endHooks = 0;
};

std::shared_ptr<TestFactory> testFactory();

}  // namespace npapi_test
