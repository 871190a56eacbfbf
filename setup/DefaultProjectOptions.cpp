#include "setup/DefaultProjectOptions.h"

#include <optional>

#include "platform/IniFile.h"
#include "setup/text/DefaultPackagesText.h"

namespace ComponentSetup {

using KitPlatform::TIniFile;

namespace {

// Read whole: a list beyond the profile functions' 2047 characters must never
// be written back cut short.
std::string ReadPackages(const TIniFile& options) {
    return options.ReadIniStringWhole(kDirectoriesSection, kPackagesIdent, "");
}

void WritePackagesIfChanged(const std::optional<std::string>& packages, TIniFile& options) {
    if (packages) options.WriteIniString(kDirectoriesSection, kPackagesIdent, *packages);
}

}  // namespace

void RemoveDefaultPackage(const std::string& entry, TIniFile& options) {
    WritePackagesIfChanged(WithoutDefaultPackage(ReadPackages(options), entry), options);
}

void AddDefaultPackage(const std::string& entry, TIniFile& options) {
    WritePackagesIfChanged(WithDefaultPackage(ReadPackages(options), entry), options);
}

}  // namespace ComponentSetup
