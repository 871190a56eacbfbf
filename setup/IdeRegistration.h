// Registers the suite with one IDE, Delphi or C++Builder alike, from the
// IDE's table: "Known Packages", the library search path and the palette in
// the IDE's per-user key, then the IDE's default project.
#pragma once

#include "setup/text/IdeTarget.h"

namespace ComponentSetup {

// Ends quietly at its first failure: what was written so far stays, the
// steps behind the failure don't run, and nothing is reported.
void RegisterIde(const IdeTarget& target) noexcept;

}  // namespace ComponentSetup
