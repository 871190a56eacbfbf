#include "platform/StringList.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/text/AsciiText.h"

namespace KitPlatform {

namespace {

// ASCII letters, digits, "." and "_": no locale's rules make a name of them
// equal to another one except by letter case, and none ignores one of them.
bool IsPlainName(const std::string& text) noexcept {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '_';
    });
}

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

void StringList::AddItem(std::string text) {
    plain_.push_back(IsPlainName(text));
    items_.push_back(std::move(text));
}

std::vector<std::string> StringList::TakeItems() noexcept {
    plain_.clear();
    std::vector<std::string> items;
    items.swap(items_);
    return items;
}

int StringList::FindItem(const std::string& text) const {
    const bool plainText = IsPlainName(text);
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
        const std::string& item = items_[static_cast<std::size_t>(i)];
        // Two plain names that differ beyond ASCII letter case differ in the
        // user's locale too; only the others go to the locale's comparison.
        if (plainText && plain_[static_cast<std::size_t>(i)] &&
            !KitText::EqualsIgnoringAsciiCase(item, text)) {
            continue;
        }
        if (EqualIgnoringCase(item, text)) return i;
    }
    return NotFound;
}

void StringList::RemoveItemAt(int index) {
    CheckIndex(index);
    items_.erase(items_.begin() + index);
    plain_.erase(plain_.begin() + index);
}

}  // namespace KitPlatform
