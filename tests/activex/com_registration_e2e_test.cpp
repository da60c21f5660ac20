// npVeltrin.so registers itself as a COM class from the two registry scripts and the type library
// it carries: per user (HKCR written under HKCU\Software\Classes) unless the process is the
// installer's harvesting tool, every key and value of both scripts, removal that keeps the
// NoRemove parents, DllInstall's "user" command line, and the factory's fallback that writes and
// removes the control's own keys when the module's registration fails.
#include "platform/module/win_module_testing.h"
#include "platform/registry/win_registry_testing.h"
#include "platform/text/win_locale.h"
#include "scripting/utf8_tools.h"
#include "tests/activex/support/registry_reader.h"
#include "tests/support/activex_container/com_server_library.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

using activex_test::keyExists;
using activex_test::numberValue;
using activex_test::stringValue;
using test_support::ComServerLibrary;

const std::wstring kClsid = L"{b870b429-16d7-5cc7-86cc-57d84221068a}";
const std::wstring kAppId = L"{B415CD14-B45D-4BCA-B552-B06175C38606}";
const std::wstring kLibId = L"{56226C0D-ABDF-5B6C-A2F6-71A08D251410}";
const std::wstring kUserClasses = L"Software\\Classes\\";
const std::wstring kExt = L"Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\";

std::wstring modulePath() {
    return FB::utf8ToWide(std::filesystem::canonical(test_support::PluginLibrary::builtPlugin()).string());
}

class ComRegistration : public ::testing::Test {
protected:
    void TearDown() override { platform::testing::setExecutablePath(L""); }

    test_support::ScopedMachineFolders folders;
    ComServerLibrary library;
};

TEST_F(ComRegistration, WritesEveryKeyAndValueOfBothScriptsForTheUser) {
    SetThreadLocale(0x804);
    ASSERT_EQ(S_OK, library.registerServer());
    EXPECT_EQ(0x804u, GetThreadLocale());  // the system's locale only while registering
    const std::wstring control = kUserClasses + L"CLSID\\" + kClsid;
    const std::wstring mime = kUserClasses + L"MIME\\Database\\Content Type\\application/x-veltrin";
    const std::wstring typeLib = kUserClasses + L"TypeLib\\" + kLibId + L"\\1.0";
    struct Value {
        std::wstring key;
        const wchar_t* name;  // the default value when null
        std::wstring text;
    };
    const Value values[] = {
        {kUserClasses + L"AppID\\" + kAppId, nullptr, L"PluginWin"},
        {kUserClasses + L"AppID\\npVeltrin.so", L"AppID", kAppId},
        {kUserClasses + L"zelk.Veltrin.1", nullptr, L"NOTFOUND"},
        {kUserClasses + L"zelk.Veltrin.1\\CLSID", nullptr, kClsid},
        {kUserClasses + L"zelk.Veltrin", nullptr, L"NOTFOUND"},
        {kUserClasses + L"zelk.Veltrin\\CLSID", nullptr, kClsid},
        {kUserClasses + L"zelk.Veltrin\\CurVer", nullptr, L"zelk.Veltrin.1"},
        {control, nullptr, L"NOTFOUND"},
        {control, L"AppID", kAppId},
        {control + L"\\ProgID", nullptr, L"zelk.Veltrin.1"},
        {control + L"\\VersionIndependentProgID", nullptr, L"zelk.Veltrin"},
        {control + L"\\InprocServer32", nullptr, modulePath()},
        {control + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {control + L"\\MiscStatus", nullptr, L"0"},
        {control + L"\\MiscStatus\\1", nullptr, L"131473"},
        {control + L"\\TypeLib", nullptr, kLibId},
        {control + L"\\Version", nullptr, L"1"},
        {mime, nullptr, L"NOTFOUND"},
        {mime, L"Extension", L""},
        {mime, L"CLSID", kClsid},
        {L"Software\\MozillaPlugins\\zelk.com/Veltrin_", L"Path", modulePath()},
        {typeLib, nullptr, L"Veltrin 1.0 Type Library"},
        {typeLib + L"\\0\\win32", nullptr, modulePath()},
        {kUserClasses + L"Interface\\{E65F0C86-FCA4-5C65-A0C4-EF8D404411C3}", nullptr, L"IFBControl"},
        {kUserClasses + L"Interface\\{F67BD7A8-EB13-5FD4-BDE9-6BE4DD8ECD71}", nullptr, L"IFBComEventSource"}};
    for (const Value& value : values)
        EXPECT_EQ(value.text, stringValue(HKEY_CURRENT_USER, value.key, value.name)) << FB::wideToUtf8(value.key);
    for (const std::wstring& key :
         {control + L"\\Programmable", control + L"\\Control", kExt + L"PreApproved\\" + kClsid,
          kExt + L"Stats\\" + kClsid + L"\\iexplore\\AllowedDomains\\*"})
        EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, key)) << FB::wideToUtf8(key);
    EXPECT_EQ(0u, numberValue(HKEY_CURRENT_USER, kExt + L"Stats\\" + kClsid + L"\\iexplore", L"Count"));
    // Nothing reaches the machine's classes.
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" + kClsid));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\TypeLib\\" + kLibId));
}

