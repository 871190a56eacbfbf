// The IDE's library "Search Path": the entries earlier suite versions put
// there go, the current suite's library directory comes in. Works on the
// registration's open profile of the IDE's per-user key.
#pragma once

#include <string>

#include "setup/text/IdeTarget.h"

namespace KitPlatform {
class RegistryProfile;
}  // namespace KitPlatform

namespace ComponentSetup {

// One earlier version's library directory entry for this IDE, upper-cased and
// ending with ";"; empty when that version's key cannot be opened or holds no
// "InstallDir". Never fails outward.
std::string EarlierLibraryDir(const std::string& suiteVersion, IdeKind kind,
                              int majorVersion) noexcept;

// Rewrites "Search Path" in section "Library". Raises what the registry raises.
void UpdateSearchPath(const IdeTarget& target, const KitPlatform::RegistryProfile& ideKey);

// Takes every entry equal to the suite's library directory for this IDE
// (with or without a final backslash) out of "Search Path"; writes only when
// one went. Raises what the registry raises.
void RemoveSuiteSearchPathEntries(const IdeTarget& target, const KitPlatform::RegistryProfile& ideKey);

}  // namespace ComponentSetup
