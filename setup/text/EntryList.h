// Lists that the IDE keeps as one text of entries, each followed by ";": the
// library "Search Path" and the "Packages" option of the default project.
// An entry is edited as text, but only ever as a whole: a match must start at
// the beginning of the list or right after a ";" (blanks between the ";" and
// the entry are allowed), so the tail of an unrelated entry is never cut off.
// Free of any OS header.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ComponentSetup {

enum class EntryCase { Sensitive, IgnoreAscii };

// Appends ";" unless the list is empty or already ends with one. An empty
// list stays empty, so that the first entry added is not preceded by ";".
std::string WithEntryListEnd(std::string list);

// Position of the first whole-entry occurrence of entry (its text including
// the ";" behind it), or std::string::npos. An empty entry is never found.
std::size_t FindWholeEntry(std::string_view list, std::string_view entry, EntryCase match);

// Removes the first whole-entry occurrence of entry; the rest of the list
// keeps its bytes. Returns whether anything was removed.
bool RemoveFirstWholeEntry(std::string& list, std::string_view entry, EntryCase match);

// Appends entry unless it already stands in the list as a whole entry.
// Returns whether it was appended.
bool AppendEntryUnlessPresent(std::string& list, std::string_view entry, EntryCase match);

}  // namespace ComponentSetup
