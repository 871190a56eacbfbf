#include "bench/Report.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <vector>

#include "bench/Installation.h"
#include "bench/Turns.h"

namespace KitBench {

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double MiB(double bytes) { return bytes / (1024.0 * 1024.0); }

std::string Milliseconds(const std::vector<double>& seconds) {
    std::ostringstream text;
    text.setf(std::ios::fixed);
    text.precision(0);
    for (std::size_t i = 0; i < seconds.size(); ++i) {
        text << (i ? " " : "") << seconds[i] * 1000;
    }
    return text.str();
}

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Where the time of one request went: in the system functions it called, by
// kind, and in the library's own work (everything else).
void PrintTimeSpent(Figures& run) {
    const std::pair<const char*, std::vector<const char*>> kinds[] = {
        {"registry", {"RegOpenKeyExA", "RegCreateKeyExA", "RegCloseKey", "RegQueryValueExA",
                      "RegSetValueExA", "RegQueryInfoKeyA", "RegEnumValueA", "RegDeleteValueA"}},
        {"file copies", {"CopyFileA"}},
        {"other file calls",
         {"CreateFileA", "ReadFile", "WriteFile", "MoveFileExA", "DeleteFileA", "CloseHandle",
          "GetTempFileNameA", "FindFirstFileA", "GetFileAttributesA", "SetFileAttributesA",
          "GetFileSecurityA", "SetFileSecurityA"}},
        {"profile calls", {"GetPrivateProfileStringA", "WritePrivateProfileStringA"}},
        {"CompareStringA", {"CompareStringA"}},
    };
    double accounted = 0;
    std::printf("          of the middle of the counted runs (%.0f ms, counting included):",
                run["seconds"] * 1000);
    for (const auto& [kind, functions] : kinds) {
        double seconds = 0;
        for (const char* function : functions) seconds += run[std::string("seconds.") + function];
        accounted += seconds;
        std::printf(" %s %.0f,", kind, seconds * 1000);
    }
    std::printf(" the library's own work %.0f ms\n", (run["seconds"] - accounted) * 1000);
}

constexpr double kTimeTarget = 1.25;
// Streaming needs a buffer or two, not the files: what a run on large files
// needs beyond a run on small ones stays far below the size of any one file.
constexpr double kMemoryGrowthAllowance = 2.0 * 1024 * 1024;

// What the runs of one IDE come to, against the targets.
// Time is judged on the fastest run of each: the machine's other work only
// ever adds to a run. The medians are shown beside them.
struct Verdict {
    double requestMin = 0;
    double floorMin = 0;
    double ratio = 0;  // of the minimums
    double requestMedian = 0;
    double floorMedian = 0;
    double medianRatio = 0;
    double listed = 0;  // "Known Packages" values, as the floor listed them
    double listings = 0;
    double enumerations = 0;
    double smallGrowth = 0;
    double memoryGrowth = 0;
    bool timeMet = false;
    bool memoryMet = false;
    bool listingMet = false;

