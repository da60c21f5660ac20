// Reading a page array or a page object's members into the plug-in's own lists and maps. Errors of
// the page are passed on as plain script errors with the page's message.
#include <climits>
#include <string>
#include <vector>

#include "scripting/js_object.h"

namespace FB {
namespace {

// Reads "length" and then every index below it, passing each value read to append.
template <class Append>
void readArray(const JSObjectPtr& array, Append append) {
    if (!array) return;
    try {
        const long length = array->GetProperty("length").convertTo<long>();
        // Indices are int: a page length beyond that range cannot be read past INT_MAX.
        for (long index = 0; index < length && index <= INT_MAX; ++index) {
            append(array->GetProperty(static_cast<int>(index)));
        }
    } catch (const script_error& error) {
        throw script_error(error.what());
    }
}

}  // namespace

void JSObject::readArrayValues(const JSObjectPtr& src, VariantList& dst) {
    readArray(src, [&dst](const variant& element) { dst.push_back(element); });
}

void JSObject::readArrayObjects(const JSObjectPtr& src, std::vector<JSObjectPtr>& dst) {
    readArray(src, [&dst](const variant& element) { dst.push_back(element.convertTo<JSObjectPtr>()); });
}

void JSObject::readObjectValues(const JSObjectPtr& src, VariantMap& dst) {
    if (!src) return;
    try {
        std::vector<std::string> names;
        src->listMemberNames(names);
        for (const std::string& name : names) {
            // A name already in the map keeps its earlier value.
            dst.emplace(name, src->GetProperty(name));
        }
    } catch (const script_error& error) {
        throw script_error(error.what());
    }
}

}  // namespace FB
