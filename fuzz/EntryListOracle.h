// A brute-force search for whole entries in a ";"-separated list, to check
// the product's search against: an entry stands whole where it begins at the
// list's start or behind a ";" with only blanks between.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/text/AsciiText.h"
#include "setup/text/EntryList.h"

namespace KitFuzz {

inline bool SameEntryText(std::string_view a, std::string_view b, ComponentSetup::EntryCase match) {
    return match == ComponentSetup::EntryCase::Sensitive ? a == b
                                                         : KitText::EqualsIgnoringAsciiCase(a, b);
}

inline bool AtEntryStart(std::string_view list, std::size_t position) {
    const std::size_t separator = list.substr(0, position).find_last_of(';');
    const std::size_t from = separator == std::string_view::npos ? 0 : separator + 1;
    return list.substr(from, position - from).find_first_not_of(' ') == std::string_view::npos;
}

inline std::size_t BruteForceFind(std::string_view list, std::string_view entry,
                                  ComponentSetup::EntryCase match) {
    if (entry.empty()) return std::string::npos;
    for (std::size_t at = 0; at + entry.size() <= list.size(); ++at) {
        if (SameEntryText(list.substr(at, entry.size()), entry, match) && AtEntryStart(list, at)) {
            return at;
        }
    }
    return std::string::npos;
}

// The list ending with ";", unless it is empty.
inline std::string EndedList(std::string list) {
    if (!list.empty() && list.back() != ';') list += ';';
    return list;
}

}  // namespace KitFuzz
