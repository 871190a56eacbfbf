// The "Packages" option of Delphi's default project: run-time package names,
// each followed by the IDE's major version, "0" and ";" (OSLPND60;). Entries
// are matched exactly, letter case included, and only as whole entries.
// Free of any OS header.
#pragma once

#include <optional>
#include <string>

namespace ComponentSetup {

// The list without the first whole occurrence of entry, ending with ";";
// nothing when entry is not there (the list is then left as it is, its
// missing final ";" included).
std::optional<std::string> WithoutDefaultPackage(std::string packages, const std::string& entry);

// The list, ending with ";" unless empty, with entry appended; nothing when
// entry is already there.
std::optional<std::string> WithDefaultPackage(std::string packages, const std::string& entry);

}  // namespace ComponentSetup
