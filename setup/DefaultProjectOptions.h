// Delphi's default project options file (<root>\Bin\DefProj.dof): the
// "Packages" value of section "Directories" lists the run-time packages that
// new projects use.
#pragma once

#include <string>

#include "setup/text/RegistrationPlan.h"

namespace ComponentSetup {

// Takes the plan's run-time names out of "Packages" (the first whole
// occurrence of each) and appends the names to add that are not there, each
// edit seeing what the one before left; the value is read once and written
// once, only when an edit changed it. A missing file is left alone. Raises
// what the profile file raises.
void EditDefaultProjectOptions(const std::string& rootDir, const RegistrationPlan& plan);

// Takes every whole entry of the suite's run-time packages of this version,
// either edition, out of "Packages"; writes only when one went. A missing file
// is left alone. Raises what the profile file raises.
void RemoveSuiteDefaultPackages(const std::string& rootDir, int majorVersion);

}  // namespace ComponentSetup
