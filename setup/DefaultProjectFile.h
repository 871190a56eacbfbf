// C++Builder's default project (<root>\Bin\Default.bpr): its run-time package
// list, a "PACKAGES = " macro or, in a project kept as XML, the value of the
// PACKAGES element.
#pragma once

#include <string>

#include "setup/text/RegistrationPlan.h"

namespace ComponentSetup {

// Backs the file up to Default.~bp, builds the edited content in Default.new
// and puts it in the file's place: the plan's names out (the first equal one
// of each, letter case ignored), the names to add appended unless there. A
// missing file is left alone. Raises what the file operations raise.
void EditDefaultProjectFile(const std::string& rootDir, const RegistrationPlan& plan);

// Takes the suite's run-time package names of this version, either edition,
// out of the project's package list (every occurrence), through Default.new
// and an atomic replace, with no new backup: IDEInstall's stays as it is.
// Written only when a name went; a missing file is left alone. Raises what
// the file operations raise.
void RemoveSuiteProjectPackages(const std::string& rootDir, int majorVersion);

}  // namespace ComponentSetup
