// Facts read from HKEY_LOCAL_MACHINE before anything is changed. Each
// operation opens the keys it reads for reading only, never writes, and turns
// every failure into an empty string or false.
#pragma once

#include <string>

#include "setup/text/IdeTarget.h"

namespace ComponentSetup {

std::string ReadProductInstallDir() noexcept;
bool IdeKeyExists(IdeKind kind, int majorVersion) noexcept;
std::string ReadIdeRootDir(IdeKind kind, int majorVersion) noexcept;
std::string ReadIdeVersion(IdeKind kind, int majorVersion) noexcept;
// One earlier suite version's "InstallDir" ("1.5" to "2.52"); empty when
// that version is not installed.
std::string ReadEarlierInstallDir(const std::string& suiteVersion) noexcept;

// False only for the "STD" edition of Delphi 5 and later or C++Builder 4 and
// later, which has no data-aware components.
bool DataAwareAllowed(IdeKind kind, int majorVersion) noexcept;

}  // namespace ComponentSetup
