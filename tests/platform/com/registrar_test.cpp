// The registrar's script language and what running a script does to the registry: keys with
// default and named values, string and number values, replacements, per-user classes, the removal
// rules (NoRemove, ForceRemove, Delete, plain), and scripts that do not parse.
#include "platform/com/registrar.h"
#include "platform/com/registry_script.h"
#include "platform/registry/win_registry.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {

using platform::KeyRemoval;
using platform::parseRegistryScript;

bool keyExists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::wstring text(HKEY root, const std::wstring& path, const wchar_t* name = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return L"<no key>";
    wchar_t value[256] = {};
    DWORD bytes = sizeof(value) - sizeof(wchar_t);
    const LSTATUS status = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &bytes);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::wstring(value) : L"<no value>";
}

TEST(RegistryScript, ReadsKeysValuesFlagsAndReplacements) {
    std::string error;
    const auto trees = parseRegistryScript(
        LR"(HKCR {
        NoRemove CLSID {
            ForceRemove '{x}' = s 'It''s %NAME%' {
                val Count = d '0x10'
                val Plain = s '100%%'
                Delete Old
            }
        }
    }
    HKEY_CURRENT_USER { Software })",
        {{L"NAME", L"named"}}, error);
    ASSERT_TRUE(trees) << error;
    ASSERT_EQ(2u, trees->size());
    EXPECT_EQ(platform::RegistryScriptRoot::ClassesRoot, (*trees)[0].root);
    const auto& clsid = (*trees)[0].keys.at(0);
    EXPECT_EQ(KeyRemoval::NoRemove, clsid.removal);
    const auto& key = clsid.subkeys.at(0);
    EXPECT_EQ(L"{x}", key.name);
    EXPECT_EQ(KeyRemoval::ForceRemove, key.removal);
    EXPECT_EQ(L"It's named", key.defaultValue->text);
    EXPECT_TRUE(key.values.at(0).isNumber);
    EXPECT_EQ(16u, key.values.at(0).number);
    EXPECT_EQ(L"100%", key.values.at(1).text);
    EXPECT_EQ(KeyRemoval::Delete, key.subkeys.at(0).removal);
    EXPECT_EQ(platform::RegistryScriptRoot::CurrentUser, (*trees)[1].root);
}

TEST(RegistryScript, RefusesWhatDoesNotParse) {
    for (const wchar_t* script : {L"HKCR { a = s 'x' ", L"HKXX { }", L"HKCR { a = s 'unterminated }",
                                  L"HKCR { a = s '%MISSING%' }", L"HKCR { a = q 'x' }", L"HKCR { a = d '4294967296' }",
                                  L"HKCR { a = d 'ten' }", L"HKCR { 'a\\b' }", L"HKCR { a { val } }", L"HKCR { '' }"}) {
        std::string error;
        EXPECT_FALSE(parseRegistryScript(script, {}, error)) << std::string(script, script + std::wcslen(script));
        EXPECT_FALSE(error.empty());
    }
    std::wstring deep = L"HKCR {";
    for (int i = 0; i < 100; ++i) deep += L" k {";
    for (int i = 0; i < 100; ++i) deep += L" }";
    std::string error;
    EXPECT_FALSE(parseRegistryScript(deep + L" }", {}, error));
}

class RegistrarTest : public ::testing::Test {
protected:
    test_support::ScopedMachineFolders folders;
    platform::Registrar registrar;
};

TEST_F(RegistrarTest, PerUserClassesGoUnderTheUsersSoftwareClasses) {
    registrar.setPerUser(true);
    ASSERT_EQ(S_OK, registrar.stringRegister(L"HKCR { Thing = s 'one' { val N = d '7' } } HKLM { Software { M } }"));
    EXPECT_EQ(L"one", text(HKEY_CURRENT_USER, L"Software\\Classes\\Thing"));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Thing"));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, L"Software\\M"));
    ASSERT_EQ(S_OK, registrar.stringUnregister(L"HKCR { Thing = s 'one' { val N = d '7' } }"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, L"Software\\Classes\\Thing"));
}

TEST_F(RegistrarTest, RemovalFollowsEachKeysRule) {
    const wchar_t* script =
        LR"(HKCU {
        NoRemove Kept { val Mine = s 'm' Plain { Leaf } ForceRemove Forced { Inner } }
        Shared { Ours }
    })";
    ASSERT_EQ(S_OK, registrar.stringRegister(script));
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Kept\\Forced\\Foreign", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegCloseKey(key);
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Shared\\Theirs", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegCloseKey(key);
    ASSERT_EQ(S_OK, registrar.stringUnregister(script));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, L"Kept"));  // NoRemove: kept, its named value goes
    EXPECT_EQ(L"<no value>", text(HKEY_CURRENT_USER, L"Kept", L"Mine"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, L"Kept\\Plain"));    // plain and empty: removed
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, L"Kept\\Forced"));   // ForceRemove: with what others added
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, L"Shared\\Theirs"));  // plain, still holding another's key
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, L"Shared\\Ours"));
    // Removing what is not there is no failure.
    EXPECT_EQ(S_OK, registrar.stringUnregister(script));
}

TEST_F(RegistrarTest, ForceRemoveStartsAfreshAndDeleteRemovesWhenRegistering) {
    ASSERT_EQ(S_OK, registrar.stringRegister(L"HKCU { ForceRemove F { Old } Gone { X } }"));
    ASSERT_EQ(S_OK, registrar.stringRegister(L"HKCU { ForceRemove F { New } Delete Gone }"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, L"F\\Old"));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, L"F\\New"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, L"Gone"));
}

TEST_F(RegistrarTest, ABadScriptOrAMissingResourceFailsAndWritesNothing) {
    EXPECT_EQ(E_FAIL, registrar.stringRegister(L"HKCU { A = s '%UNKNOWN%' }"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, L"A"));
    EXPECT_EQ(E_FAIL, registrar.resourceRegister(nullptr, 101, L"REGISTRY"));
}

}  // namespace
