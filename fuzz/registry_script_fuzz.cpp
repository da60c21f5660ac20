// Registry scripts are the module's resources; the parser refuses what it cannot read and bounds
// its nesting whatever the text, so a damaged resource is an error, never a crash.
#include "platform/com/registry_script.h"
#include "platform/text/utf_text.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

size_t depth(const platform::RegistryScriptKey& key) {
    size_t deepest = 0;
    for (const auto& subkey : key.subkeys) deepest = std::max(deepest, depth(subkey));
    return deepest + 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring script = platform::utf8ToWideText(std::string(reinterpret_cast<const char*>(data), size));
    std::string error;
    const auto trees = platform::parseRegistryScript(script, {{L"APPID", L"{A}"}, {L"MODULE", L"C:\\m.dll"}}, error);
    if (!trees) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    for (const auto& tree : *trees) {
        for (const auto& key : tree.keys) {
            if (depth(key) > platform::kMaxRegistryScriptDepth || key.name.empty()) __builtin_trap();
        }
    }
    return 0;
}
