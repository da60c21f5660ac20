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
    const std::wstring classes = kUserClasses;
    EXPECT_EQ(L"PluginWin", stringValue(HKEY_CURRENT_USER, classes + L"AppID\\" + kAppId));
    EXPECT_EQ(kAppId, stringValue(HKEY_CURRENT_USER, classes + L"AppID\\npVeltrin.so", L"AppID"));

    EXPECT_EQ(L"NOTFOUND", stringValue(HKEY_CURRENT_USER, classes + L"zelk.Veltrin.1"));
    EXPECT_EQ(kClsid, stringValue(HKEY_CURRENT_USER, classes + L"zelk.Veltrin.1\\CLSID"));
    EXPECT_EQ(L"NOTFOUND", stringValue(HKEY_CURRENT_USER, classes + L"zelk.Veltrin"));
    EXPECT_EQ(kClsid, stringValue(HKEY_CURRENT_USER, classes + L"zelk.Veltrin\\CLSID"));
    EXPECT_EQ(L"zelk.Veltrin.1", stringValue(HKEY_CURRENT_USER, classes + L"zelk.Veltrin\\CurVer"));

    const std::wstring control = classes + L"CLSID\\" + kClsid;
    EXPECT_EQ(L"NOTFOUND", stringValue(HKEY_CURRENT_USER, control));
    EXPECT_EQ(kAppId, stringValue(HKEY_CURRENT_USER, control, L"AppID"));
    EXPECT_EQ(L"zelk.Veltrin.1", stringValue(HKEY_CURRENT_USER, control + L"\\ProgID"));
    EXPECT_EQ(L"zelk.Veltrin", stringValue(HKEY_CURRENT_USER, control + L"\\VersionIndependentProgID"));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, control + L"\\Programmable"));
    EXPECT_EQ(modulePath(), stringValue(HKEY_CURRENT_USER, control + L"\\InprocServer32"));
    EXPECT_EQ(L"Apartment", stringValue(HKEY_CURRENT_USER, control + L"\\InprocServer32", L"ThreadingModel"));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, control + L"\\Control"));
    EXPECT_EQ(L"0", stringValue(HKEY_CURRENT_USER, control + L"\\MiscStatus"));
    EXPECT_EQ(L"131473", stringValue(HKEY_CURRENT_USER, control + L"\\MiscStatus\\1"));
    EXPECT_EQ(kLibId, stringValue(HKEY_CURRENT_USER, control + L"\\TypeLib"));
    EXPECT_EQ(L"1", stringValue(HKEY_CURRENT_USER, control + L"\\Version"));

    const std::wstring mime = classes + L"MIME\\Database\\Content Type\\application/x-veltrin";
    EXPECT_EQ(L"NOTFOUND", stringValue(HKEY_CURRENT_USER, mime));
    EXPECT_EQ(L"", stringValue(HKEY_CURRENT_USER, mime, L"Extension"));
    EXPECT_EQ(kClsid, stringValue(HKEY_CURRENT_USER, mime, L"CLSID"));

    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kExt + L"PreApproved\\" + kClsid));
    EXPECT_EQ(0u, numberValue(HKEY_CURRENT_USER, kExt + L"Stats\\" + kClsid + L"\\iexplore", L"Count"));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kExt + L"Stats\\" + kClsid + L"\\iexplore\\AllowedDomains\\*"));
    EXPECT_EQ(modulePath(), stringValue(HKEY_CURRENT_USER, L"Software\\MozillaPlugins\\zelk.com/Veltrin_", L"Path"));

    // The type library, per user as well.
    const std::wstring typeLib = classes + L"TypeLib\\" + kLibId + L"\\1.0";
    EXPECT_EQ(L"Veltrin 1.0 Type Library", stringValue(HKEY_CURRENT_USER, typeLib));
    EXPECT_EQ(modulePath(), stringValue(HKEY_CURRENT_USER, typeLib + L"\\0\\win32"));
    EXPECT_EQ(L"IFBControl",
              stringValue(HKEY_CURRENT_USER, classes + L"Interface\\{E65F0C86-FCA4-5C65-A0C4-EF8D404411C3}"));
    EXPECT_EQ(L"IFBComEventSource",
              stringValue(HKEY_CURRENT_USER, classes + L"Interface\\{F67BD7A8-EB13-5FD4-BDE9-6BE4DD8ECD71}"));

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

    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kUserClasses + L"CLSID\\{other}"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUserClasses + L"CLSID\\" + kClsid));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUserClasses + L"zelk.Veltrin"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUserClasses + L"zelk.Veltrin.1"));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kUserClasses + L"MIME\\Database\\Content Type"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUserClasses + L"MIME\\Database\\Content Type\\application/x-veltrin"));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kUserClasses + L"AppID"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUserClasses + L"AppID\\" + kAppId));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUserClasses + L"AppID\\npVeltrin.so"));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kExt + L"PreApproved"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kExt + L"PreApproved\\" + kClsid));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kExt + L"Stats"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kExt + L"Stats\\" + kClsid));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, L"Software\\MozillaPlugins"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, L"Software\\MozillaPlugins\\zelk.com/Veltrin_"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUserClasses + L"TypeLib\\" + kLibId));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kUserClasses + L"TypeLib"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUserClasses + L"Interface\\{E65F0C86-FCA4-5C65-A0C4-EF8D404411C3}"));
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
