#include "setup/text/EntryList.h"

#include "platform/text/AsciiText.h"

namespace ComponentSetup {

namespace {

// True when only blanks stand between the previous ";" (or the list's
// beginning) and position.
bool StartsAnEntry(std::string_view list, std::size_t position) noexcept {
    while (position > 0 && list[position - 1] == ' ') --position;
    return position == 0 || list[position - 1] == ';';
}

}  // namespace

std::string WithEntryListEnd(std::string list) {
    if (!list.empty() && list.back() != ';') list += ';';
    return list;
}

std::size_t FindWholeEntry(std::string_view list, std::string_view entry, EntryCase match) {
    if (entry.empty()) return std::string::npos;
    std::string foldedList;
    std::string foldedEntry;
    if (match == EntryCase::IgnoreAscii) {
        // Upper-casing keeps every position, so a match in the copies is a
        // match at the same place in the list itself.
        foldedList = KitText::UpperAscii(list);
        foldedEntry = KitText::UpperAscii(entry);
        list = foldedList;
        entry = foldedEntry;
    }
    for (std::size_t at = list.find(entry); at != std::string_view::npos;
         at = list.find(entry, at + 1)) {
        if (StartsAnEntry(list, at)) return at;
    }
    return std::string::npos;
}

bool RemoveFirstWholeEntry(std::string& list, std::string_view entry, EntryCase match) {
    const std::size_t at = FindWholeEntry(list, entry, match);
    if (at == std::string::npos) return false;
    list.erase(at, entry.size());
    return true;
}

bool AppendEntryUnlessPresent(std::string& list, std::string_view entry, EntryCase match) {
    if (entry.empty() || FindWholeEntry(list, entry, match) != std::string::npos) return false;
    list.append(entry.data(), entry.size());
    return true;
}

}  // namespace ComponentSetup
