#include "platform/shell/win_shell.h"
#include "platform/shell/win_shell_testing.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class FolderPicker : public ::testing::Test {
protected:
    void TearDown() override { platform::testing::setFolderChooser({}); }

    // Shows the picker as the plug-in does and answers the chosen path, or "cancelled".
    std::wstring Pick(HWND owner = nullptr) {
        BROWSEINFOW info{};
        info.hwndOwner = owner;
        info.lpszTitle = L"";
        info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
        info.pszDisplayName = displayName;
        PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
        if (!chosen) return L"cancelled";
        wchar_t path[MAX_PATH];
        const BOOL found = SHGetPathFromIDListW(chosen, path);
        ILFree(chosen);
        return found ? std::wstring(path) : L"no path";
    }

    wchar_t displayName[MAX_PATH] = L"untouched";
};

TEST_F(FolderPicker, CancelsUnlessAChooserPicksAndHandsTheRequestToTheChooser) {
    EXPECT_EQ(Pick(), L"cancelled");
    platform::testing::FolderRequest seen;
    platform::testing::setFolderChooser([&](const platform::testing::FolderRequest& request) {
        seen = request;
        return std::optional<std::wstring>(L"D:\\video\\snaps\\");
    });
    EXPECT_EQ(Pick(reinterpret_cast<HWND>(0x1234)), L"D:\\video\\snaps\\");
    EXPECT_EQ(std::wstring(displayName), L"snaps");
    EXPECT_EQ(seen.owner, reinterpret_cast<HWND>(0x1234));
    EXPECT_EQ(seen.flags, 9u);
    EXPECT_FALSE(seen.hasRoot);
    platform::testing::setFolderChooser([](const platform::testing::FolderRequest&) { return std::nullopt; });
    EXPECT_EQ(Pick(), L"cancelled");
    EXPECT_EQ(SHBrowseForFolderW(nullptr), nullptr);
}

TEST_F(FolderPicker, APathLongerThanTheBufferIsRefusedAndNullListsFail) {
    platform::testing::setFolderChooser([](const platform::testing::FolderRequest&) {
        return std::optional<std::wstring>(L"D:\\" + std::wstring(300, L'a'));
    });
    EXPECT_EQ(Pick(), L"no path");
    wchar_t path[MAX_PATH] = L"x";
    EXPECT_FALSE(SHGetPathFromIDListW(nullptr, path));
    EXPECT_EQ(path[0], L'\0');
    ILFree(nullptr);
}

}  // namespace
