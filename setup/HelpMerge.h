#pragma once

#include <string>

#include "setup/text/InstallRequest.h"

namespace ComponentSetup {

// Merges the suite's help lines into the IDE's help configuration files.
// True when the last merge step that ran succeeded; never raises.
bool MergeIdeHelp(IdeKind kind, int majorVersion) noexcept;

// Takes the suite's help lines out again: in each file the merge appends
// suite lines to, every line equal to one of them and the closing empty line
// behind the last, through the merge's work file, with no new backup. When a
// file was rewritten, the merge's ".gid" files are deleted so that the help
// system rebuilds its index. A file that cannot be rewritten stays as it was;
// never raises.
void RemoveSuiteHelpLines(IdeKind kind, int majorVersion, const std::string& rootDir) noexcept;

}  // namespace ComponentSetup
