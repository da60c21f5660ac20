#include "tests/npapi/support/test_browser.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace npapi_test {

namespace {

TestBrowser* g_current = nullptr;

TestBrowser& browser() {
    g_current->checkThread();
    return *g_current;
}

PageObject* pageObject(NPObject* object);

// --- the page objects' class ---------------------------------------------------------------

NPObject* pageAllocate(NPP, NPClass*) { return new PageObject(); }

void pageDeallocate(NPObject* object) {
    auto* page = static_cast<PageObject*>(object);
    for (auto& entry : page->properties) browser().releaseVariant(&entry.second);
    delete page;
}

std::string nameOf(NPIdentifier id) {
    const auto* identifier = browser().identifier(id);
    if (!identifier) return "";
    return identifier->isString ? identifier->name : std::to_string(identifier->number);
}

bool pageHasProperty(NPObject* object, NPIdentifier name) {
    return static_cast<PageObject*>(object)->properties.count(nameOf(name)) != 0;
}

bool pageGetProperty(NPObject* object, NPIdentifier name, NPVariant* result) {
    auto* page = static_cast<PageObject*>(object);
    auto found = page->properties.find(nameOf(name));
    if (found == page->properties.end()) {
        VOID_TO_NPVARIANT(*result);
        return true;
    }
    *result = browser().copyVariant(found->second);
    return true;
}

bool pageSetProperty(NPObject* object, NPIdentifier name, const NPVariant* value) {
    if (browser().refusePropertyWrites) return false;
    browser().setProperty(static_cast<PageObject*>(object), nameOf(name), *value);
    return true;
}

bool pageRemoveProperty(NPObject* object, NPIdentifier name) {
    auto* page = static_cast<PageObject*>(object);
    auto found = page->properties.find(nameOf(name));
    if (found == page->properties.end()) return false;
    browser().releaseVariant(&found->second);
    page->properties.erase(found);
    return true;
}

bool pageHasMethod(NPObject* object, NPIdentifier name) {
    auto* page = static_cast<PageObject*>(object);
    auto found = page->properties.find(nameOf(name));
    return found != page->properties.end() && NPVARIANT_IS_OBJECT(found->second) &&
           pageObject(NPVARIANT_TO_OBJECT(found->second)) && pageObject(NPVARIANT_TO_OBJECT(found->second))->body;
}

bool pageInvokeDefault(NPObject* object, const NPVariant* args, uint32_t count, NPVariant* result) {
    VOID_TO_NPVARIANT(*result);
    auto* page = static_cast<PageObject*>(object);
    if (!page->body) return false;
    return page->body(std::vector<NPVariant>(args, args + count), result);
}

bool pageInvoke(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t count, NPVariant* result) {
    TestBrowser& b = browser();
    auto* page = static_cast<PageObject*>(object);
    const std::string method = nameOf(name);
    VOID_TO_NPVARIANT(*result);
    if (page == b.window && (method == "Array" || method == "Object")) {
        OBJECT_TO_NPVARIANT(method == "Array" ? b.makeArray() : b.makeObject(), *result);
        return true;
    }
    if (page->isArray && method == "push" && count == 1) {
        int length = 0;
        auto found = page->properties.find("length");
        if (found != page->properties.end()) length = NPVARIANT_TO_INT32(found->second);
        b.setProperty(page, std::to_string(length), args[0]);
        b.setProperty(page, "length", intVariant(length + 1));
        *result = intVariant(length + 1);
        return true;
    }
    auto found = page->properties.find(method);
    if (found == page->properties.end() || !NPVARIANT_IS_OBJECT(found->second)) return false;
    return b.callObject(NPVARIANT_TO_OBJECT(found->second), std::vector<NPVariant>(args, args + count), result);
}

bool pageEnumerate(NPObject* object, NPIdentifier** identifiers, uint32_t* count) {
    TestBrowser& b = browser();
    auto* page = static_cast<PageObject*>(object);
    *count = static_cast<uint32_t>(page->properties.size());
    *identifiers = static_cast<NPIdentifier*>(b.alloc(*count * sizeof(NPIdentifier) + 1));
    uint32_t i = 0;
    for (const auto& entry : page->properties) (*identifiers)[i++] = b.stringIdentifier(entry.first);
    return true;
}

// No page object here is a constructor: the call is refused, as a page's script refuses "new" on a
// plain object.
bool pageConstruct(NPObject*, const NPVariant*, uint32_t, NPVariant* result) {
    VOID_TO_NPVARIANT(*result);
    return false;
}

NPClass g_pageClass = {NP_CLASS_STRUCT_VERSION,
                       &pageAllocate,
                       &pageDeallocate,
                       nullptr,
                       &pageHasMethod,
                       &pageInvoke,
                       &pageInvokeDefault,
                       &pageHasProperty,
                       &pageGetProperty,
                       &pageSetProperty,
                       &pageRemoveProperty,
                       &pageEnumerate,
                       &pageConstruct};

PageObject* pageObject(NPObject* object) {
    return object && object->_class == &g_pageClass ? static_cast<PageObject*>(object) : nullptr;
}

// --- the table's functions -------------------------------------------------------------------

void* npnMemAlloc(uint32_t size) { return browser().alloc(size); }
void npnMemFree(void* ptr) { browser().free(ptr); }
NPIdentifier npnGetStringIdentifier(const NPUTF8* name) { return name ? browser().stringIdentifier(name) : nullptr; }
NPIdentifier npnGetIntIdentifier(int32_t value) { return browser().intIdentifier(value); }
bool npnIdentifierIsString(NPIdentifier id) {
    const auto* identifier = browser().identifier(id);
    return identifier && identifier->isString;
}
NPUTF8* npnUTF8FromIdentifier(NPIdentifier id) {
    const auto* identifier = browser().identifier(id);
    if (!identifier || !identifier->isString) return nullptr;
    auto* text = static_cast<NPUTF8*>(browser().alloc(static_cast<uint32_t>(identifier->name.size() + 1)));
    std::memcpy(text, identifier->name.c_str(), identifier->name.size() + 1);
    return text;
}
int32_t npnIntFromIdentifier(NPIdentifier id) {
    const auto* identifier = browser().identifier(id);
    return identifier && !identifier->isString ? identifier->number : 0;
}
NPObject* npnCreateObject(NPP, NPClass* aClass) { return browser().createObject(aClass); }
NPObject* npnRetainObject(NPObject* object) {
    browser().retain(object);
    return object;
}
void npnReleaseObject(NPObject* object) { browser().release(object); }
void npnReleaseVariantValue(NPVariant* value) { browser().releaseVariant(value); }
void npnSetException(NPObject*, const NPUTF8* message) { browser().exceptions.push_back(message ? message : ""); }

bool npnInvoke(NPP, NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t count, NPVariant* result) {
    ++browser().objectCalls;
    return object && object->_class->invoke && object->_class->invoke(object, name, args, count, result);
}
bool npnInvokeDefault(NPP, NPObject* object, const NPVariant* args, uint32_t count, NPVariant* result) {
    ++browser().objectCalls;
    return object && object->_class->invokeDefault && object->_class->invokeDefault(object, args, count, result);
}
bool npnGetProperty(NPP, NPObject* object, NPIdentifier name, NPVariant* result) {
    ++browser().objectCalls;
    return object && object->_class->getProperty && object->_class->getProperty(object, name, result);
}
bool npnSetProperty(NPP, NPObject* object, NPIdentifier name, const NPVariant* value) {
    ++browser().objectCalls;
    return object && object->_class->setProperty && object->_class->setProperty(object, name, value);
}
bool npnRemoveProperty(NPP, NPObject* object, NPIdentifier name) {
    ++browser().objectCalls;
    return object && object->_class->removeProperty && object->_class->removeProperty(object, name);
}
bool npnHasProperty(NPP, NPObject* object, NPIdentifier name) {
    ++browser().objectCalls;
    return object && object->_class->hasProperty && object->_class->hasProperty(object, name);
}
bool npnHasMethod(NPP, NPObject* object, NPIdentifier name) {
    ++browser().objectCalls;
    return object && object->_class->hasMethod && object->_class->hasMethod(object, name);
}
bool npnEnumerate(NPP, NPObject* object, NPIdentifier** ids, uint32_t* count) {
    ++browser().objectCalls;
    return object && object->_class->enumerate && object->_class->enumerate(object, ids, count);
}
bool npnConstruct(NPP, NPObject* object, const NPVariant* args, uint32_t count, NPVariant* result) {
    ++browser().objectCalls;
    return object && object->_class->construct && object->_class->construct(object, args, count, result);
}

// The host's relay installer is the one script this page understands: it defines
// window.__FB_CALL_<id>(delay, f, args[, member]), which applies f (or f's member) to the array's
// elements from a timer.
bool npnEvaluate(NPP, NPObject*, NPString* script, NPVariant* result) {
    TestBrowser& b = browser();
    VOID_TO_NPVARIANT(*result);
    const std::string text(script->UTF8Characters, script->UTF8Length);
    b.evaluated.push_back(text);
    const std::string prefix = "window.__FB_CALL_";
    if (text.rfind(prefix, 0) == 0) {
        const std::string name = text.substr(7, text.find(' ') - 7);
        PageObject* relay = b.makeFunction([&b](const std::vector<NPVariant>& args, NPVariant* timerId) {
            if (args.size() < 3 || !NPVARIANT_IS_OBJECT(args[1]) || !NPVARIANT_IS_OBJECT(args[2])) return false;
            NPObject* target = NPVARIANT_TO_OBJECT(args[1]);
            auto* array = static_cast<PageObject*>(NPVARIANT_TO_OBJECT(args[2]));
            std::string member = args.size() > 3 ? stringOf(args[3]) : "";
            std::vector<NPVariant> values;
            const int length = array->properties.count("length") ? NPVARIANT_TO_INT32(array->properties["length"]) : 0;
            for (int i = 0; i < length; ++i) values.push_back(b.copyVariant(array->properties[std::to_string(i)]));
            b.retain(target);
            b.queueTimer([&b, target, member, values]() mutable {
                NPVariant ignored;
                if (member.empty()) {
                    npnInvokeDefault(nullptr, target, values.data(), uint32_t(values.size()), &ignored);
                } else {
                    npnInvoke(nullptr, target, b.stringIdentifier(member), values.data(), uint32_t(values.size()),
                              &ignored);
                }
                b.releaseVariant(&ignored);
                for (NPVariant& value : values) b.releaseVariant(&value);
                b.release(target);
            });
            *timerId = intVariant(static_cast<int32_t>(b.pendingTimers()));
            return true;
        });
        b.setProperty(b.window, name, objectVariant(relay));
        b.release(relay);
    }
    return b.evaluateAnswer;
}

NPError npnGetValue(NPP, NPNVariable variable, void* value) {
    TestBrowser& b = browser();
    NPObject* object = nullptr;
    switch (variable) {
        case NPNVWindowNPObject:
            object = b.window;
            break;
        case NPNVPluginElementNPObject:
            object = b.element;
            break;
        case NPNVnetscapeWindow:
            *static_cast<void**>(value) = b.netscapeWindow;
            return NPERR_NO_ERROR;
        default:
            return NPERR_GENERIC_ERROR;
    }
    if (object) b.retain(object);
    *static_cast<NPObject**>(value) = object;
    return NPERR_NO_ERROR;
}

NPError npnSetValue(NPP, NPPVariable variable, void* value) {
    browser().setValues[variable] = value;
    return NPERR_NO_ERROR;
}

const char* npnUserAgent(NPP) { return browser().userAgent.c_str(); }

NPError npnGetURLNotify(NPP, const char* url, const char*, void* notifyData) {
    TestBrowser& b = browser();
    b.requests.push_back(UrlRequest{url, notifyData, false, ""});
    return b.urlRequestAnswer;
}

NPError npnPostURLNotify(NPP, const char* url, const char*, uint32_t len, const char* buf, NPBool, void* notifyData) {
    TestBrowser& b = browser();
    b.requests.push_back(UrlRequest{url, notifyData, true, std::string(buf, len)});
    return b.urlRequestAnswer;
}

NPError npnGetURL(NPP, const char* url, const char*) {
    browser().requests.push_back(UrlRequest{url, nullptr, false, ""});
    return NPERR_NO_ERROR;
}

NPError npnDestroyStream(NPP, NPStream* stream, NPReason) {
    browser().destroyedStreams.push_back(stream);
    return NPERR_NO_ERROR;
}

NPError npnRequestRead(NPStream*, NPByteRange* ranges) {
    std::vector<NPByteRange> list;
    for (NPByteRange* range = ranges; range; range = range->next) list.push_back(*range);
    browser().readRequests.push_back(list);
    return NPERR_NO_ERROR;
}

// Takes at most writeLimit bytes of each write.
int32_t npnWrite(NPP, NPStream*, int32_t len, void* buffer) {
    TestBrowser& b = browser();
    const int32_t taken = std::min(len, b.writeLimit);
    b.written.emplace_back(static_cast<const char*>(buffer), static_cast<size_t>(taken));
    return taken;
}

void npnInvalidateRect(NPP, NPRect* rect) { browser().invalidated.push_back(*rect); }

void npnPluginThreadAsyncCall(NPP, void (*func)(void*), void* userData) {
    g_current->queueAsyncCall(func, userData);  // any thread
}

NPError npnGetValueForURL(NPP, NPNURLVariable, const char*, char** value, uint32_t* len) {
    TestBrowser& b = browser();
    if (b.proxyAnswerError != NPERR_NO_ERROR) return b.proxyAnswerError;
    *value = static_cast<char*>(b.alloc(static_cast<uint32_t>(b.proxyAnswer.size())));
    std::memcpy(*value, b.proxyAnswer.data(), b.proxyAnswer.size());
    *len = static_cast<uint32_t>(b.proxyAnswer.size());
    return NPERR_NO_ERROR;
}

void npnPushPopups(NPP, NPBool) {}
void npnPopPopups(NPP) {}

}  // namespace

