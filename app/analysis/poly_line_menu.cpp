#include "app/analysis/poly_line_menu.h"

#include "app/analysis/poly_line.h"
#include "app/analysis/popup_menu.h"

#include <algorithm>

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

}  // namespace

bool ShapeMenu::Offers(UINT command) const {
    return command != kSeparator && std::find(items_.begin(), items_.end(), command) != items_.end();
}

void ShapeMenu::Show(HWND owner, int x, int y) const {
    std::vector<PopupMenuItem> items;
    items.reserve(items_.size());
    for (const UINT item : items_) items.push_back(PopupMenuItem{item, TextOf(item), false});
    ShowPopupMenu(owner, x, y, items);
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
