#include "setup/KnownPackages.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/RegistryProfile.h"
#include "setup/text/UninstallText.h"

namespace ComponentSetup {

namespace {

constexpr const char* kKnownPackagesSection = "Known Packages";
constexpr const char* kDisabledPackagesSection = "Disabled Packages";

void RemoveSuiteValues(const char* section, int majorVersion,
                       const KitPlatform::RegistryProfile& ideKey) {
    std::vector<std::string> names =
        ideKey.ListSectionValues(section).value_or(std::vector<std::string>{});
    names.erase(std::remove_if(names.begin(), names.end(),
                               [majorVersion](const std::string& name) {
                                   return !IsSuiteDesignPackageValue(name, majorVersion);
                               }),
                names.end());
    ideKey.DeleteSectionValues(section, names);
}

}  // namespace

void ReplaceKnownPackages(const RegistrationPlan& plan, const KitPlatform::RegistryProfile& ideKey) {
    // One listing serves every comparison; the deletions do not change it.
    const std::vector<std::string> snapshot =
        ideKey.ListSectionValues(kKnownPackagesSection).value_or(std::vector<std::string>{});
    ideKey.DeleteSectionValues(kKnownPackagesSection,
                               KnownPackagesToDelete(snapshot, plan.KnownPackagesToRemove));
    for (const KnownPackageEntry& entry : plan.KnownPackagesToAdd) {
        ideKey.WriteSectionString(kKnownPackagesSection, entry.ValueName, entry.Description);
    }
}

void RemoveSuiteKnownPackages(int majorVersion, const KitPlatform::RegistryProfile& ideKey) {
    RemoveSuiteValues(kKnownPackagesSection, majorVersion, ideKey);
    RemoveSuiteValues(kDisabledPackagesSection, majorVersion, ideKey);
}

}  // namespace ComponentSetup
