// The IDE's "Known Packages" section: one value per registered design-time
// package, named by the package file's full path, holding its description.
#pragma once

#include "setup/text/RegistrationPlan.h"

namespace KitPlatform {
class RegistryProfile;
}  // namespace KitPlatform

namespace ComponentSetup {

// Takes one snapshot of the section's value names, deletes every value that
// names one of the plan's earlier package files (in their order; the snapshot
// is not updated by the deletions), then writes the plan's entries.
// Raises what the registry raises.
void ReplaceKnownPackages(const RegistrationPlan& plan, const KitPlatform::RegistryProfile& ideKey);

// Deletes, from "Known Packages" and "Disabled Packages" (where the IDE keeps
// a package the user switched off), every value that names one of the
// version's design-time package files of the suite, either edition, in any
// directory. Values are only deleted, never written again: the ones that stay
// keep their order, which is the order the IDE loads packages in.
// Raises what the registry raises.
void RemoveSuiteKnownPackages(int majorVersion, const KitPlatform::RegistryProfile& ideKey);

}  // namespace ComponentSetup
