#include "platform/registry/registry_key_tree.h"

#include "platform/text/utf_text.h"

namespace platform {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

std::string toHex(const std::vector<BYTE>& bytes) {
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (BYTE b : bytes) {
        hex.push_back(kHexDigits[b >> 4]);
        hex.push_back(kHexDigits[b & 15]);
    }
    return hex;
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::vector<BYTE>> fromHex(const std::string& hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    std::vector<BYTE> bytes;
    bytes.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = hexDigitValue(hex[i]);
        const int low = hexDigitValue(hex[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<BYTE>(high * 16 + low));
    }
    return bytes;
}

std::optional<RegistryValue> valueFromJson(const std::string& name, const Json::Value& json) {
    if (!json.isObject() || !json["type"].isUInt() || !json["data"].isString()) return std::nullopt;
    auto data = fromHex(json["data"].asString());
    if (!data) return std::nullopt;
    return RegistryValue{utf8ToWideText(name), json["type"].asUInt(), std::move(*data)};
}

}  // namespace

std::wstring foldRegistryName(std::wstring_view name) {
    std::wstring folded(name);
    for (wchar_t& c : folded) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return folded;
}

std::vector<std::wstring> splitRegistryPath(const WCHAR* path) {
    std::vector<std::wstring> levels;
    if (!path) return levels;
    std::wstring level;
    for (const WCHAR* p = path; *p; ++p) {
        if (*p != L'\\') {
            level.push_back(*p);
        } else if (!level.empty()) {
            levels.push_back(std::move(level));
            level.clear();
        }
    }
    if (!level.empty()) levels.push_back(std::move(level));
    return levels;
}

RegistryKey* RegistryKey::find(const std::vector<std::wstring>& path) {
    RegistryKey* key = this;
    for (const auto& level : path) {
        auto it = key->subkeys.find(foldRegistryName(level));
        if (it == key->subkeys.end()) return nullptr;
        key = &it->second;
    }
    return key;
}

RegistryKey& RegistryKey::create(const std::vector<std::wstring>& path, bool& created) {
    RegistryKey* key = this;
    created = false;
    for (const auto& level : path) {
        auto [it, inserted] = key->subkeys.try_emplace(foldRegistryName(level));
        if (inserted) it->second.name = level;
        created = inserted;
        key = &it->second;
    }
    return *key;
}

Json::Value RegistryKey::toJson() const {
    Json::Value json(Json::objectValue);
    Json::Value keys(Json::objectValue);
    for (const auto& [folded, sub] : subkeys) keys[wideToUtf8Text(sub.name)] = sub.toJson();
    Json::Value vals(Json::objectValue);
    for (const auto& [folded, value] : values) {
        Json::Value v(Json::objectValue);
        v["type"] = value.type;
        v["data"] = toHex(value.data);
        vals[wideToUtf8Text(value.name)] = v;
    }
    json["keys"] = keys;
    json["values"] = vals;
    return json;
}

std::optional<RegistryKey> RegistryKey::fromJson(const Json::Value& json) {
    if (!json.isObject()) return std::nullopt;
    RegistryKey key;
    const Json::Value& keys = json["keys"];
    const Json::Value& vals = json["values"];
    if (!(keys.isNull() || keys.isObject()) || !(vals.isNull() || vals.isObject())) return std::nullopt;
    for (const auto& name : keys.getMemberNames()) {
        auto sub = fromJson(keys[name]);
        if (!sub) return std::nullopt;
        sub->name = utf8ToWideText(name);
        key.subkeys[foldRegistryName(sub->name)] = std::move(*sub);
    }
    for (const auto& name : vals.getMemberNames()) {
        auto value = valueFromJson(name, vals[name]);
        if (!value) return std::nullopt;
        key.values[foldRegistryName(value->name)] = std::move(*value);
    }
    return key;
}

}  // namespace platform
