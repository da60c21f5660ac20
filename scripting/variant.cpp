#include "scripting/variant.h"

#include <cstring>

namespace FB {

variant::variant(const char* text) {
    if (text) {
        hold(std::string(text));
    } else {
        row = variant_detail::rowOf<variant_detail::null>;
    }
}

variant& variant::operator=(const variant& other) {
    if (row == other.row) {
        // Same type: copy over the existing value, reusing its heap object.
        row->assign(other.storage, storage);
        return *this;
    }
    // Copy before releasing: the source may live inside the value it replaces (an element of a
    // held list or map). If the copy fails the value is left empty.
    const variant_detail::TypeTable* copiedRow = other.row;
    variant_detail::Word copy{};
    try {
        copiedRow->clone(other.storage, copy);
    } catch (...) {
        reset();
        throw;
    }
    row->destroy(storage);
    row = copiedRow;
    storage = copy;
    return *this;
}

variant& variant::operator=(variant&& other) noexcept {
    if (this != &other) {
        row->destroy(storage);
        row = other.row;
        storage = other.storage;
        other.forget();
    }
    return *this;
}

void variant::reset() {
    if (!isEmpty()) {
        row->destroy(storage);
        forget();
    }
}

bool variant::operator<(const variant& other) const {
    if (row == other.row) return row->less(storage, other.storage);
    return std::strcmp(type().name(), other.type().name()) < 0;
}

}  // namespace FB
