// The snapshot and recording folders: chosen with the folder picker, kept in the per-user settings
// in the ANSI code page, and read back by the page as UTF-8.
#include "app/util/registry_settings.h"
#include "platform/shell/win_shell_testing.h"
#include "tests/app/support/machine_test.h"
#include "tests/app/support/plugin_instance.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using test_support::PluginInstance;

class SaveFolders : public test_support::MachineTest {
protected:
    ~SaveFolders() override { platform::testing::setFolderChooser({}); }

    // The user picks the folder (or cancels with nothing); the request is kept.
    void Pick(std::optional<std::wstring> folder) {
        platform::testing::setFolderChooser([this, folder](const platform::testing::FolderRequest& request) {
            requests.push_back(request);
            return folder;
        });
    }
    std::string Text(const FB::variant& value) { return value.convertTo<std::string>(); }

    std::vector<platform::testing::FolderRequest> requests;
};

TEST_F(SaveFolders, APickedFolderIsKeptStoredAndAnsweredPerKindOfFolder) {
    PluginInstance page;
    Pick(L"D:\\snaps");
    EXPECT_EQ(Text(page.Invoke("BrowseDirectories", 0)), "D:\\snaps");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].owner, page.pluginWindow());
    EXPECT_EQ(requests[0].flags, 9u);
    EXPECT_EQ(requests[0].title, L"");
    EXPECT_FALSE(requests[0].hasRoot);
    EXPECT_EQ(RegistrySettings::GetString(L"SnapSavePath"), "D:\\snaps");

    Pick(L"E:\\\x5F55\x50CF");  // "录像" reaches the settings in GBK and the page in UTF-8
    EXPECT_EQ(Text(page.Invoke("BrowseDirectories", 1)), "E:\\\xE5\xBD\x95\xE5\x83\x8F");
    EXPECT_EQ(RegistrySettings::GetString(L"RecSavePath"), "E:\\\xC2\xBC\xCF\xF1");

    Pick(L"F:\\other");
    EXPECT_EQ(Text(page.Invoke("BrowseDirectories", 2)), "");  // nothing stored for another kind
    Pick(std::nullopt);
    EXPECT_EQ(Text(page.Invoke("BrowseDirectories", 0)), "D:\\snaps");  // cancelled: the current one
    EXPECT_EQ(Text(page.Invoke("GetSaveDirectory", 0)), "D:\\snaps");
    EXPECT_EQ(Text(page.Invoke("GetSaveDirectory", 1)), "E:\\\xE5\xBD\x95\xE5\x83\x8F");
    EXPECT_EQ(Text(page.Invoke("GetSaveDirectory", 2)), "");

    PluginInstance later;  // a new scripting object reads the stored folders
    EXPECT_EQ(Text(later.Invoke("GetSaveDirectory", 1)), "E:\\\xE5\xBD\x95\xE5\x83\x8F");
}

TEST_F(SaveFolders, AStoredFolderIsCutTo255BytesAndAPickerWithoutAWindowHasNoOwner) {
    RegistrySettings::SetString(L"SnapSavePath", ("D:\\" + std::string(300, 'a')).c_str());
    PluginInstance page(320, 240, false);
    EXPECT_EQ(Text(page.Invoke("GetSaveDirectory", 0)).size(), 254u);  // what the page gets of 255 kept bytes
    Pick(std::nullopt);
    page.Invoke("BrowseDirectories", 0);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].owner, nullptr);
}

}  // namespace
