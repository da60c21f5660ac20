// The right-button popup menu of the analytics views, shown at a point of the view's window. The
// menu is modal: it returns once the user chose or dismissed it, and a chosen item arrives later
// as WM_COMMAND on the owner window.
#pragma once

#include "platform/base/win_user_types.h"

#include <vector>

struct PopupMenuItem {
    UINT id;  // 0: a separator
    const wchar_t* text;
    bool grayed;
};

// Shows the items at (x, y) in the owner's client coordinates; the menu is destroyed on return.
void ShowPopupMenu(HWND owner, int x, int y, const std::vector<PopupMenuItem>& items);
