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

}  // namespace ComponentSetup