TestBrowser::TestBrowser(uint16_t version, uint16_t size) {
    if (g_current) throw std::logic_error("one test browser at a time");
    g_current = this;
    funcs.version = version;
    funcs.size = size;
    funcs.geturl = &npnGetURL;
    funcs.requestread = &npnRequestRead;
    funcs.write = &npnWrite;
    funcs.destroystream = &npnDestroyStream;
    funcs.uagent = &npnUserAgent;
    funcs.memalloc = &npnMemAlloc;
    funcs.memfree = &npnMemFree;
    funcs.geturlnotify = &npnGetURLNotify;
    funcs.posturlnotify = &npnPostURLNotify;
    funcs.getvalue = &npnGetValue;
    funcs.setvalue = &npnSetValue;
    funcs.invalidaterect = &npnInvalidateRect;
    funcs.getstringidentifier = &npnGetStringIdentifier;
    funcs.getintidentifier = &npnGetIntIdentifier;
    funcs.identifierisstring = &npnIdentifierIsString;
    funcs.utf8fromidentifier = &npnUTF8FromIdentifier;
    funcs.intfromidentifier = &npnIntFromIdentifier;
    funcs.createobject = &npnCreateObject;
    funcs.retainobject = &npnRetainObject;
    funcs.releaseobject = &npnReleaseObject;
    funcs.invoke = &npnInvoke;
    funcs.invokeDefault = &npnInvokeDefault;
    funcs.evaluate = &npnEvaluate;
    funcs.getproperty = &npnGetProperty;
    funcs.setproperty = &npnSetProperty;
    funcs.removeproperty = &npnRemoveProperty;
    funcs.hasproperty = &npnHasProperty;
    funcs.hasmethod = &npnHasMethod;
    funcs.releasevariantvalue = &npnReleaseVariantValue;
    funcs.setexception = &npnSetException;
    funcs.pushpopupsenabledstate = &npnPushPopups;
    funcs.poppopupsenabledstate = &npnPopPopups;
    funcs.enumerate = &npnEnumerate;
    funcs.pluginthreadasynccall = &npnPluginThreadAsyncCall;
    funcs.construct = &npnConstruct;
    funcs.getvalueforurl = &npnGetValueForURL;
    installPage();
}

