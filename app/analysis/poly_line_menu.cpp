#include "app/analysis/poly_line_menu.h"

#include "app/analysis/poly_line.h"

#include "platform/menu/win_menu.h"
#include "platform/window/win_window.h"

#include <algorithm>
#include <memory>
#include <type_traits>

namespace {

const wchar_t* TextOf(UINT command) {
    switch (command) {
        case kMenuEdit:
            return L"编辑";
        case kMenuSave:
            return L"保存";
        case kMenuDeleteVertex:
            return L"删除结点";
        case kMenuRefresh:
            return L"刷新";
        case kMenuInsertVertex:
            return L"插入结点";
        case kMenuDelete:
            return L"删除";
        case kMenuDetect:
            return L"检测";
        case kMenuNoDetect:
            return L"不检测";
        case kMenuByVehiclePosition:
            return L"根据车位置定";
        default:
            return L"";
    }
}

struct MenuRelease {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using MenuOwner = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuRelease>;

}  // namespace

bool ShapeMenu::Offers(UINT command) const {
    return command != kSeparator && std::find(items_.begin(), items_.end(), command) != items_.end();
}

void ShapeMenu::Show(HWND owner, int x, int y) const {
    const MenuOwner menu(CreatePopupMenu());
    if (!menu) return;
    for (const UINT item : items_) {
        if (item == kSeparator) {
            AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuW(menu.get(), MF_STRING, item, TextOf(item));
        }
    }
    POINT place{x, y};
    ClientToScreen(owner, &place);
    TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, place.x, place.y, 0, owner, nullptr);
}

bool AddEditingItems(ShapeMenu& menu, const PolyLine& shape) {
    menu.Add(kMenuSave);
    if (shape.selectedVertex() != 0) menu.Add(kMenuDeleteVertex);
    if (shape.selectedSegment() == 0 || !shape.CanGrow()) return false;
    menu.Add(kMenuInsertVertex);
    return true;
}

bool MenuOffer::Take(UINT command, const PolyLine* current) {
    if (!open_ || current != shape_ || !menu_.Offers(command)) return false;
    open_ = false;
    return true;
}
