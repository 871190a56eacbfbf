// The runs of one IDE: the floor and the request take turns, each in a fresh
// process on a freshly laid installation, so that whatever else the machine
// does meets both alike; then one request on small files.
#pragma once

#include <vector>

#include "bench/Figures.h"
#include "bench/Installation.h"

namespace KitBench {

struct IdeRuns {
    std::vector<double> requestSeconds;  // without the information box
    std::vector<double> boxSeconds;
    std::vector<double> floorSeconds;
    double largePeak = 0;  // the highest peak working set before the box
    double largeGrowth = 0;  // its highest growth during the call
    double largePeakWithBox = 0;
    std::vector<Figures> floorRuns;    // sorted by time
    std::vector<Figures> countedRuns;  // requests with every call counted, sorted by time
    Figures small;  // the request on small files

    // Counts and the breakdowns of time come from the runs in the middle.
    Figures& MiddleCounted() { return countedRuns[countedRuns.size() / 2]; }
    Figures& MiddleFloor() { return floorRuns[floorRuns.size() / 2]; }
};

// The first turn runs on the large installation as it is laid already. Three
// counted requests follow the turns.
IdeRuns RunInTurns(const Ide& ide, int runs);

}  // namespace KitBench