TEST_F(ComRegistration, RemovalTakesTheForceRemoveKeysAndKeepsTheNoRemoveParents) {
    // A neighbour of another class, which removal must leave alone.
    HKEY neighbour = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, (kUserClasses + L"CLSID\\{other}").c_str(), 0, nullptr,
                                             0, KEY_ALL_ACCESS, nullptr, &neighbour, nullptr));
    RegCloseKey(neighbour);
    ASSERT_EQ(S_OK, library.registerServer());
    ASSERT_EQ(S_OK, library.unregisterServer());
    for (const std::wstring& kept :
         {kUserClasses + L"CLSID\\{other}", kUserClasses + L"MIME\\Database\\Content Type", kUserClasses + L"AppID",
          kExt + L"PreApproved", kExt + L"Stats", std::wstring(L"Software\\MozillaPlugins"), kUserClasses + L"TypeLib"})
        EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kept)) << FB::wideToUtf8(kept);
    for (const std::wstring& gone :
         {kUserClasses + L"CLSID\\" + kClsid, kUserClasses + L"zelk.Veltrin", kUserClasses + L"zelk.Veltrin.1",
          kUserClasses + L"MIME\\Database\\Content Type\\application/x-veltrin", kUserClasses + L"AppID\\" + kAppId,
          kUserClasses + L"AppID\\npVeltrin.so", kExt + L"PreApproved\\" + kClsid, kExt + L"Stats\\" + kClsid,
          std::wstring(L"Software\\MozillaPlugins\\zelk.com/Veltrin_"), kUserClasses + L"TypeLib\\" + kLibId,
          kUserClasses + L"Interface\\{E65F0C86-FCA4-5C65-A0C4-EF8D404411C3}"})
        EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, gone)) << FB::wideToUtf8(gone);
}

TEST_F(ComRegistration, UnderTheHarvestingToolDllInstallChoosesByItsCommandLine) {
    platform::testing::setExecutablePath(L"C:\\wix\\bin\\heat.exe");
    ASSERT_EQ(S_OK, library.install(TRUE, L"USER"));  // "user" in any case selects per-user
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kUserClasses + L"CLSID\\" + kClsid));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" + kClsid));
    ASSERT_EQ(S_OK, library.install(FALSE, L"uSeR"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUserClasses + L"CLSID\\" + kClsid));

    // A command line that goes on past the four letters is not "user": machine-wide.
    ASSERT_EQ(S_OK, library.install(TRUE, L"users"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUserClasses + L"CLSID\\" + kClsid));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" + kClsid));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\TypeLib\\" + kLibId + L"\\1.0"));
    // Keys a script places under HKCU itself stay there either way.
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kExt + L"PreApproved\\" + kClsid));
    ASSERT_EQ(S_OK, library.install(FALSE, nullptr));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" + kClsid));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\TypeLib\\" + kLibId));
}

// The comparison is byte for byte: another case of the name is not the harvesting tool.
TEST_F(ComRegistration, AnyOtherProgramRegistersPerUserWhateverDllInstallSaid) {
    platform::testing::setExecutablePath(L"C:\\wix\\bin\\HEAT.EXE");
    ASSERT_EQ(S_OK, library.install(TRUE, L"machine"));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kUserClasses + L"CLSID\\" + kClsid));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" + kClsid));
}

// The keys the control's script makes, below HKCU (the per-user classes included).
std::vector<std::wstring> controlKeys() {
    return {kUserClasses + L"zelk.Veltrin.1\\CLSID",
            kUserClasses + L"zelk.Veltrin\\CurVer",
            kUserClasses + L"CLSID\\" + kClsid + L"\\InprocServer32",
            kUserClasses + L"CLSID\\" + kClsid + L"\\MiscStatus\\1",
            kUserClasses + L"MIME\\Database\\Content Type\\application/x-veltrin",
            kExt + L"PreApproved\\" + kClsid,
            kExt + L"Stats\\" + kClsid + L"\\iexplore\\AllowedDomains\\*",
            L"Software\\MozillaPlugins\\zelk.com/Veltrin_"};
}

size_t keysPresent(const std::vector<std::wstring>& keys) {
    size_t present = 0;
    for (const std::wstring& key : keys) present += keyExists(HKEY_CURRENT_USER, key);
    return present;
}

// A key refused for a moment stops the module's registration at its first step; the factory's
// fallback then writes, or removes, the same keys of the control as a whole registration does.
TEST_F(ComRegistration, TheFallbackWritesAndRemovesTheControlsOwnKeys) {
    const std::wstring appId = kUserClasses + L"AppID\\" + kAppId;
    const std::wstring typeLib = kUserClasses + L"TypeLib\\" + kLibId;
    ASSERT_EQ(S_OK, library.registerServer());
    EXPECT_EQ(controlKeys().size(), keysPresent(controlKeys()));
    ASSERT_EQ(S_OK, library.unregisterServer());
    EXPECT_EQ(0u, keysPresent(controlKeys()));

    platform::testing::failNextRegistryKeyOpenings(1);
    EXPECT_EQ(HRESULT(0x80070005), library.registerServer());  // the module's failure is what is heard
    EXPECT_EQ(controlKeys().size(), keysPresent(controlKeys()));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, appId));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, typeLib));

    ASSERT_EQ(S_OK, library.registerServer());
    platform::testing::failNextRegistryKeyOpenings(1);
    EXPECT_EQ(HRESULT(0x80070005), library.unregisterServer());
    EXPECT_EQ(0u, keysPresent(controlKeys()));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, appId));  // the module stopped before its other steps
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, typeLib));
}

TEST_F(ComRegistration, TheFirstFailureEndsRegistrationAndIsReported) {
    platform::testing::setRegistryKeyOpeningFails(true);
    const HRESULT result = library.registerServer();
    platform::testing::setRegistryKeyOpeningFails(false);
    EXPECT_EQ(HRESULT(0x80070005), result);  // access denied, as the registry answered
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUserClasses + L"CLSID\\" + kClsid));
}

}  // namespace