TestBrowser::~TestBrowser() {
    m_timers.clear();
    for (PageObject* object : {element, document, window}) {
        if (object) release(object);
    }
    g_current = nullptr;
    const std::vector<std::string> faults = m_faults.all();
    for (const std::string& fault : faults) std::fprintf(stderr, "test browser: %s\n", fault.c_str());
    if (!faults.empty()) std::abort();
}

TestBrowser& TestBrowser::current() { return browser(); }

void TestBrowser::installPage() {
    window = makeObject();
    document = makeObject();
    element = makeObject();
    setProperty(window, "document", objectVariant(document));
}

void TestBrowser::checkThread() {
    if (std::this_thread::get_id() != m_mainThread) m_calledOffMainThread = true;
}

void TestBrowser::retain(NPObject* object) {
    if (object) m_objects.retain(object, "NPN_RetainObject");
}

void TestBrowser::release(NPObject* object) {
    if (object) m_objects.release(object, "NPN_ReleaseObject");
}

void* TestBrowser::alloc(uint32_t size) {
    ++m_liveAllocations;
    return std::malloc(size ? size : 1);
}

void TestBrowser::free(void* memory) {
    if (!memory) return;
    --m_liveAllocations;
    std::free(memory);
}

void TestBrowser::releaseVariant(NPVariant* value) {
    if (NPVARIANT_IS_STRING(*value)) free(const_cast<NPUTF8*>(value->value.stringValue.UTF8Characters));
    if (NPVARIANT_IS_OBJECT(*value)) release(NPVARIANT_TO_OBJECT(*value));
    VOID_TO_NPVARIANT(*value);
}

