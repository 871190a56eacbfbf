// Delphi's default project options file (<root>\Bin\DefProj.dof): the
// "Packages" value of section "Directories" lists the run-time packages that
// new projects use. Each edit reads the value afresh, so it sees what the
// previous one wrote.
#pragma once

#include <string>

namespace KitPlatform {
class TIniFile;
}  // namespace KitPlatform

namespace ComponentSetup {

inline constexpr const char* kDirectoriesSection = "Directories";
inline constexpr const char* kPackagesIdent = "Packages";

// Takes out the first whole occurrence of entry; writes only when it was there.
// Raises what the profile file raises.
void RemoveDefaultPackage(const std::string& entry, KitPlatform::TIniFile& options);

// Appends entry unless it is already there; writes only when it was not.
// Raises what the profile file raises.
void AddDefaultPackage(const std::string& entry, KitPlatform::TIniFile& options);

}  // namespace ComponentSetup
