#include "tests/npapi/support/test_plugin.h"

#include "host/events/lifecycle_events.h"
#include "host/events/window_events.h"
#include "host/events/windows_event.h"
#include "scripting/method_wrappers.h"

namespace npapi_test {

int TestPluginCore::liveCores = 0;

TestApi::TestApi() : FB::JSAPIAuto("TestApi") {
    addProperty("Version", FB::make_getter(this, &TestApi::version));
    addMethod("add", FB::make_method(this, &TestApi::add));
    addMethod("fail", FB::make_method(this, &TestApi::fail));
    addMethod("makeChild", FB::make_method(this, &TestApi::makeChild));
}

int TestApi::fail() {
    if (beforeFail) beforeFail();
    throw FB::script_error("failed on purpose");
}

FB::JSAPIPtr TestApi::makeChild() { return std::make_shared<TestApi>(); }

TestPluginCore::TestPluginCore() { ++liveCores; }

TestPluginCore::~TestPluginCore() { --liveCores; }

bool TestPluginCore::handleEvent(FB::PluginEvent* event, FB::PluginEventSource*) {
    if (dynamic_cast<FB::AttachedEvent*>(event)) windowEvents.push_back("attached");
    if (dynamic_cast<FB::DetachedEvent*>(event)) windowEvents.push_back("detached");
    if (dynamic_cast<FB::ResizedEvent*>(event)) windowEvents.push_back("resized");
    if (auto* raw = dynamic_cast<FB::WindowsEvent*>(event)) {
        auto answer = windowsAnswers.find(raw->uMsg);
        if (answer == windowsAnswers.end()) return false;
        raw->lRes = answer->second;
        return true;
    }
    if (dynamic_cast<FB::RefreshEvent*>(event)) {
        windowEvents.push_back("refresh");
        return true;
    }
    return false;
}

std::shared_ptr<FB::Npapi::NpapiPlugin> TestFactory::makeNpapiPluginObject(const std::shared_ptr<FB::BrowserHost>& host,
                                                                           const std::string& mimetype) {
    if (yieldNothing) return nullptr;
    return FB::FactoryBase::makeNpapiPluginObject(host, mimetype);
}

std::shared_ptr<TestFactory> testFactory() {
    static const auto factory = std::make_shared<TestFactory>();
    return factory;
}

}  // namespace npapi_test

FB::FactoryBasePtr sharedFactory() { return npapi_test::testFactory(); }
