// The fixed plans by which the suite's help lines reach an IDE's help
// configuration files: which files are rewritten, with which work file and
// backup, which lines are dropped and appended, and which ".gid" files the
// help system must rebuild afterwards. Free of any OS header.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/AsciiText.h"
#include "platform/text/LineSplitter.h"
#include "setup/text/InstallRequest.h"
#include "setup/text/TableView.h"

namespace ComponentSetup {

// Whole help lines without their line breaks, in the order they are written.
using HelpLineList = TableView<std::string_view>;

// One rewrite of one help file.
struct HelpMergeStep {
    std::string TargetPath;
    std::string WorkPath;
    std::string BackupPath;
    HelpLineList RemoveLines;  // dropped wherever they stand
    HelpLineList AddLines;     // dropped wherever they stand, then appended
};

struct HelpPlan {
    // Run in order; a step runs only when the one before it succeeded.
    std::vector<HelpMergeStep> Steps;
    // Deleted in order after the steps, whatever they returned.
    std::vector<std::string> GidFiles;
};

// "Delphi5", "Delphi6", and "D" plus the version for every other version.
std::string DelphiHelpBaseName(int majorVersion);

// The plan for the IDE whose root directory is rootDir, used exactly as read
// (an empty one yields paths that begin with "\Help\").
HelpPlan HelpPlanFor(IdeKind kind, int majorVersion, const std::string& rootDir);

// False when the line equals an entry of either list. Equal means the same
// bytes once the ASCII letters a-z are upper-cased: whole lines, no trimming,
// every other byte compared as it is.
bool HelpLineStays(std::string_view line, HelpLineList addLines,
                   HelpLineList removeLines) noexcept;

// HelpLineStays for one pair of lists, with the lengths of their entries
// worked out once: nearly every line of a help file has a length no entry
// has and is settled without looking at its bytes.
class HelpLineFilter {
public:
    HelpLineFilter(HelpLineList addLines, HelpLineList removeLines) noexcept;

    // The lines that can be dropped: those of an entry's length whose middle
    // byte, upper-cased, an entry of that length has. Every other line stays.
    KitText::LineScreen Screen() const noexcept { return {entryLengths_, middleBytes_}; }

    bool operator()(std::string_view line) const noexcept {
        return !Screen().Asks(line) || HelpLineStays(line, addLines_, removeLines_);
    }

private:
    HelpLineList addLines_;
    HelpLineList removeLines_;
    std::uint64_t entryLengths_ = 0;
    // For each length below 63, the middle bytes of the entries of that
    // length, upper-cased.
    std::bitset<256> middleBytes_[KitText::LineScreen::kLongLineBit];
};

}  // namespace ComponentSetup
