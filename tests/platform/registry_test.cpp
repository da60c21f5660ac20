#include "platform/win_registry.h"
#include "platform/win_registry_testing.h"

#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace {

class Registry : public ::testing::Test {
protected:
    HKEY create(HKEY root, const wchar_t* path, REGSAM access = KEY_ALL_ACCESS) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, access, nullptr, &key, nullptr), ERROR_SUCCESS);
        return key;
    }
    static LSTATUS setText(HKEY key, const wchar_t* name, const std::string& bytes) {
        return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.c_str()),
                              static_cast<DWORD>(bytes.size() + 1));
    }
    static std::string queryText(HKEY key, const wchar_t* name) {
        char buffer[256] = {};
        DWORD size = sizeof(buffer) - 1;
        DWORD type = 0;
        if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) {
            return "<missing>";
        }
        return buffer;
    }

    test_support::ScopedMachineFolders machine;
};

TEST_F(Registry, ValuesRoundTripAndNamesIgnoreCase) {
    HKEY key = create(HKEY_CURRENT_USER, L"Software\\ZelkPlugin");
    ASSERT_EQ(setText(key, L"SnapSavePath", "d:\\\xD6\xD0\xCE\xC4"), ERROR_SUCCESS);
    const DWORD width = 9;
    ASSERT_EQ(RegSetValueExW(key, L"PatternWidth", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&width), 4),
              ERROR_SUCCESS);
    RegCloseKey(key);

    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"software\\ZELKPLUGIN", 0, KEY_READ, &again), ERROR_SUCCESS);
    EXPECT_EQ(queryText(again, L"snapsavepath"), "d:\\\xD6\xD0\xCE\xC4");
    DWORD read = 0, type = 0, size = sizeof(read);
    ASSERT_EQ(RegQueryValueExW(again, L"PATTERNWIDTH", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(read, 9u);
    EXPECT_EQ(queryText(again, L"Absent"), "<missing>");
    RegCloseKey(again);
}

TEST_F(Registry, QuerySizeRules) {
    HKEY key = create(HKEY_CURRENT_USER, L"Software\\ZelkPlugin");
    ASSERT_EQ(setText(key, L"Debug", "1"), ERROR_SUCCESS);
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExW(key, L"Debug", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 2u);
    BYTE one = 0;
    size = 1;
    EXPECT_EQ(RegQueryValueExW(key, L"Debug", nullptr, nullptr, &one, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(RegQueryValueExW(key, L"Debug", nullptr, nullptr, &one, nullptr), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST_F(Registry, KeysPersistAcrossAReloadInAtomicallyReplacedFiles) {
    HKEY key = create(HKEY_LOCAL_MACHINE, L"Software\\Veltrin");
    ASSERT_EQ(setText(key, L"Name", "kept"), ERROR_SUCCESS);
    RegCloseKey(key);

    // The hive is a whole JSON file with no temporary left beside it.
    const auto hive = machine.registryFolder() / "HKEY_LOCAL_MACHINE.json";
    ASSERT_TRUE(std::filesystem::exists(hive));
    for (const auto& entry : std::filesystem::directory_iterator(machine.registryFolder())) {
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
    }

    // Another process sees the value, as a fresh reader of the same folder.
    const pid_t child = fork();
    if (child == 0) {
        HKEY seen = nullptr;
        const bool ok = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Veltrin", 0, KEY_READ, &seen) == ERROR_SUCCESS &&
                        queryText(seen, L"Name") == "kept";
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(Registry, WritersInTwoProcessesLoseNothing) {
    HKEY key = create(HKEY_CURRENT_USER, L"Software\\Shared");
    const pid_t child = fork();
    const std::string side = child == 0 ? "child" : "parent";
    for (int i = 0; i < 20; ++i) {
        const std::wstring name = std::wstring(side.begin(), side.end()) + std::to_wstring(i);
        setText(key, name.c_str(), "v");
    }
    if (child == 0) _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(queryText(key, (L"child" + std::to_wstring(i)).c_str()), "v");
        EXPECT_EQ(queryText(key, (L"parent" + std::to_wstring(i)).c_str()), "v");
    }
    RegCloseKey(key);
}

TEST_F(Registry, ClassesRootMergesUserClassesOverMachineClasses) {
    HKEY machineKey = create(HKEY_LOCAL_MACHINE, L"Software\\Classes\\zelk.Veltrin");
    setText(machineKey, L"", "machine");
    HKEY onlyMachine = create(HKEY_LOCAL_MACHINE, L"Software\\Classes\\MachineOnly");
    setText(onlyMachine, L"", "machine only");
    HKEY userKey = create(HKEY_CURRENT_USER, L"Software\\Classes\\zelk.Veltrin");
    setText(userKey, L"", "user");

    HKEY merged = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, L"zelk.Veltrin", 0, KEY_READ, &merged), ERROR_SUCCESS);
    EXPECT_EQ(queryText(merged, nullptr), "user");
    HKEY fallback = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, L"MachineOnly", 0, KEY_READ, &fallback), ERROR_SUCCESS);
    EXPECT_EQ(queryText(fallback, L""), "machine only");

    // A key new to both is created for the machine.
    HKEY created = create(HKEY_CLASSES_ROOT, L"NewClass");
    EXPECT_NE(created, nullptr);
    HKEY check = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\NewClass", 0, KEY_READ, &check), ERROR_SUCCESS);
    for (HKEY k : {machineKey, onlyMachine, userKey, merged, fallback, created, check}) RegCloseKey(k);
}

TEST_F(Registry, DeletingValuesAndKeys) {
    HKEY key = create(HKEY_CURRENT_USER, L"Software\\Gone\\Child");
    setText(key, L"v", "x");
    EXPECT_EQ(RegDeleteValueW(key, L"V"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key, L"V"), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Gone"), ERROR_ACCESS_DENIED);  // has a sub-key
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Gone\\Child"), ERROR_SUCCESS);
    EXPECT_EQ(setText(key, L"v", "x"), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Gone\\Child"), ERROR_FILE_NOT_FOUND);
    HKEY reopened = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Gone\\Child", 0, KEY_READ, &reopened),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(Registry, HandlesAreCheckedForAccessAndLife) {
    HKEY writable = create(HKEY_CURRENT_USER, L"Software\\ZelkPlugin");
    HKEY readOnly = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\ZelkPlugin", 0, KEY_READ, &readOnly), ERROR_SUCCESS);
    EXPECT_EQ(setText(readOnly, L"Debug", "1"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCloseKey(readOnly), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(readOnly), ERROR_INVALID_HANDLE);  // stale handle refused, not used
    EXPECT_EQ(setText(readOnly, L"Debug", "1"), ERROR_INVALID_HANDLE);
    RegCloseKey(writable);
}

TEST_F(Registry, TestSwitchMakesOpeningAndCreatingFail) {
    RegCloseKey(create(HKEY_CURRENT_USER, L"Software\\ZelkPlugin"));
    platform::testing::setRegistryKeyOpeningFails(true);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\ZelkPlugin", 0, KEY_READ, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\ZelkPlugin", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, nullptr);
    platform::testing::setRegistryKeyOpeningFails(false);
}

TEST_F(Registry, CorruptHiveIsReportedAndNeverOverwritten) {
    const auto hive = machine.registryFolder() / "HKEY_CURRENT_USER.json";
    std::ofstream(hive) << "{ not json";
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_REGISTRY_CORRUPT);
    std::ifstream in(hive);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), "{ not json");
}

}  // namespace
