#include "platform/base/win_error.h"
#include "platform/menu/win_menu.h"
#include "platform/menu/win_menu_testing.h"
#include "../window/window_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using platform::testing::MenuRequest;

class PopupMenu : public windowtest::WindowTest {
protected:
    void TearDown() override {
        platform::testing::setMenuChooser({});
        WindowTest::TearDown();
    }

    // A menu as the views build it: two items, a separator, a greyed item.
    static HMENU BuildMenu() {
        HMENU menu = CreatePopupMenu();
        EXPECT_TRUE(AppendMenuW(menu, MF_STRING, 1, L"保存"));
        EXPECT_TRUE(AppendMenuW(menu, MF_STRING, 2, L"删除"));
        EXPECT_TRUE(AppendMenuW(menu, MF_SEPARATOR, 99, L"ignored"));
        EXPECT_TRUE(AppendMenuW(menu, MF_STRING | MF_GRAYED, 3, L"编辑"));
        return menu;
    }

    // Shows the menu at a client point of the window, as the views do, and answers the commands
    // the window then hears.
    std::vector<WPARAM> ShowAndPump(HWND window, POINT at = {10, 20}) {
        const size_t before = windowtest::receivedOf(window, WM_COMMAND).size();
        HMENU menu = BuildMenu();
        ClientToScreen(window, &at);
        EXPECT_TRUE(TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr));
        EXPECT_TRUE(DestroyMenu(menu));
        platform::testing::pumpPendingMessages();
        std::vector<WPARAM> commands;
        for (const windowtest::Received& r : windowtest::receivedOf(window, WM_COMMAND)) commands.push_back(r.wParam);
        commands.erase(commands.begin(), commands.begin() + static_cast<long>(before));
        return commands;
    }
};

TEST_F(PopupMenu, DefaultDismissesAndOnlyAPickedLiveItemArrivesAsAPostedCommand) {
    HWND window = create(WS_VISIBLE, nullptr, {100, 200, 300, 300});
    EXPECT_TRUE(ShowAndPump(window).empty());

    std::vector<MenuRequest> shown;
    platform::testing::setMenuChooser(platform::testing::chooseMenuItem(L"删除", &shown));
    EXPECT_EQ(ShowAndPump(window, {5, 6}), std::vector<WPARAM>{MAKEWPARAM(2, 0)});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].owner, window);
    EXPECT_EQ(shown[0].x, 105);
    EXPECT_EQ(shown[0].y, 206);
    EXPECT_EQ(shown[0].flags, TPM_RIGHTBUTTON);
    ASSERT_EQ(shown[0].items.size(), 4u);
    EXPECT_EQ(shown[0].items[0].text, L"保存");
    EXPECT_TRUE(shown[0].items[2].separator());
    EXPECT_TRUE(shown[0].items[3].grayed());
    EXPECT_FALSE(shown[0].items[1].grayed());

    // Greyed items, separators (id 0) and ids the menu does not hold cannot be picked.
    platform::testing::setMenuChooser(platform::testing::chooseMenuItem(L"编辑"));
    EXPECT_TRUE(ShowAndPump(window).empty());
    for (const UINT_PTR id : {0, 42}) {
        platform::testing::setMenuChooser([id](const MenuRequest&) { return std::optional<UINT_PTR>(id); });
        EXPECT_TRUE(ShowAndPump(window).empty()) << id;
    }
}

TEST_F(PopupMenu, StaleMenusAndOwnersAreRefused) {
    HWND window = create();
    HMENU menu = CreatePopupMenu();
    ASSERT_TRUE(DestroyMenu(menu));
    SetLastError(0);
    EXPECT_FALSE(DestroyMenu(menu));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));
    EXPECT_FALSE(AppendMenuW(menu, MF_STRING, 1, L"x"));
    EXPECT_FALSE(TrackPopupMenu(menu, TPM_RIGHTBUTTON, 0, 0, 0, window, nullptr));
    EXPECT_FALSE(AppendMenuW(nullptr, MF_STRING, 1, L"x"));

    HMENU live = CreatePopupMenu();
    EXPECT_NE(live, menu) << "a handle is never reused";
    SetLastError(0);
    EXPECT_FALSE(TrackPopupMenu(live, TPM_RIGHTBUTTON, 0, 0, 0, reinterpret_cast<HWND>(0x7777), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_TRUE(DestroyMenu(live));
}

}  // namespace
