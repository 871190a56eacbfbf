// The ordered, unsorted list of strings that section listings fill and the
// registrations search. Its search ignores letter case the way the user's
// locale does.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace KitPlatform {

class StringListError : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

class StringList {
public:
    static constexpr int NotFound = -1;

    void AddItem(std::string text);
    // Index of the first entry equal to text ignoring letter case, or NotFound.
    int FindItem(const std::string& text) const;
    void RemoveItemAt(int index);

    const std::vector<std::string>& Items() const noexcept { return items_; }
    // The items, moved out: the list is left empty.
    std::vector<std::string> TakeItems() noexcept;

private:
    void CheckIndex(int index) const;

    std::vector<std::string> items_;
    // Whether each item is a plain name, worked out once: a search of a long
    // list passes most items on that and their lengths alone.
    std::vector<bool> plain_;
};

}  // namespace KitPlatform
