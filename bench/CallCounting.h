// Counting the registry, file and heap calls that KitSetup.dll makes, and the
// time spent in them, by pointing its import table at counting wrappers.
// Counting must cost next to nothing beside the calls themselves.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "bench/Figures.h"

namespace KitBench {

// What a run patches into the module's import table. A wrapper reads the
// clock twice a call, and under Wine that costs about a tenth of a
// microsecond each time: thousands of registry calls would carry a
// millisecond of it. So the runs that are timed patch only the information
// box, and separate runs count.
enum class Patching { BoxOnly, EveryCall };

// Patches the wrappers into the module. Counting every call, a registry
// function the library imports but no wrapper counts would make the figures
// lie: such names are handed back.
std::vector<std::string> CountCalls(HMODULE module, Patching patching);
void ResetCounters();

// Time spent in the information box, which waits for the user.
double BoxSeconds();
// The peak working set when the information box was about to be shown (the
// library's own, before the dialog brings in fonts and the like); 0 when no
// box was shown.
double PeakBeforeBox();
// Information boxes shown and closed by the wrapper of MessageBoxA.
long long BoxesClosed();
// "calls.F" and "seconds.F" of every counted function F, and the bytes read,
// written, copied and allocated.
void AddCallFigures(Figures& figures);

}  // namespace KitBench
