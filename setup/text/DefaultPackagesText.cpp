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

}  // namespace ComponentSetup
