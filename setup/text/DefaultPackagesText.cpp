#include "setup/text/DefaultPackagesText.h"

#include <utility>

#include "setup/text/EntryList.h"

namespace ComponentSetup {

std::optional<std::string> WithoutDefaultPackage(std::string packages, const std::string& entry) {
    packages = WithEntryListEnd(std::move(packages));
    if (!RemoveFirstWholeEntry(packages, entry, EntryCase::Sensitive)) return std::nullopt;
    return packages;
}

std::optional<std::string> WithDefaultPackage(std::string packages, const std::string& entry) {
    packages = WithEntryListEnd(std::move(packages));
    if (!AppendEntryUnlessPresent(packages, entry, EntryCase::Sensitive)) return std::nullopt;
    return packages;
}

bool ReadsBackAsWritten(std::string_view value) noexcept {
    if (value.empty()) return true;
    if (value.front() == ' ' || value.front() == '"' || value.front() == '\'') return false;
    for (const char c : value) {
        if (c < ' ' || c > '~') return false;
    }
    return value.back() != ' ';
}

DefaultPackagesEdit EditDefaultPackages(std::string packages,
                                        const std::vector<std::string>& removeEntries,
                                        const std::vector<std::string>& addEntries) {
    DefaultPackagesEdit edit;
    edit.Packages = std::move(packages);
    const auto take = [&edit](std::optional<std::string> changed) {
        if (!changed) return;
        edit.Packages = std::move(*changed);
        edit.Changed = true;
        if (!ReadsBackAsWritten(edit.Packages)) edit.OneWriteSuffices = false;
    };
    for (const std::string& entry : removeEntries) {
        take(WithoutDefaultPackage(edit.Packages, entry));
    }
    for (const std::string& entry : addEntries) take(WithDefaultPackage(edit.Packages, entry));
    return edit;
}

}  // namespace ComponentSetup
