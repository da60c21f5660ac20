// A registry hive is a JSON file any program of the user may have written. The input is the file.
#include "platform/registry_hive_file.h"

#include "fuzz_scratch.h"

#include <json/value.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>

namespace {

veltrin_fuzz::ScratchFolder* scratch;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static veltrin_fuzz::ScratchFolder folder;
    scratch = &folder;
    setenv("VELTRIN_REGISTRY_DIR", folder.path().c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::ofstream file(scratch->path() / "HKEY_FUZZ.json", std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    Json::Value read;
    const platform::HiveAccess access = platform::accessHive("HKEY_FUZZ", [&](platform::RegistryKey& root) {
        read = root.toJson();
        return false;
    });
    if (access == platform::HiveAccess::Unwritable) __builtin_trap();  // nothing was written
    if (access == platform::HiveAccess::Done) {
        // What was read is kept as it was when the hive is written back and read again.
        const std::optional<platform::RegistryKey> again = platform::RegistryKey::fromJson(read);
        if (!again || again->toJson() != read) __builtin_trap();
    }
    return 0;
}