    bool Met() const { return timeMet && memoryMet && listingMet; }
};

// Lays the large installation for the first turn and prints the sizes of
// the files a request rewrites; gives back their sum.
long long ArrangeAndPrintFiles(const Ide& ide) {
    Arrange(ide, kLarge);
    long long rewrittenBytes = FileSize(ide.OptionsFile());
    std::printf("files: ");
    for (const std::string& file : ide.RewrittenFiles()) {
        rewrittenBytes += FileSize(file);
        std::printf("%s %.1f MiB  ", file.substr(file.find_last_of('\\') + 1).c_str(),
                    MiB(static_cast<double>(FileSize(file))));
    }
    std::printf("\n");
    return rewrittenBytes;
}

Verdict Judge(IdeRuns& runs) {
    Verdict verdict;
    Figures& middle = runs.MiddleCounted();
    verdict.listed = runs.MiddleFloor()["listed"];
    verdict.smallGrowth = runs.small["peak_before_box"] - runs.small["working_set_before"];
    verdict.requestMin = *std::min_element(runs.requestSeconds.begin(), runs.requestSeconds.end());
    verdict.floorMin = *std::min_element(runs.floorSeconds.begin(), runs.floorSeconds.end());
    verdict.ratio = verdict.requestMin / verdict.floorMin;
    verdict.requestMedian = Median(runs.requestSeconds);
    verdict.floorMedian = Median(runs.floorSeconds);
    verdict.medianRatio = verdict.requestMedian / verdict.floorMedian;
    verdict.memoryGrowth = runs.largePeak - runs.small["peak_before_box"];
    verdict.listings = middle["listings"];
    verdict.enumerations = middle["calls.RegEnumValueA"];
    verdict.timeMet = verdict.ratio <= kTimeTarget;
    verdict.memoryMet = verdict.memoryGrowth <= kMemoryGrowthAllowance;
    verdict.listingMet = verdict.listings == 1 && verdict.enumerations <= verdict.listed + 1 &&
                         middle["uncounted_registry_functions"] == 0;
    return verdict;
}

void PrintTimes(IdeRuns& runs, const Verdict& verdict, long long rewrittenBytes) {
    const int count = static_cast<int>(runs.requestSeconds.size());
    Figures& floorMiddle = runs.MiddleFloor();
    std::printf("request   %7.0f ms  fastest of %d, median %.0f ms, without the information box"
                " (runs: %s ms; box %s ms)\n",
                verdict.requestMin * 1000, count, verdict.requestMedian * 1000,
                Milliseconds(runs.requestSeconds).c_str(), Milliseconds(runs.boxSeconds).c_str());
    PrintTimeSpent(runs.MiddleCounted());
    std::printf("floor     %7.0f ms  fastest of %d, median %.0f ms (runs: %s ms): %.1f MiB of"
                " files read once and written once, %.0f values listed\n",
                verdict.floorMin * 1000, count, verdict.floorMedian * 1000,
                Milliseconds(runs.floorSeconds).c_str(), MiB(static_cast<double>(rewrittenBytes)),
                verdict.listed);
    std::printf("          of its middle run: passes %.0f, renames %.0f, DefProj.dof %.0f,"
                " listing %.0f ms\n",
                floorMiddle["seconds.passes"] * 1000, floorMiddle["seconds.renames"] * 1000,
                floorMiddle["seconds.options"] * 1000, floorMiddle["seconds.listing"] * 1000);
    std::printf("ratio     %7.2f     of the minimums, target <= %.2f  %s; of the medians %.2f\n",
                verdict.ratio, kTimeTarget, verdict.timeMet ? "met" : "MISSED",
                verdict.medianRatio);
}

void PrintMemory(IdeRuns& runs, const Verdict& verdict) {
    std::printf("memory    peak working set up to the information box %.1f MiB on large files"
                " (+%.1f MiB during the call), %.1f MiB on small files (+%.1f MiB): grows by"
                " %.1f MiB with the files, allowance %.1f  %s; %.1f MiB once the box is shown\n",
                MiB(runs.largePeak), MiB(runs.largeGrowth), MiB(runs.small["peak_before_box"]),
                MiB(verdict.smallGrowth), MiB(verdict.memoryGrowth), MiB(kMemoryGrowthAllowance),
                verdict.memoryMet ? "met" : "MISSED", MiB(runs.largePeakWithBox));
}

void PrintCalls(Figures& last, const Verdict& verdict) {
    std::printf("registry  calls per request:");
    double registryCalls = 0;
    for (const auto& [name, value] : last) {
        if (name.rfind("calls.Reg", 0) == 0) {
            std::printf(" %s %.0f", name.c_str() + 6, value);
            registryCalls += value;
        }
    }
    std::printf("; total %.0f\n", registryCalls);
    std::printf("listing   \"Known Packages\" listed %.0f time(s), %.0f names enumerated for %.0f"
                " values  %s\n",
                verdict.listings, verdict.enumerations, verdict.listed,
                verdict.listingMet ? "met" : "MISSED");
    // The deletions are the help index files (those of work files that are
    // gone already cost next to nothing): work the floor does not count, and
    // on a disk that discards freed blocks as they are freed, milliseconds.
    std::printf("files     CreateFileA %.0f, ReadFile %.0f (%.1f MiB), WriteFile %.0f (%.1f MiB),"
                " CopyFileA %.0f (%.1f MiB), MoveFileExA %.0f, DeleteFileA %.0f (%.1f ms),"
                " profile reads %.0f, profile writes %.0f\n",
                last["calls.CreateFileA"], last["calls.ReadFile"], MiB(last["bytes_read"]),
                last["calls.WriteFile"], MiB(last["bytes_written"]), last["calls.CopyFileA"],
                MiB(last["bytes_copied"]), last["calls.MoveFileExA"], last["calls.DeleteFileA"],
                last["seconds.DeleteFileA"] * 1000, last["calls.GetPrivateProfileStringA"],
                last["calls.WritePrivateProfileStringA"]);
    std::printf("other     CompareStringA %.0f, malloc %.0f, realloc %.0f (%.1f MiB asked),"
                " information boxes %.0f\n",
                last["calls.CompareStringA"], last["calls.malloc"], last["calls.realloc"],
                MiB(last["bytes_allocated"]), last["boxes"]);
}

// Measures one IDE; false when it misses a target.
bool Benchmark(const Ide& ide, int runCount) {
    std::printf("\n== %s ==\n", ide.request);
    const long long rewrittenBytes = ArrangeAndPrintFiles(ide);
    IdeRuns runs = RunInTurns(ide, runCount);
    const Verdict verdict = Judge(runs);
    PrintTimes(runs, verdict, rewrittenBytes);
    PrintMemory(runs, verdict);
    PrintCalls(runs.MiddleCounted(), verdict);
    return verdict.Met();
}

}  // namespace

int RunBenchmark(int runs) {
    std::printf("KitSetup.dll benchmark: \"Known Packages\" %d values, \"Search Path\" %d entries,"
                " help files %d lines each, Default.bpr %d lines with %d PACKAGES names,"
                " DefProj.dof \"Packages\" %zu characters; %d runs, each in a fresh process.\n",
                kKnownPackageValues, kSearchPathEntries, kLarge.helpLines, kLarge.projectLines,
                kMacroPackageNames, kDofPackagesChars, runs);
    bool met = true;
    try {
        for (const Ide& ide : kIdes) met = Benchmark(ide, runs) && met;
    } catch (...) {
        Clear();
        throw;
    }
    Clear();
    std::printf("\n%s\n", met ? "All targets met." : "A target was MISSED.");
    return met ? 0 : 1;
}

}  // namespace KitBench
