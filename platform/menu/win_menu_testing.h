// Test hook of popup menus: the chooser that picks an item in place of a user.
#pragma once

#include "platform/menu/win_menu.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform::testing {

struct MenuItem {
    UINT flags = MF_STRING;
    UINT_PTR id = 0;
    std::wstring text;  // empty for a separator

    bool grayed() const { return (flags & MF_GRAYED) != 0; }
    bool separator() const { return (flags & MF_SEPARATOR) != 0; }
};

// What TrackPopupMenu was asked to show.
struct MenuRequest {
    HWND owner = nullptr;
    int x = 0;  // screen coordinates
    int y = 0;
    UINT flags = 0;
    std::vector<MenuItem> items;
};

// Answers the id of the item the user picks, or nothing to dismiss the menu. An id that names no
// enabled text item of the menu dismisses it too: a user cannot pick a greyed item or a separator.
using MenuChooser = std::function<std::optional<UINT_PTR>(const MenuRequest&)>;

// Replaces the chooser for the whole process; an empty function restores the default, which
// dismisses every menu. Runs on the thread that shows the menu, while TrackPopupMenu waits.
void setMenuChooser(MenuChooser chooser);

// A chooser that picks the first item with the given text (greyed or not, so that tests see a
// greyed item refused) and records every request it is shown in *shown when shown is not null.
MenuChooser chooseMenuItem(std::wstring text, std::vector<MenuRequest>* shown = nullptr);

}  // namespace platform::testing