NPVariant TestBrowser::copyVariant(const NPVariant& value) {
    if (NPVARIANT_IS_STRING(value)) {
        return stringVariant(*this,
                             std::string(value.value.stringValue.UTF8Characters, value.value.stringValue.UTF8Length));
    }
    if (NPVARIANT_IS_OBJECT(value)) retain(NPVARIANT_TO_OBJECT(value));
    return value;
}

PageObject* TestBrowser::makeObject() { return static_cast<PageObject*>(createObject(&g_pageClass)); }

PageObject* TestBrowser::makeArray() {
    PageObject* array = makeObject();
    array->isArray = true;
    setProperty(array, "length", intVariant(0));
    return array;
}

PageObject* TestBrowser::makeFunction(PageFunctionBody body) {
    PageObject* function = makeObject();
    function->body = std::move(body);
    return function;
}

void TestBrowser::setProperty(PageObject* object, const std::string& name, const NPVariant& value) {
    NPVariant copy = copyVariant(value);
    auto found = object->properties.find(name);
    if (found != object->properties.end()) {
        releaseVariant(&found->second);
        found->second = copy;
    } else {
        object->properties.emplace(name, copy);
    }
}

bool TestBrowser::callObject(NPObject* object, const std::vector<NPVariant>& args, NPVariant* result) {
    return npnInvokeDefault(&instance, object, args.data(), static_cast<uint32_t>(args.size()), result);
}

