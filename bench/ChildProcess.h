// Each measurement runs in a fresh process of its own, this same program
// started with an internal mode, which writes what it found to a file.
#pragma once

#include <string>

#include "bench/CallCounting.h"
#include "bench/Figures.h"
#include "bench/Installation.h"

namespace KitBench {

// kitsetup_bench --call REQ FILE: one request through the loaded KitSetup.dll,
// timed, only the information box patched. --count REQ FILE: the same with
// every call counted and timed, for where the time went.
int MeasureRequest(const std::string& request, const std::string& resultPath, Patching patching);
// kitsetup_bench --floor REQ FILE: what any implementation has to do for the
// request.
int MeasureFloor(const std::string& request, const std::string& resultPath);

// Runs this program in the given mode for the IDE in a process of its own
// and gives back what it measured; throws when it failed.
Figures RunChild(const std::string& mode, const Ide& ide);

}  // namespace KitBench
