#include "setup/DefaultProjectOptions.h"

#include <optional>

#include "platform/FileOperations.h"
#include "platform/IniFile.h"
#include "setup/text/DefaultPackagesText.h"
#include "setup/text/UninstallText.h"

namespace ComponentSetup {

using KitPlatform::IniFile;

namespace {

constexpr const char* kDirectoriesSection = "Directories";
constexpr const char* kPackagesIdent = "Packages";

// Read whole: a list beyond the profile functions' 2047 characters must never
// be written back cut short.
std::string ReadPackages(const IniFile& options) {
    return options.ReadIniString(kDirectoriesSection, kPackagesIdent, "");
}

void WritePackagesIfChanged(const std::optional<std::string>& packages, IniFile& options) {
    if (packages) options.WriteIniString(kDirectoriesSection, kPackagesIdent, *packages);
}

std::string OptionsFileBelow(const std::string& rootDir) { return rootDir + "\\Bin\\DefProj.dof"; }

}  // namespace

void EditDefaultProjectOptions(const std::string& rootDir, const RegistrationPlan& plan) {
    const std::string path = OptionsFileBelow(rootDir);
    if (!KitPlatform::IsExistingFile(path)) return;

    IniFile options(path);
    // Every edit worked out on one reading of the value, and one write.
    const DefaultPackagesEdit edit =
        EditDefaultPackages(ReadPackages(options), plan.RuntimeNamesToRemove,
                            plan.RuntimeNamesToAdd);
    if (!edit.Changed) return;
    if (edit.OneWriteSuffices) {
        options.WriteIniString(kDirectoriesSection, kPackagesIdent, edit.Packages);
        return;
    }
    // A list the profile functions would hand back otherwise than written
    // (blanks or quotation marks at its start, bytes beyond ASCII) is edited
    // through them, each edit seeing the value as they give it back.
    for (const std::string& entry : plan.RuntimeNamesToRemove) {
        WritePackagesIfChanged(WithoutDefaultPackage(ReadPackages(options), entry), options);
    }
    for (const std::string& entry : plan.RuntimeNamesToAdd) {
        WritePackagesIfChanged(WithDefaultPackage(ReadPackages(options), entry), options);
    }
}

void RemoveSuiteDefaultPackages(const std::string& rootDir, int majorVersion) {
    const std::string path = OptionsFileBelow(rootDir);
    if (!KitPlatform::IsExistingFile(path)) return;
    IniFile options(path);
    WritePackagesIfChanged(DefaultPackagesWithoutSuite(ReadPackages(options), majorVersion),
                           options);
}

}  // namespace ComponentSetup
