#include "platform/StringList.h"

#include <windows.h>

namespace KitPlatform {

namespace {

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                            static_cast<int>(a.size()), b.data(),
                            static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace

void StringList::CheckIndex(int index) const {
    if (index < 0 || index >= static_cast<int>(items_.size())) {
        throw StringListError("List index out of bounds (" + std::to_string(index) + ")");
    }
}

int StringList::FindItem(const std::string& text) const {
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
        if (EqualIgnoringCase(items_[static_cast<std::size_t>(i)], text)) return i;
    }
    return NotFound;
}

void StringList::RemoveItemAt(int index) {
    CheckIndex(index);
    items_.erase(items_.begin() + index);
}

}  // namespace KitPlatform
