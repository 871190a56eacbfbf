// What one call of the entry point works on: the requested IDE and edition
// and the suite directory read for this call. Passed down to every step;
// nothing of it is kept between calls. Free of any OS header.
#pragma once

#include <string>

#include "setup/text/InstallRequest.h"

namespace ComponentSetup {

struct IdeTarget {
    IdeKind Kind = IdeKind::Delphi;
    int MajorVersion = 0;
    bool TrialEdition = false;
    // The suite's "InstallDir" as stored; expected to end with a backslash,
    // since "Bin\" and "Lib" are appended to it directly.
    std::string SuiteDir;
};

inline IdeTarget TargetOf(const InstallRequest& request, std::string suiteDir) {
    return {request.Kind, request.MajorVersion, request.TrialEdition, std::move(suiteDir)};
}

// "SOFTWARE\Borland\Delphi\7.0" and the like: the IDE's key below either root.
std::string IdeKeyPath(IdeKind kind, int majorVersion);

}  // namespace ComponentSetup
