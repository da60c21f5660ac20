#include "app/analysis/json_members.h"

#include "app/analysis/saturating_conversion.h"

#include <cstring>

namespace {

// The member of an object, or null for a missing member or a null container; nothing for a key
// that cannot name a member or a container that has no members.
const Json::Value* MemberOf(const Json::Value& container, const char* key) {
    if (key == nullptr || key[0] == '\0') return nullptr;
    if (container.isNull()) return &Json::Value::nullSingleton();
    if (!container.isObject()) return nullptr;
    const Json::Value* found = container.find(key, key + std::strlen(key));
    return found != nullptr ? found : &Json::Value::nullSingleton();
}

}  // namespace

bool GetJsonObjectMember(const Json::Value& container, const char* key, Json::Value* member) {
    const Json::Value* found = MemberOf(container, key);
    if (found == nullptr || !(found->isObject() || found->isNull())) return false;
    *member = *found;
    return true;
}

bool GetJsonArrayMember(const Json::Value& container, const char* key, Json::Value* member) {
    const Json::Value* found = MemberOf(container, key);
    if (found == nullptr || !(found->isArray() || found->isNull())) return false;
    *member = *found;
    return true;
}

bool GetJsonArrayElement(const Json::Value& container, Json::ArrayIndex index, Json::Value* element) {
    if (container.isNull() || (container.isArray() && index >= container.size())) {
        *element = Json::Value();
        return true;
    }
    if (!container.isArray()) return false;
    const Json::Value& found = container[index];
    if (!(found.isObject() || found.isNull())) return false;
    *element = found;
    return true;
}

bool GetJsonIntMember(const Json::Value& container, const char* key, int32_t* value) {
    const Json::Value* found = MemberOf(container, key);
    if (found == nullptr || found->type() != Json::intValue || !found->isInt()) return false;
    *value = found->asInt();
    return true;
}

bool GetJsonDoubleMember(const Json::Value& container, const char* key, double* value) {
    const Json::Value* found = MemberOf(container, key);
    if (found == nullptr || found->type() != Json::realValue) return false;
    *value = found->asDouble();
    return true;
}

bool GetJsonFloatMember(const Json::Value& container, const char* key, float* value) {
    double wide = 0.0;
    if (!GetJsonDoubleMember(container, key, &wide)) return false;
    *value = SaturatingFloat(wide);
    return true;
}
