// Member names from the page become DISPIDs in the process-wide table, and ids from the browser
// turn back into names. Each input is a list of requests: ask the id of a wide or narrow name, ask
// the name of an id, or try to enter a pair. The table keeps its two directions in step, across
// every input of the run: a name's id names that name again, an id never changes its name, and a
// refused entry changes nothing.
#include "activex/dispatch_name_map.h"
#include "scripting/utf8_tools.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;

    bool empty() const { return size == 0; }
    uint8_t byte() {
        if (!size) return 0;
        --size;
        return *data++;
    }
    std::string text() {
        const size_t length = byte() % 24;
        std::string result(reinterpret_cast<const char*>(data), length < size ? length : size);
        data += result.size();
        size -= result.size();
        return result;
    }
    long id() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = (value << 8) | byte();
        return static_cast<int32_t>(value);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FB::TypeIDMap<long>& table = FB::ActiveX::dispatchNameMap;
    static std::map<long, std::wstring> seen;
    Reader input{data, size};
    while (!input.empty()) {
        const uint8_t request = input.byte() % 4;
        if (request == 0 || request == 1) {
            const std::string name = input.text();
            const FB::variant value = request == 0 ? FB::variant(FB::utf8ToWide(name)) : FB::variant(name);
            const long id = table.getIdForValue(value);
            if (table.getIdForValue(value) != id) __builtin_trap();
            const std::wstring named = table.getValueForId(id);
            if (seen.count(id) && seen[id] != named) __builtin_trap();
            seen[id] = named;
        } else if (request == 2) {
            const long id = input.id();
            try {
                const std::wstring named = table.getValueForId(id);
                if (!table.hasId(id)) __builtin_trap();
                if (seen.count(id) && seen[id] != named) __builtin_trap();
            } catch (const FB::bad_variant_cast&) {
                if (table.hasId(id)) __builtin_trap();
            }
        } else {
            const long id = input.id();
            const FB::variant value(input.text());
            const bool known = table.hasId(id);
            try {
                table.setIdForValue(id, value);
                if (known || table.getIdForValue(value) != id) __builtin_trap();
            } catch (const std::runtime_error&) {}
        }
    }
    return 0;
}
