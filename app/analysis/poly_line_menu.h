// The popup menu of the analytics views: right-clicking the picture offers what can be done with
// the current shape (edit, save, delete, vertex deletion and insertion, lane detection modes, a
// fresh still picture). The menus of every analytics view share these command ids; a picked item
// comes back later to the view's window as WM_COMMAND.
//
// A menu is built under the view's frame lock and shown after the lock is released. The view
// remembers what the menu offered and for which shape: a command that arrives for another state
// (another current shape, a shape deleted meanwhile, an item not offered, a second command for one
// menu) is stale and ignored.
#pragma once

#include "platform/base/win_user_types.h"

#include <vector>

class PolyLine;

enum ShapeMenuCommand : UINT {
    kMenuEdit = 200,
    kMenuSave = 202,
    kMenuDeleteVertex = 204,
    kMenuRefresh = 300,
    kMenuInsertVertex = 302,
    kMenuDelete = 303,
    kMenuDetect = 304,
    kMenuNoDetect = 305,
    kMenuByVehiclePosition = 306,
};

class ShapeMenu {
public:
    // Adds the item of the command, with its text.
    void Add(ShapeMenuCommand command) { items_.push_back(command); }
    void AddSeparator() { items_.push_back(kSeparator); }
    bool Offers(UINT command) const;

    // Shows the menu at the window position (client coordinates of the owner) and waits until it
    // closes; then the menu is gone.
    void Show(HWND owner, int x, int y) const;

private:
    static constexpr UINT kSeparator = 0;
    std::vector<UINT> items_;
};

// The items for the shape being edited: save, then vertex deletion while a vertex is selected and
// vertex insertion while a segment is selected and the shape can grow. True when insertion is
// offered (the view then remembers where the menu was asked for).
bool AddEditingItems(ShapeMenu& menu, const PolyLine& shape);

// What the last menu offered, for the shape that was current when it was shown.
class MenuOffer {
public:
    void Remember(const ShapeMenu& menu, const PolyLine* shape) {
        menu_ = menu;
        shape_ = shape;
        open_ = true;
    }
    // True once for a command the menu offered, while the same shape is current.
    bool Take(UINT command, const PolyLine* current);
    // A shape is going: a menu shown for it has nothing left to act on.
    void Forget(const PolyLine* shape) {
        if (shape == shape_) open_ = false;
    }
    void ForgetAll() { open_ = false; }

private:
    ShapeMenu menu_;
    const PolyLine* shape_ = nullptr;
    bool open_ = false;
};
