// Type-checked reading of JSON members for the analytics documents. None of these throws. Each
// stores the value and answers true only when the types fit, and otherwise answers false and
// leaves the destination as it was. A container fits when it is of the type named or null, and a
// missing member reads as null, so that an absent part of a document reads as empty.
#pragma once

#include <json/value.h>

#include <cstdint>

// The member must be an object or null; the key must not be empty.
bool GetJsonObjectMember(const Json::Value& container, const char* key, Json::Value* member);
// The member must be an array or null.
bool GetJsonArrayMember(const Json::Value& container, const char* key, Json::Value* member);
// The container must be an array or null, the element an object or null (past the end: null).
bool GetJsonArrayElement(const Json::Value& container, Json::ArrayIndex index, Json::Value* element);
// The member must be a JSON int within the signed 32-bit range; a real is refused.
bool GetJsonIntMember(const Json::Value& container, const char* key, int32_t* value);
// The member must be a JSON real; an int is refused.
bool GetJsonDoubleMember(const Json::Value& container, const char* key, double* value);
bool GetJsonFloatMember(const Json::Value& container, const char* key, float* value);
