#include "setup/KnownPackages.h"

#include <string>
#include <vector>

#include "platform/RegistryProfile.h"

namespace ComponentSetup {

namespace {

constexpr const char* kKnownPackagesSection = "Known Packages";

}  // namespace

void ReplaceKnownPackages(const RegistrationPlan& plan, const KitPlatform::RegistryProfile& ideKey) {
    // One listing serves every comparison; the deletions do not change it.
    const std::vector<std::string> snapshot =
        ideKey.ListSectionValues(kKnownPackagesSection).value_or(std::vector<std::string>{});
    for (const std::string& name : KnownPackagesToDelete(snapshot, plan.KnownPackagesToRemove)) {
        ideKey.DeleteSectionValue(kKnownPackagesSection, name);
    }
    for (const KnownPackageEntry& entry : plan.KnownPackagesToAdd) {
        ideKey.WriteSectionString(kKnownPackagesSection, entry.ValueName, entry.Description);
    }
}

}  // namespace ComponentSetup
