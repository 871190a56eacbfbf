#include "setup/LibraryPath.h"

#include <optional>
#include <utility>
#include <vector>

#include "platform/RegistryProfile.h"
#include "setup/Discovery.h"
#include "setup/text/RegistrationTables.h"
#include "setup/text/SearchPathText.h"
#include "setup/text/UninstallText.h"

namespace ComponentSetup {

namespace {

constexpr const char* kLibrarySection = "Library";
constexpr const char* kSearchPathValue = "Search Path";

}  // namespace

std::string EarlierLibraryDir(const std::string& suiteVersion, IdeKind kind,
                              int majorVersion) noexcept {
    try {
        return EarlierLibraryDirEntry(ReadEarlierInstallDir(suiteVersion), kind, majorVersion);
    } catch (...) {
        return {};
    }
}

void UpdateSearchPath(const IdeTarget& target, const KitPlatform::RegistryProfile& ideKey) {
    std::string searchPath = ideKey.ReadSectionString(kLibrarySection, kSearchPathValue, "");
    std::vector<std::string> earlierEntries;
    for (std::string_view version : kEarlierSuiteVersions) {
        earlierEntries.push_back(
            EarlierLibraryDir(std::string(version), target.Kind, target.MajorVersion));
    }
    searchPath =
        EditSearchPath(std::move(searchPath), earlierEntries,
                       LibraryDirEntry(target.SuiteDir, target.Kind, target.MajorVersion));
    ideKey.WriteSectionString(kLibrarySection, kSearchPathValue, searchPath);
}

void RemoveSuiteSearchPathEntries(const IdeTarget& target, const KitPlatform::RegistryProfile& ideKey) {
    std::string libraryDir = LibraryDirEntry(target.SuiteDir, target.Kind, target.MajorVersion);
    libraryDir.pop_back();  // the entry's ";"
    // A missing value reads as empty, which holds nothing to remove.
    const std::optional<std::string> searchPath = SearchPathWithoutLibraryDir(
        ideKey.ReadSectionString(kLibrarySection, kSearchPathValue, ""), libraryDir);
    if (searchPath) ideKey.WriteSectionString(kLibrarySection, kSearchPathValue, *searchPath);
}

}  // namespace ComponentSetup
