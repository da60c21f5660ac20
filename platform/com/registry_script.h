// The registrar's script language: the registry keys a COM server writes and removes, as a tree
// under the root keys, with default and named values and the removal rule of each key.
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove '{...}' = s 'Name'
//           {
//               val AppID = s '%APPID%'
//               InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Apartment' }
//           }
//       }
//   }
//
// Names are bare words, braced identifiers ({...}) or quoted strings. Strings are quoted with ' (a doubled '' stands for one); %NAME% is replaced by the value given for
// NAME (%% is one %), and a name without a value makes the script invalid. Values are s (string)
// or d (number, decimal or 0x hex). Keys are NoRemove (kept on removal, only their content is
// removed), ForceRemove (deleted with everything below before they are written, and deleted
// whole on removal), Delete (deleted when registering, not written) or plain (removed when nothing
// is left below them).
#pragma once

#include "platform/base/win_types.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct RegistryScriptValue {
    std::wstring name;  // empty for the key's default value
    bool isNumber = false;
    std::wstring text;
    DWORD number = 0;
};

enum class KeyRemoval { Plain, NoRemove, ForceRemove, Delete };

struct RegistryScriptKey {
    std::wstring name;
    KeyRemoval removal = KeyRemoval::Plain;
    std::optional<RegistryScriptValue> defaultValue;
    std::vector<RegistryScriptValue> values;
    std::vector<RegistryScriptKey> subkeys;
};

enum class RegistryScriptRoot { ClassesRoot, CurrentUser, LocalMachine };

struct RegistryScriptTree {
    RegistryScriptRoot root;
    std::vector<RegistryScriptKey> keys;
};

// Bounds on what a script may hold, so that no text makes the parser recurse or allocate without end.
constexpr size_t kMaxRegistryScriptLength = 1 << 20;
constexpr size_t kMaxRegistryScriptDepth = 32;

// The script's trees; nullopt, with the reason in `error`, for a script that does not parse.
std::optional<std::vector<RegistryScriptTree>> parseRegistryScript(std::wstring_view script,
                                                                   const std::map<std::wstring, std::wstring>& replacements,
                                                                   std::string& error);

}  // namespace platform