void TestBrowser::runTimers() {
    while (!m_timers.empty()) {
        auto timer = std::move(m_timers.front());
        m_timers.pop_front();
        timer();
    }
}

void TestBrowser::queueAsyncCall(void (*func)(void*), void* userData) {
    std::lock_guard<std::mutex> guard(m_asyncLock);
    m_asyncCalls.emplace_back(func, userData);
}

size_t TestBrowser::pendingAsyncCalls() {
    std::lock_guard<std::mutex> guard(m_asyncLock);
    return m_asyncCalls.size();
}

int TestBrowser::runAsyncCalls() {
    int ran = 0;
    for (;;) {
        std::pair<void (*)(void*), void*> call;
        {
            std::lock_guard<std::mutex> guard(m_asyncLock);
            if (m_asyncCalls.empty()) return ran;
            call = m_asyncCalls.front();
            m_asyncCalls.pop_front();
        }
        call.first(call.second);
        ++ran;
    }
}

NPVariant stringVariant(TestBrowser& browser, const std::string& text) {
    auto* bytes = static_cast<NPUTF8*>(browser.alloc(static_cast<uint32_t>(text.size() + 1)));
    std::memcpy(bytes, text.c_str(), text.size() + 1);
    NPVariant value;
    STRINGN_TO_NPVARIANT(bytes, static_cast<uint32_t>(text.size()), value);
    return value;
}

NPVariant intVariant(int32_t value) {
    NPVariant result;
    INT32_TO_NPVARIANT(value, result);
    return result;
}

NPVariant objectVariant(NPObject* object) {
    NPVariant result;
    OBJECT_TO_NPVARIANT(object, result);
    return result;
}

std::string stringOf(const NPVariant& value) {
    if (!NPVARIANT_IS_STRING(value)) return "";
    return std::string(value.value.stringValue.UTF8Characters, value.value.stringValue.UTF8Length);
}

}  // namespace npapi_test
