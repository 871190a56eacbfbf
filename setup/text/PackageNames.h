// The suite's package file names: "Os30" or "Os30Trial", "DB" for the
// data-aware package, "Ctls_Dsgn" (design-time) or "Ctls" (run-time), the
// IDE's major version followed by "0", and ".bpl". Free of any OS header.
#pragma once

#include <string>

namespace ComponentSetup {

std::string PackageFileName(bool designTime, bool dataAware, int majorVersion,
                            bool trialEdition);

// The description the IDE shows for a registered design-time package.
const char* PackageDescription(bool dataAware, bool trialEdition) noexcept;

// Run-time package names in a C++Builder default project: "Os30Ctls60.bpi"
// and the like (the IDE's major version followed by "0", then ".bpi").
std::string RuntimePackageName(bool dataAware, int majorVersion, bool trialEdition);

// Run-time package names in Delphi's default project, without the version
// and the ";" that DefaultPackageEntry adds: "Os30Ctls", "Os30TrialDBCtls".
const char* StandardRuntimePackage(bool trialEdition);
const char* DataAwareRuntimePackage(bool trialEdition);

}  // namespace ComponentSetup
