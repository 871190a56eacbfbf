// IDEUninstall's work for one IDE: the stores IDEInstall writes, each taken
// back on its own by the counterpart of the step that wrote it, so that a
// failure in one leaves that store as it was and the others still run.
#pragma once

#include <string>

#include "setup/text/IdeTarget.h"

namespace ComponentSetup {

// What one uninstall works on: the IDE (the edition does not matter, both
// editions' entries go), the suite's "InstallDir" (empty when unreadable: the
// setup program may have removed the suite's key already) and the IDE's
// "RootDir", used as read.
struct UninstallTarget {
    IdeTarget Ide;
    std::string RootDir;
};

// Each step ends quietly at its first failure, leaving its store as it was.
// The registry steps open the IDE's per-user key only when it exists.
void RemoveSuitePackages(const UninstallTarget& target) noexcept;
void RemoveSuiteLibraryDir(const UninstallTarget& target) noexcept;
void RemoveSuitePalettePages(const UninstallTarget& target) noexcept;
void RemoveSuiteDefaultProjectPackages(const UninstallTarget& target) noexcept;

}  // namespace ComponentSetup
