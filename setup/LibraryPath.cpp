#include "setup/LibraryPath.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "platform/Registry.h"
#include "setup/ComponentSetup.h"
#include "setup/text/SearchPathText.h"

namespace ComponentSetup {

using KitPlatform::TRegIniFile;
using KitPlatform::TRegistry;

namespace {

constexpr const char* kEarlierSuiteKeyPrefix = "\\SOFTWARE\\Ostrel\\Ostrel Components\\";

std::string ReadEarlierInstallDir(const std::string& suiteVersion) {
    TRegistry registry;
    registry.SelectRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKeyPath(kEarlierSuiteKeyPrefix + suiteVersion, false)) return {};
    return registry.ReadStringValue("InstallDir");
}

}  // namespace

std::string OldLibraryDir(const std::string& suiteVersion, IdeKind kind, int majorVersion) noexcept {
    try {
        return EarlierLibraryDirEntry(ReadEarlierInstallDir(suiteVersion), kind, majorVersion);
    } catch (...) {
        return {};
    }
}

void UpdateSearchPath(IdeKind kind, int majorVersion, TRegIniFile& ideKey) {
    std::string searchPath = ideKey.ReadSectionString(kLibrarySection, kSearchPathValue, "");
    std::vector<std::string> earlierEntries;
    for (const char* version : kEarlierSuiteVersions) {
        earlierEntries.push_back(OldLibraryDir(version, kind, majorVersion));
    }
    searchPath = EditSearchPath(std::move(searchPath), earlierEntries,
                                LibraryDirEntry(ProductInstallDir(), kind, majorVersion));
    ideKey.WriteSectionString(kLibrarySection, kSearchPathValue, searchPath);
}

void DeleteOldPalettePages(TRegIniFile& ideKey) {
    for (const char* value : kOldPaletteValues) {
        ideKey.DeleteSectionValue(kPaletteSection, value);
    }
}

}  // namespace ComponentSetup
