// The installation the benchmark measures against: a large but plausible
// machine of a developer who has collected years of packages, laid into the
// Wine prefix (C:\kitsetup-bench and the Borland/Ostrel keys), and the check
// that a request did all its work on it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "bench/Figures.h"

namespace KitBench {

constexpr int kKnownPackageValues = 5000;
constexpr int kSearchPathEntries = 2000;
constexpr int kMacroPackageNames = 2000;
constexpr std::size_t kDofPackagesChars = 20000;

struct Scale {
    const char* name;
    int helpLines;
    int projectLines;
};
constexpr Scale kLarge{"large", 200000, 100000};
// The same registry and package lists, but files of a few lines: memory that
// grows with the files shows as the difference between the two.
constexpr Scale kSmall{"small", 1000, 1000};

inline const std::string kBenchRoot = "C:\\kitsetup-bench";
inline const std::string kSuiteDir = kBenchRoot + "\\Ostrel Components 3.0\\";
inline const std::string kOldSuiteDir = kBenchRoot + "\\Ostrel Components 2.52\\";
inline const std::string kOlderSuiteDir = kBenchRoot + "\\Ostrel Components 2.5\\";

// The IDE a request is for, and where its files lie in the installation.
struct Ide {
    const char* request;  // "D7" or "C6"
    bool delphi;
    int version;

    std::string KeyPath() const {
        return std::string("SOFTWARE\\Borland\\") + (delphi ? "Delphi\\" : "C++Builder\\") +
               std::to_string(version) + ".0";
    }
    std::string Root() const {
        return kBenchRoot + (delphi ? "\\Delphi" : "\\CBuilder") + std::to_string(version);
    }
    std::string Help(const std::string& name) const { return Root() + "\\Help\\" + name; }
    std::string Bin(const std::string& name) const { return Root() + "\\Bin\\" + name; }
    std::string V() const { return std::to_string(version); }

    // The files a request rewrites through a work file and a backup.
    std::vector<std::string> RewrittenFiles() const {
        if (delphi) {
            return {Help("D" + V() + ".cnt"), Help("D" + V() + ".ohc"), Help("D" + V() + ".ohi"),
                    Help("D" + V() + ".ohl")};
        }
        return {Help("BCB" + V() + ".ohi"), Help("BCB" + V() + ".ohl"), Bin("Default.bpr")};
    }
    // Rewritten in place by the profile functions (Delphi only).
    std::string OptionsFile() const { return delphi ? Bin("DefProj.dof") : std::string(); }
};

const Ide& IdeFor(const std::string& request);
extern const Ide kIdes[2];

// Removes the installation's keys and files.
void Clear();
// Lays the installation for one IDE afresh, its files at the given scale.
void Arrange(const Ide& ide, const Scale& scale);

// A fast request that did not do its work would prove nothing: the result of
// every timed request is checked against what it must have changed; throws
// naming what is missing.
void CheckRequestDone(const Ide& ide, const Figures& figures);

}  // namespace KitBench
