#include "app/analysis/popup_menu.h"

#include "platform/menu/win_menu.h"
#include "platform/window/win_window.h"

#include <memory>
#include <type_traits>

namespace {

struct MenuRelease {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using MenuOwner = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuRelease>;

}  // namespace

void ShowPopupMenu(HWND owner, int x, int y, const std::vector<PopupMenuItem>& items) {
    const MenuOwner menu(CreatePopupMenu());
    if (!menu) return;
    for (const PopupMenuItem& item : items) {
        if (item.id == 0) {
            AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuW(menu.get(), MF_STRING | (item.grayed ? MF_GRAYED : 0u), item.id, item.text);
        }
    }
    POINT place{x, y};
    ClientToScreen(owner, &place);
    TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, place.x, place.y, 0, owner, nullptr);
}
