#pragma once

#include <string>

#include "setup/text/HelpPlans.h"
#include "setup/text/InstallRequest.h"

namespace ComponentSetup {

// Merges the suite's help lines into the IDE's help configuration files.
// True when the last merge step that ran succeeded; never raises.
bool MergeIdeHelp(IdeKind kind, int majorVersion) noexcept;

// Rewrites targetPath without the lines of either list and with addLines
// appended, after copying it to backupPath, building the new content in
// workPath. False when the target doesn't exist (nothing is touched) or when
// the rewritten content could not replace the target's (the target is then
// as before). A failed read or write raises KitPlatform::EInOutError.
bool MergeHelpFile(const std::string& targetPath, const std::string& workPath,
                   const std::string& backupPath, HelpLineList removeLines,
                   HelpLineList addLines);

}  // namespace ComponentSetup
