// Facts read from HKEY_LOCAL_MACHINE before anything is changed. Each
// operation opens the registry afresh, never writes, and turns every failure
// into an empty string or false.
#pragma once

#include <string>

#include "setup/text/InstallRequest.h"

namespace ComponentSetup {

// "SOFTWARE\Borland\Delphi\7.0" and the like: the IDE's key below either root.
std::string IdeKeyPath(IdeKind kind, int majorVersion);

std::string ReadProductInstallDir() noexcept;
bool IdeKeyExists(IdeKind kind, int majorVersion) noexcept;
std::string ReadIdeRootDir(IdeKind kind, int majorVersion) noexcept;
std::string ReadIdeVersion(IdeKind kind, int majorVersion) noexcept;

// False only for the "STD" edition of Delphi 5 and later or C++Builder 4 and
// later, which has no data-aware components.
bool DataAwareAllowed(IdeKind kind, int majorVersion) noexcept;

}  // namespace ComponentSetup
