// The "Packages" option of Delphi's default project: run-time package names,
// each followed by the IDE's major version, "0" and ";" (OSLPND60;). Entries
// are matched exactly, letter case included, and only as whole entries.
// Free of any OS header.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ComponentSetup {

// The list without the first whole occurrence of entry, ending with ";";
// nothing when entry is not there (the list is then left as it is, its
// missing final ";" included).
std::optional<std::string> WithoutDefaultPackage(std::string packages, const std::string& entry);

// The list, ending with ";" unless empty, with entry appended; nothing when
// entry is already there.
std::optional<std::string> WithDefaultPackage(std::string packages, const std::string& entry);

// True when a profile file hands value back exactly as it was written: the
// profile functions drop blanks and control bytes at a value's ends and the
// quotation marks around it, and a line break would end it early. Only
// printable ASCII that begins with neither a blank nor a quotation mark is
// taken for sure.
bool ReadsBackAsWritten(std::string_view value) noexcept;

// "Packages" after every edit of a registration, worked out in memory:
// WithoutDefaultPackage for each of removeEntries, then WithDefaultPackage
// for each of addEntries, each seeing what the one before left.
struct DefaultPackagesEdit {
    std::string Packages;
    // Some edit changed the list: it has to be written.
    bool Changed = false;
    // Every list an edit left reads back as written (ReadsBackAsWritten), so
    // writing the last one alone leaves the file as writing each would.
    bool OneWriteSuffices = true;
};
DefaultPackagesEdit EditDefaultPackages(std::string packages,
                                        const std::vector<std::string>& removeEntries,
                                        const std::vector<std::string>& addEntries);

}  // namespace ComponentSetup
