// IDEUninstall's work for one IDE: the stores IDEInstall writes, each taken
// back on its own, so that a failure in one leaves that store as it was and
// the others still run.
#pragma once

#include <string>

#include "setup/text/InstallRequest.h"

namespace ComponentSetup {

// Everything the uninstall needs to know about the IDE, read once.
struct UninstallTarget {
    IdeKind Kind = IdeKind::Delphi;
    int MajorVersion = 0;
    std::string InstallDir;  // the suite's "InstallDir"; empty when unreadable
    std::string RootDir;     // the IDE's "RootDir", used as read
};

// Each step ends quietly at its first failure, leaving its store as it was.
void RemoveSuitePackages(const UninstallTarget& target) noexcept;
void RemoveSuiteLibraryDir(const UninstallTarget& target) noexcept;
void RemoveSuitePalettePages(const UninstallTarget& target) noexcept;
void RemoveSuiteDefaultProjectPackages(const UninstallTarget& target) noexcept;
void RemoveSuiteHelpLines(const UninstallTarget& target) noexcept;

}  // namespace ComponentSetup
