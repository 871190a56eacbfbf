// How long one IDEInstall request takes on a developer's machine that has
// collected years of packages, set against the least any implementation must
// do for it, and how much memory and how many registry calls it needs.
//
// The program lays a large but plausible installation into the Wine prefix it
// runs in (C:\kitsetup-bench and the Borland/Ostrel keys), then, for D7 and
// C6:
//  - runs the request through the loaded KitSetup.dll several times, each in
//    a fresh process on a freshly laid installation, taking turns with
//    - the floor, measured the same way: every rewritten file read once while
//    its work file is written once, the original renamed to the backup and
//    the work file renamed into its place, DefProj.dof read and written once,
//    and one listing of the "Known Packages" values;
//  - judges the ratio of the fastest request to the fastest floor (the
//    medians are printed beside it): what else the machine does can only
//    slow a run down, so the minimums are the steadiest figures;
//  - counts the registry, file and heap calls that KitSetup.dll makes, by
//    pointing its import table at counting wrappers, in runs of their own
//    (the wrappers' clock readings would slow the timed runs down);
//  - compares the peak working set with that of a run on small files.
//
//   kitsetup_bench [--runs N]        the whole benchmark (exit code 1 when a
//                                    target is missed)
//   kitsetup_bench --call REQ FILE   one request in this process (internal)
//   kitsetup_bench --count REQ FILE  the same, every call counted (internal)
//   kitsetup_bench --floor REQ FILE  one floor pass in this process (internal)
//   kitsetup_bench --arrange REQ [small]  only lay the installation, and
//   kitsetup_bench --clear           remove it again (for profiling --call)
//
// The installation's keys and files are removed at the end. Its measuring
// processes cannot have their registry redirected, so it lays and wipes the
// IDE keys of the prefix itself: it refuses to run anywhere but in the Wine
// prefix a KitSetup build made (see tests/support/BuildPrefix.h), and must not
// run beside the tests in that prefix.
//
// The pieces: bench/Installation (laying the installation and checking a
// request's work), bench/CallCounting (counting the DLL's calls),
// bench/ChildProcess (measuring in a process of its own), bench/Turns (the
// runs of one IDE), bench/Report
// (judging and printing).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "bench/ChildProcess.h"
#include "bench/Installation.h"
#include "bench/Report.h"
#include "tests/support/BuildPrefix.h"

using namespace KitBench;

int main(int argc, char** argv) {
    const std::string outside = KitTest::OutsideBuildPrefixReason();
    if (!outside.empty()) {
        std::fprintf(stderr, "kitsetup_bench: refused: %s\n", outside.c_str());
        return 2;
    }
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        if (args.size() == 3 && args[0] == "--call") {
            return MeasureRequest(args[1], args[2], Patching::BoxOnly);
        }
        if (args.size() == 3 && args[0] == "--count") {
            return MeasureRequest(args[1], args[2], Patching::EveryCall);
        }
        if (args.size() == 3 && args[0] == "--floor") return MeasureFloor(args[1], args[2]);
        // For a profiler: lay the installation, run --call on it, then --clear.
        if ((args.size() == 2 || args.size() == 3) && args[0] == "--arrange") {
            Arrange(IdeFor(args[1]), args.size() == 3 && args[2] == "small" ? kSmall : kLarge);
            return 0;
        }
        if (args.size() == 1 && args[0] == "--clear") {
            Clear();
            return 0;
        }
        int runs = 15;
        if (args.size() == 2 && args[0] == "--runs") {
            runs = std::atoi(args[1].c_str());
        } else if (!args.empty()) {
            std::fprintf(stderr, "usage: kitsetup_bench [--runs N]\n");
            return 2;
        }
        if (runs < 1) runs = 1;
        return RunBenchmark(runs);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kitsetup_bench: %s\n", error.what());
        return 2;
    }
}
