#pragma once

namespace ComponentSetup {

// Registers the suite's packages with one Delphi version and edits its
// default project options. Ends quietly at its first failure.
void RegisterDelphi(int majorVersion, bool trialEdition) noexcept;

}  // namespace ComponentSetup
