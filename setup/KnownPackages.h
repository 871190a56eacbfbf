// The IDE's "Known Packages" section: one value per registered design-time
// package, named by the package file's full path, holding its description.
// Shared by the Delphi and the C++Builder registration.
#pragma once

#include <string>
#include <vector>

#include "setup/text/InstallRequest.h"

namespace KitPlatform {
class TRegIniFile;
class TStringList;
}  // namespace KitPlatform

namespace ComponentSetup {

inline constexpr const char* kKnownPackagesSection = "Known Packages";

// Deletes every value of the snapshot whose name contains oldFileName,
// compared with ASCII letters upper-cased. Raises what the registry raises.
void RemoveKnownPackages(const std::string& oldFileName, const KitPlatform::TStringList& snapshot,
                         KitPlatform::TRegIniFile& ideKey);

// Takes one snapshot of the section's value names, removes every value that
// names one of oldFileNames (in their order), then registers this version's
// standard package and, when the edition gate allows it, its data-aware one.
void ReplaceKnownPackages(IdeKind kind, int majorVersion, bool trialEdition,
                          const std::vector<const char*>& oldFileNames,
                          KitPlatform::TRegIniFile& ideKey);

}  // namespace ComponentSetup
