#pragma once

namespace ComponentSetup {

// Registers the suite's packages with one C++Builder version and edits its
// default project. Ends quietly at its first failure.
void RegisterCppBuilder(int majorVersion, bool trialEdition) noexcept;

}  // namespace ComponentSetup
