// One registry hive kept as a JSON file under the registry folder ($VELTRIN_REGISTRY_DIR, else
// $XDG_CONFIG_HOME/veltrin/registry, else ~/.config/veltrin/registry). Every access runs under an
// exclusive lock that spans threads and processes (flock on a lock file beside the hive) and works
// on a fresh read of the file; a change is written to a temporary file that then replaces the hive
// by rename, so that no crash leaves a half-written hive.
#pragma once

#include "platform/registry/registry_key_tree.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

std::filesystem::path registryFolder();

// The hive a hive file's text holds: an empty hive for empty text, nothing for text that does not
// parse or is not a hive.
std::optional<RegistryKey> parseHive(std::string_view text);

enum class HiveAccess { Done, Unreadable, Unwritable };

// Runs change(root) on the hive named fileStem ("HKEY_CURRENT_USER"); change answers whether it
// modified the tree, and only then is the file rewritten. A hive file that cannot be read, does not
// parse or is too large to be one of ours is never touched: the access reports Unreadable.
HiveAccess accessHive(const std::string& fileStem, const std::function<bool(RegistryKey& root)>& change);

}  // namespace platform
