#include "platform/registry/win_registry.h"

#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace {

class Registry : public ::testing::Test {
protected:
    static HKEY create(HKEY root, const wchar_t* path) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
        return key;
    }
    static HKEY open(HKEY root, const wchar_t* path, LSTATUS expected = ERROR_SUCCESS) {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(root, path, 0, KEY_READ, &key), expected);
        return key;
    }
    static LSTATUS setText(HKEY key, const wchar_t* name, const std::string& bytes) {
        return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.c_str()),
                              static_cast<DWORD>(bytes.size() + 1));
    }
    static std::string queryText(HKEY key, const wchar_t* name) {
        char buffer[256] = {};
        DWORD size = sizeof(buffer) - 1;
        const LSTATUS status = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
        return status == ERROR_SUCCESS ? buffer : "<missing>";
    }

    test_support::ScopedMachineFolders machine;
};

TEST_F(Registry, ValuesRoundTripWithTypeAndSizeAndNamesIgnoreCase) {
    const std::string path = "d:\\\xD6\xD0\xCE\xC4";  // GBK bytes, kept as given
    HKEY key = create(HKEY_CURRENT_USER, L"Software\\ZelkPlugin");
    ASSERT_EQ(setText(key, L"SnapSavePath", path), ERROR_SUCCESS);
    RegCloseKey(key);

    HKEY again = open(HKEY_CURRENT_USER, L"software\\ZELKPLUGIN");
    EXPECT_EQ(queryText(again, L"snapsavepath"), path);
    EXPECT_EQ(queryText(again, L"Absent"), "<missing>");
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExW(again, L"SNAPSAVEPATH", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, path.size() + 1);
    BYTE small[4];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExW(again, L"SnapSavePath", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, path.size() + 1);
    RegCloseKey(again);
}

// Each process writes its own values into one key at the same time; both see all of them in the
// hive file, which is replaced whole (no temporary file is left beside it).
TEST_F(Registry, TwoProcessesShareThePersistentHiveWithoutLosingAWrite) {
    HKEY key = create(HKEY_CURRENT_USER, L"Software\\Shared");
    const pid_t child = fork();
    const std::wstring side = child == 0 ? L"child" : L"parent";
    for (int i = 0; i < 20; ++i) setText(key, (side + std::to_wstring(i)).c_str(), "v");
    if (child == 0) _exit(0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(queryText(key, (L"child" + std::to_wstring(i)).c_str()), "v");
        EXPECT_EQ(queryText(key, (L"parent" + std::to_wstring(i)).c_str()), "v");
    }
    RegCloseKey(key);
    for (const auto& entry : std::filesystem::directory_iterator(machine.registryFolder())) {
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
    }
}

TEST_F(Registry, ClassesRootMergesUserClassesOverMachineClasses) {
    HKEY machineKey = create(HKEY_LOCAL_MACHINE, L"Software\\Classes\\zelk.Veltrin");
    setText(machineKey, L"", "machine");
    HKEY onlyMachine = create(HKEY_LOCAL_MACHINE, L"Software\\Classes\\MachineOnly");
    setText(onlyMachine, L"", "machine only");
    HKEY userKey = create(HKEY_CURRENT_USER, L"Software\\Classes\\zelk.Veltrin");
    setText(userKey, L"", "user");

    HKEY merged = open(HKEY_CLASSES_ROOT, L"zelk.Veltrin");
    EXPECT_EQ(queryText(merged, nullptr), "user");
    HKEY fallback = open(HKEY_CLASSES_ROOT, L"MachineOnly");
    EXPECT_EQ(queryText(fallback, L""), "machine only");
    HKEY created = create(HKEY_CLASSES_ROOT, L"NewClass");  // new to both: made for the machine
    HKEY check = open(HKEY_LOCAL_MACHINE, L"Software\\Classes\\NewClass");
    for (HKEY k : {machineKey, onlyMachine, userKey, merged, fallback, created, check}) RegCloseKey(k);
}

TEST_F(Registry, DeletedKeysAndValuesAndClosedOrReadOnlyHandlesAreRefused) {
    HKEY key = create(HKEY_CURRENT_USER, L"Software\\Gone\\Child");
    setText(key, L"v", "x");
    EXPECT_EQ(RegDeleteValueW(key, L"V"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key, L"V"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Gone"), ERROR_ACCESS_DENIED);  // has a sub-key
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Gone\\Child"), ERROR_SUCCESS);
    EXPECT_EQ(setText(key, L"v", "x"), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Gone\\Child"), ERROR_FILE_NOT_FOUND);
    open(HKEY_CURRENT_USER, L"Software\\Gone\\Child", ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);

    HKEY readOnly = open(HKEY_CURRENT_USER, L"Software\\Gone");
    EXPECT_EQ(setText(readOnly, L"Debug", "1"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCloseKey(readOnly), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(readOnly), ERROR_INVALID_HANDLE);  // a stale handle is refused, never used
    EXPECT_EQ(setText(readOnly, L"Debug", "1"), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, HiveThatDoesNotParseIsTooDeepOrTooLargeIsReportedAndNeverOverwritten) {
    const auto hive = machine.registryFolder() / "HKEY_CURRENT_USER.json";
    std::string tooLarge(17 * 1024 * 1024, ' ');  // an empty JSON object, but no hive of ours
    tooLarge.front() = '{';
    tooLarge.back() = '}';
    const std::string tooDeep(5000, '[');  // deeper than the JSON reader goes
    for (const std::string& text : {std::string("{ not json"), tooDeep, tooLarge}) {
        std::ofstream(hive, std::ios::binary | std::ios::trunc) << text;
        HKEY key = nullptr;
        EXPECT_EQ(
            RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_REGISTRY_CORRUPT);
        EXPECT_EQ(std::filesystem::file_size(hive), text.size());
    }
}

}  // namespace
