// Popup menus: CreatePopupMenu makes an empty menu, AppendMenuW adds items to it, TrackPopupMenu
// shows it modally at a screen position and DestroyMenu releases it. There is no display here:
// the item the user picks comes from a replaceable chooser (win_menu_testing.h), which by default
// dismisses the menu. A picked item reaches the owner window later as a posted WM_COMMAND with the
// item's id in the low word of wParam, as on the original platform.
#pragma once

#include "platform/base/win_types.h"
#include "platform/base/win_user_types.h"

// Item flags of AppendMenuW. MF_STRING items carry text; MF_GRAYED items show but cannot be picked;
// a separator carries neither id nor text.
#define MF_STRING 0x00000000u
#define MF_GRAYED 0x00000001u
#define MF_SEPARATOR 0x00000800u

// TrackPopupMenu flags: the menu's left edge at x, items picked with either button.
#define TPM_LEFTALIGN 0x0000u
#define TPM_RIGHTBUTTON 0x0002u

HMENU WINAPI CreatePopupMenu();
// Adds an item at the end of the menu (a null text is an empty one); FALSE for an unknown menu
// (ERROR_INVALID_MENU_HANDLE).
BOOL WINAPI AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, LPCWSTR text);
// Shows the menu at (x, y) in screen coordinates and returns once it closes: nonzero when it was
// shown, whether or not an item was picked; FALSE for an unknown menu or owner window. The
// reserved and rect arguments are ignored, as on the original platform.
BOOL WINAPI TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);
// Releases the menu; FALSE for an unknown or already released one.
BOOL WINAPI DestroyMenu(HMENU menu);
