// A small NPAPI browser for the binding's unit tests: a complete NPNetscapeFuncs table over
// in-process identifiers, reference-counted objects and page objects (plain objects, arrays and
// functions written in C++), with every request the plug-in makes recorded for the test. The
// thread that makes it is the browser's main thread; asynchronous calls wait in a queue the test
// runs by hand. One browser at a time: the NPN functions find it as the current one. An object
// retained or released once too often ends the test program when the browser goes.
#pragma once

#include "platform/npapi/npfunctions.h"
#include "tests/support/npapi_browser/browser_identifiers.h"
#include "tests/support/npapi_browser/browser_objects.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace npapi_test {

class TestBrowser;

// What a page function does with its arguments; false makes the browser report a failed call.
using PageFunctionBody = std::function<bool(const std::vector<NPVariant>& args, NPVariant* result)>;

// An object of the page: named properties (NPVariant values owned by the object) and, for a
// function, a body run when the object is called.
struct PageObject : NPObject {
    std::map<std::string, NPVariant> properties;
    PageFunctionBody body;
    bool isArray = false;
};

struct UrlRequest {
    std::string url;
    void* notifyData = nullptr;
    bool post = false;
    std::string body;
};

class TestBrowser {
public:
    explicit TestBrowser(uint16_t version = 27, uint16_t size = sizeof(NPNetscapeFuncs));
    ~TestBrowser();
    TestBrowser(const TestBrowser&) = delete;
    TestBrowser& operator=(const TestBrowser&) = delete;

    static TestBrowser& current();

    NPNetscapeFuncs funcs{};
    NPP_t instance{};
    std::string userAgent = "TestBrowser/1.0";

    // Page objects; each is made with one reference, which the browser keeps until it goes.
    PageObject* window = nullptr;
    PageObject* document = nullptr;
    PageObject* element = nullptr;
    PageObject* makeObject();
    PageObject* makeArray();
    PageObject* makeFunction(PageFunctionBody body);
    // Sets a property to a copy of value (strings copied, objects retained).
    void setProperty(PageObject* object, const std::string& name, const NPVariant& value);
    // The browser's own call of an object (the page's script calling it).
    bool callObject(NPObject* object, const std::vector<NPVariant>& args, NPVariant* result);

    // Objects made through the table and not yet deallocated, the browser's own included.
    int liveObjects() const { return static_cast<int>(m_objects.liveCount()); }
    int liveAllocations() const { return m_liveAllocations; }

    // What the plug-in asked for.
    int objectCalls = 0;  // NPN calls on objects: invoke, construct, property and method queries
    std::vector<std::string> exceptions;
    std::vector<std::string> evaluated;
    std::vector<UrlRequest> requests;
    std::vector<NPRect> invalidated;
    std::vector<std::vector<NPByteRange>> readRequests;
    std::vector<NPStream*> destroyedStreams;
    std::vector<std::string> written;  // the bytes the browser took of each NPN_Write
    std::map<int, void*> setValues;
    // Answers the test chooses.
    NPError urlRequestAnswer = NPERR_NO_ERROR;
    bool evaluateAnswer = true;
    bool refusePropertyWrites = false;  // every page object refuses NPN_SetProperty
    NPError proxyAnswerError = NPERR_NO_ERROR;
    std::string proxyAnswer = "DIRECT";
    void* netscapeWindow = nullptr;
    int32_t writeLimit = INT32_MAX;  // the most bytes of one NPN_Write the browser takes

    // The page's call relay the host installs: (delay, function, array[, member]) calls are
    // queued as timers and run by runTimers.
    void runTimers();
    size_t pendingTimers() const { return m_timers.size(); }

    // Runs the queued asynchronous calls on the calling (main) thread; answers how many ran.
    int runAsyncCalls();
    size_t pendingAsyncCalls();
    bool calledOffMainThread() const { return m_calledOffMainThread; }

    // Identifier helpers for tests.
    NPIdentifier id(const std::string& name) { return funcs.getstringidentifier(name.c_str()); }
    NPIdentifier id(int32_t index) { return funcs.getintidentifier(index); }

    // The browser's side of the NPN functions (public so the table's plain functions reach them).
    NPIdentifier stringIdentifier(const std::string& name) { return m_identifiers.forName(name); }
    NPIdentifier intIdentifier(int32_t value) { return m_identifiers.forNumber(value); }
    const test_support::IdentifierRecord* identifier(NPIdentifier id) const { return m_identifiers.find(id); }
    NPObject* createObject(NPClass* aClass) { return m_objects.create(&instance, aClass); }
    void retain(NPObject* object);
    void release(NPObject* object);
    void* alloc(uint32_t size);
    void free(void* memory);
    void releaseVariant(NPVariant* value);
    NPVariant copyVariant(const NPVariant& value);
    void checkThread();
    void queueAsyncCall(void (*func)(void*), void* userData);
    void queueTimer(std::function<void()> timer) { m_timers.push_back(std::move(timer)); }

private:
    void installPage();

    test_support::BrowserIdentifiers m_identifiers;
    test_support::BrowserFaults m_faults;  // objects retained or released once too often
    test_support::BrowserObjects m_objects{m_faults};
    int m_liveAllocations = 0;
    std::thread::id m_mainThread = std::this_thread::get_id();
    bool m_calledOffMainThread = false;
    std::mutex m_asyncLock;
    std::deque<std::pair<void (*)(void*), void*>> m_asyncCalls;
    std::deque<std::function<void()>> m_timers;
};

// Variant helpers.
NPVariant stringVariant(TestBrowser& browser, const std::string& text);
NPVariant intVariant(int32_t value);
NPVariant objectVariant(NPObject* object);
std::string stringOf(const NPVariant& value);

}  // namespace npapi_test
