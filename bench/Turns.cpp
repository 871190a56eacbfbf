#include "bench/Turns.h"

#include <algorithm>
#include <utility>

#include "bench/ChildProcess.h"

namespace KitBench {

IdeRuns RunInTurns(const Ide& ide, int runs) {
    IdeRuns result;
    for (int run = 0; run < runs; ++run) {
        if (run > 0) Arrange(ide, kLarge);
        result.floorRuns.push_back(RunChild("--floor", ide));
        result.floorSeconds.push_back(result.floorRuns.back()["seconds"]);

        Arrange(ide, kLarge);
        Figures figures = RunChild("--call", ide);
        CheckRequestDone(ide, figures);
        result.requestSeconds.push_back(figures["seconds"]);
        result.boxSeconds.push_back(figures["box_seconds"]);
        result.largePeak = std::max(result.largePeak, figures["peak_before_box"]);
        result.largeGrowth = std::max(result.largeGrowth,
                                      figures["peak_before_box"] - figures["working_set_before"]);
        result.largePeakWithBox = std::max(result.largePeakWithBox, figures["peak_working_set"]);
    }
    constexpr int kCountedRuns = 3;
    for (int run = 0; run < kCountedRuns; ++run) {
        Arrange(ide, kLarge);
        Figures figures = RunChild("--count", ide);
        CheckRequestDone(ide, figures);
        result.countedRuns.push_back(std::move(figures));
    }
    const auto bySeconds = [](Figures& a, Figures& b) { return a["seconds"] < b["seconds"]; };
    std::sort(result.countedRuns.begin(), result.countedRuns.end(), bySeconds);
    std::sort(result.floorRuns.begin(), result.floorRuns.end(), bySeconds);

    Arrange(ide, kSmall);
    result.small = RunChild("--count", ide);
    CheckRequestDone(ide, result.small);
    return result;
}

}  // namespace KitBench
