// The page's values and calls as they reach the plug-in through the NPAPI bridge: every NPVariant
// the browser could hand over (any type tag, any text, objects of the page and of the plug-in)
// converted in and out, and the scriptable object's class-table calls with hostile member names,
// index identifiers and argument lists. One plug-in instance lives in a small in-process browser
// for the whole run; each input is a sequence of operations on it.
#include "npapi/np_javascript_object.h"
#include "tests/npapi/support/plugin_instance.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace npapi_test;

// The input, read front to back; reads past the end give zeros.
class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool done() const { return m_at >= m_size; }
    uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    template <typename T>
    T value() {
        T result{};
        const size_t n = std::min(sizeof(T), m_size - std::min(m_at, m_size));
        std::memcpy(&result, m_data + m_at, n);
        m_at += n;
        return result;
    }
    std::string text() {
        const size_t length = std::min<size_t>(byte(), m_size - std::min(m_at, m_size));
        std::string result(reinterpret_cast<const char*>(m_data + m_at), length);
        m_at += length;
        return result;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

struct World {
    TestBrowser browser;
    PluginInstance instance{browser};
    NPObject* scriptable = instance.scriptable();
    PageObject* function = browser.makeFunction([](const std::vector<NPVariant>&, NPVariant*) { return true; });
    PageObject* array = browser.makeArray();
};

World& world() {
    static World* made = new World();  // lives for the whole run
    return *made;
}

// Member names the plug-in knows, and any other text.
std::string memberName(Input& in) {
    static const char* const known[] = {"add",
                                        "fail",
                                        "echo",
                                        "makeChild",
                                        "fireAlarm",
                                        "Version",
                                        "toString",
                                        "addEventListener",
                                        "removeEventListener",
                                        "getLastException",
                                        "valid",
                                        ""};
    const uint8_t pick = in.byte();
    if (pick < 2 * std::size(known)) return known[pick % std::size(known)];
    return in.text();
}

NPIdentifier identifier(Input& in) {
    TestBrowser& browser = world().browser;
    if (in.byte() % 4 == 0) return browser.id(in.value<int32_t>());
    return browser.id(memberName(in));
}

// A value the browser could pass: any tag, with payload from the input. Objects carry one reference
// for the holder, released by releaseArgument.
NPVariant argument(Input& in) {
    World& w = world();
    NPVariant value;
    value.type = static_cast<NPVariantType>(in.byte() % 9);  // 7 and 8 are no type at all
    switch (value.type) {
        case NPVariantType_Bool:
            value.value.boolValue = in.byte() & 1;
            break;
        case NPVariantType_Int32:
            value.value.intValue = in.value<int32_t>();
            break;
        case NPVariantType_Double:
            value.value.doubleValue = in.value<double>();
            break;
        case NPVariantType_String:
            value = stringVariant(w.browser, in.text());
            break;
        case NPVariantType_Object: {
            NPObject* const objects[] = {w.function, w.array, w.browser.window, w.scriptable, nullptr};
            value.value.objectValue = objects[in.byte() % std::size(objects)];
            w.browser.retain(value.value.objectValue);
            break;
        }
        default:
            value.value.objectValue = nullptr;
            break;
    }
    return value;
}

void releaseArgument(NPVariant& value) {
    if (value.type == NPVariantType_String || value.type == NPVariantType_Object)
        world().browser.releaseVariant(&value);
}

std::vector<NPVariant> arguments(Input& in) {
    std::vector<NPVariant> list(in.byte() % 5);
    for (NPVariant& value : list) value = argument(in);
    return list;
}

// One class-table call on the scriptable object (or on what one of its members holds).
void callMember(Input& in) {
    World& w = world();
    NPObject* target = w.scriptable;
    NPVariant held;
    VOID_TO_NPVARIANT(held);
    if (in.byte() & 1 && target->_class->getProperty(target, identifier(in), &held) && NPVARIANT_IS_OBJECT(held) &&
        NPVARIANT_TO_OBJECT(held)) {
        target = NPVARIANT_TO_OBJECT(held);
    }
    std::vector<NPVariant> args = arguments(in);
    NPVariant result;
    VOID_TO_NPVARIANT(result);
    NPClass& cls = *target->_class;
    switch (in.byte() % 9) {
        case 0:
            cls.hasMethod(target, identifier(in));
            break;
        case 1:
            cls.hasProperty(target, identifier(in));
            break;
        case 2:
            cls.getProperty(target, identifier(in), &result);
            break;
        case 3:
            if (!args.empty()) cls.setProperty(target, identifier(in), &args[0]);
            break;
        case 4:
            cls.removeProperty(target, identifier(in));
            break;
        case 5:
            cls.invoke(target, identifier(in), args.data(), static_cast<uint32_t>(args.size()), &result);
            break;
        case 6:
            cls.invokeDefault(target, args.data(), static_cast<uint32_t>(args.size()), &result);
            break;
        case 7: {
            NPIdentifier* ids = nullptr;
            uint32_t count = 0;
            if (cls.enumerate(target, &ids, &count)) w.browser.free(ids);
            break;
        }
        default:
            cls.construct(target, args.data(), static_cast<uint32_t>(args.size()), &result);
            break;
    }
    w.browser.releaseVariant(&result);
    for (NPVariant& value : args) releaseArgument(value);
    w.browser.releaseVariant(&held);
}

// A browser value into the plug-in and back out.
void roundTrip(Input& in) {
    World& w = world();
    NPVariant value = argument(in);
    const FB::variant converted = w.instance.host()->getVariant(&value);
    NPVariant back;
    try {
        w.instance.host()->getNPVariant(&back, converted);
        w.browser.releaseVariant(&back);
    } catch (const std::exception&) {}
    releaseArgument(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World& w = world();
    Input in(data, size);
    for (int operations = 0; !in.done() && operations < 64; ++operations) {
        if (in.byte() & 1) {
            roundTrip(in);
        } else {
            callMember(in);
        }
    }
    // Events and deferred calls the operations queued run before the next input.
    w.browser.runTimers();
    w.browser.runAsyncCalls();
    return 0;
}
