#include "platform/base/win_error.h"
#include "platform/menu/win_menu.h"
#include "platform/menu/win_menu_testing.h"
#include "platform/window/win_window.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>
#include <utility>

namespace {

using MenuItems = std::vector<platform::testing::MenuItem>;

// A menu handle is a serial number, never reused within the process, so that a stale or made-up
// handle is refused rather than followed.
std::mutex menuLock;
std::map<HMENU, MenuItems> liveMenus;    // guarded by menuLock
uintptr_t lastMenuSerial = 0;            // guarded by menuLock
platform::testing::MenuChooser chooser;  // guarded by menuLock; empty: dismiss

MenuItems* itemsOfLocked(HMENU menu) {
    auto found = liveMenus.find(menu);
    if (found != liveMenus.end()) return &found->second;
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return nullptr;
}

// The enabled text item with this id, which is all a user can pick.
bool canPick(const platform::testing::MenuRequest& request, UINT_PTR id) {
    return std::any_of(request.items.begin(), request.items.end(), [id](const platform::testing::MenuItem& item) {
        return item.id == id && !item.grayed() && !item.separator();
    });
}

}  // namespace

namespace platform::testing {

void setMenuChooser(MenuChooser replacement) {
    std::lock_guard<std::mutex> hold(menuLock);
    chooser = std::move(replacement);
}

MenuChooser chooseMenuItem(std::wstring text, std::vector<MenuRequest>* shown) {
    return [text = std::move(text), shown](const MenuRequest& request) -> std::optional<UINT_PTR> {
        if (shown) shown->push_back(request);
        for (const MenuItem& item : request.items) {
            if (!item.separator() && item.text == text) return item.id;
        }
        return std::nullopt;
    };
}

}  // namespace platform::testing

HMENU WINAPI CreatePopupMenu() {
    std::lock_guard<std::mutex> hold(menuLock);
    HMENU menu = reinterpret_cast<HMENU>(++lastMenuSerial << 4);
    liveMenus.emplace(menu, MenuItems{});
    return menu;
}

BOOL WINAPI AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, LPCWSTR text) {
    std::lock_guard<std::mutex> hold(menuLock);
    MenuItems* items = itemsOfLocked(menu);
    if (!items) return FALSE;
    platform::testing::MenuItem item;
    item.flags = flags;
    if (!(flags & MF_SEPARATOR)) {
        item.id = id;
        item.text = text ? text : L"";
    }
    items->push_back(std::move(item));
    return TRUE;
}

BOOL WINAPI TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int /*reserved*/, HWND owner, const RECT* /*rect*/) {
    platform::testing::MenuRequest request;
    platform::testing::MenuChooser choose;
    {
        std::lock_guard<std::mutex> hold(menuLock);
        const MenuItems* items = itemsOfLocked(menu);
        if (!items) return FALSE;
        request.items = *items;
        choose = chooser;
    }
    if (!IsWindow(owner)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    request.owner = owner;
    request.x = x;
    request.y = y;
    request.flags = flags;
    // The chooser runs without the lock held: it may build or destroy menus of its own.
    const std::optional<UINT_PTR> picked = choose ? choose(request) : std::nullopt;
    if (picked && canPick(request, *picked)) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(*picked, 0), 0);
    return TRUE;
}

BOOL WINAPI DestroyMenu(HMENU menu) {
    std::lock_guard<std::mutex> hold(menuLock);
    if (!itemsOfLocked(menu)) return FALSE;
    liveMenus.erase(menu);
    return TRUE;
}
