// A registry hive is a JSON file any program of the user may have written. The input is the file's
// text, as the hive reader gets it.
#include "platform/registry/registry_hive_file.h"

#include <json/value.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<platform::RegistryKey> hive =
        platform::parseHive(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!hive) return 0;
    // What was read is kept as it was when the hive is written back and read again.
    const Json::Value written = hive->toJson();
    const std::optional<platform::RegistryKey> again = platform::RegistryKey::fromJson(written);
    if (!again || again->toJson() != written) __builtin_trap();
    return 0;
}
