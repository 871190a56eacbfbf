#pragma once

#include "setup/text/InstallRequest.h"

namespace ComponentSetup {

// Merges the suite's help lines into the IDE's help configuration files.
// True when the last merge step that ran succeeded; never raises.
bool MergeIdeHelp(IdeKind kind, int majorVersion) noexcept;

}  // namespace ComponentSetup
