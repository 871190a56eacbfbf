// The suite's package names: "Os30" or "Os30Trial", "DB" for the data-aware
// package, then "Ctls_Dsgn" (design-time) or "Ctls" (run-time). A file name
// adds the IDE's major version, "0" and ".bpl"; a run-time entry of a default
// project adds the version, "0" and the IDE's own ending. The names do not
// depend on the IDE. Free of any OS header.
#pragma once

#include <string>

namespace ComponentSetup {

enum class PackageRole { DesignTime, RunTime };

// "Os30TrialDBCtls_Dsgn", "Os30Ctls" and the like: the name without version.
std::string PackageBaseName(PackageRole role, bool dataAware, bool trialEdition);

// The design-time package file: "Os30Ctls_Dsgn70.bpl" for version 7.
std::string DesignPackageFileName(bool dataAware, int majorVersion, bool trialEdition);

// The description the IDE shows for a registered design-time package.
const char* PackageDescription(bool dataAware, bool trialEdition) noexcept;

}  // namespace ComponentSetup
