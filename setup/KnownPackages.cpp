#include "setup/KnownPackages.h"

#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryProfile.h"
#include "setup/text/UninstallText.h"

namespace ComponentSetup {

namespace {

constexpr const char* kKnownPackagesSection = "Known Packages";
constexpr const char* kDisabledPackagesSection = "Disabled Packages";

void RemoveSuiteValues(const char* section, int majorVersion,
                       const KitPlatform::RegistryProfile& ideKey) {
    std::vector<std::string> names;
    ideKey.ForEachSectionValue(section, [&names, majorVersion](std::string_view name) {
        if (IsSuiteDesignPackageValue(name, majorVersion)) names.emplace_back(name);
    });
    ideKey.DeleteSectionValues(section, names);
}

}  // namespace

void ReplaceKnownPackages(const RegistrationPlan& plan, const KitPlatform::RegistryProfile& ideKey) {
    // One listing serves every comparison; the deletions come after it.
    KnownPackageSelection selection(plan.KnownPackagesToRemove);
    ideKey.ForEachSectionValue(kKnownPackagesSection,
                               [&selection](std::string_view name) { selection.Offer(name); });
    ideKey.DeleteSectionValues(kKnownPackagesSection, selection.Selected());
    for (const KnownPackageEntry& entry : plan.KnownPackagesToAdd) {
        ideKey.WriteSectionString(kKnownPackagesSection, entry.ValueName, entry.Description);
    }
}

void RemoveSuiteKnownPackages(int majorVersion, const KitPlatform::RegistryProfile& ideKey) {
    RemoveSuiteValues(kKnownPackagesSection, majorVersion, ideKey);
    RemoveSuiteValues(kDisabledPackagesSection, majorVersion, ideKey);
}

}  // namespace ComponentSetup
