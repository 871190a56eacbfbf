#include "setup/text/HelpPlans.h"

#include <utility>

#include "platform/text/AsciiText.h"

namespace ComponentSetup {

namespace {

// --- Line lists ---------------------------------------------------------------

// Lines that earlier suite versions put into a contents file.
constexpr std::string_view kEarlierContentsLines[] = {
    ":Include OsHlp3.cnt",
    ":Link OsHlp3.hlp",
    ":Index Ostrel Components II=Os20Help.hlp",
    ":Include Os20Help.cnt",
    ":Link Os20Help.hlp",
    ":Index Ostrel Components v2.5=OC25Help.hlp",
    ":Include OC25Help.cnt",
    ":Link OC25Help.hlp",
    ":Index Ostrel Components 2.52=OC25Help.hlp",
};

constexpr std::string_view kCurrentContentsLines[] = {
    ":Index Ostrel Components 3.0=OC3Help.hlp",
    ":Include OC3Help.cnt",
    ":Link OC3Help.hlp",
};

// Plan 2 adds no suite line to the contents file: its one empty entry drops
// every empty line of the file and leaves two at its end.
constexpr std::string_view kOneEmptyLine[] = {""};

constexpr std::string_view kEarlierDelphiTocLines[] = {":Include OC25Help.toc"};
constexpr std::string_view kCurrentDelphiTocLines[] = {":Include OC3Help.toc"};
constexpr std::string_view kEarlierDelphiIndexLines[] = {
    ":Index Ostrel Components 2.52=OC25Help.hlp"};
constexpr std::string_view kCurrentIndexLines[] = {":Index Ostrel Components 3.0=OC3Help.hlp"};
constexpr std::string_view kEarlierDelphiLinkLines[] = {":Link OC25Help.hlp"};
constexpr std::string_view kCurrentLinkLines[] = {":Link OC3Help.hlp"};

constexpr std::string_view kEarlierCppBuilderIndexLines[] = {
    ":INDEX Ostrel List Pack=OsHlp3.hlp",
    ":INDEX Ostrel Components II=Os20Help.hlp",
    ":INDEX Ostrel Components v2.5=OC25Help.hlp",
    ":Index Ostrel Components 2.52=OC25Help.hlp",
};

constexpr std::string_view kEarlierCppBuilderLinkLines[] = {
    ":LINK OsHlp3.hlp",
    ":LINK Os20Help.hlp",
    ":LINK OC25Help.hlp",
};

// --- Plans --------------------------------------------------------------------
// Paths are the pieces that follow the IDE's root directory. "<base>" stands
// for the Delphi help base name and "<version>" for the version's digits;
// neither can occur in a real file name.

constexpr std::string_view kBasePlaceholder = "<base>";
constexpr std::string_view kVersionPlaceholder = "<version>";

struct StepTemplate {
    std::string_view Target;
    std::string_view Work;
    std::string_view Backup;
    HelpLineList RemoveLines;
    HelpLineList AddLines;
};

struct PlanTemplate {
    TableView<StepTemplate> Steps;
    TableView<std::string_view> GidFiles;
};

// Plan 1: Delphi 5.
constexpr StepTemplate kDelphi5Steps[] = {
    {"\\Help\\<base>.cnt", "\\Help\\<base>.new", "\\Help\\<base>.~cn", kEarlierContentsLines,
     kCurrentContentsLines},
};

// Plan 2: every other Delphi version. The work files and backups of the
// index files have fixed names, and the ".gid" names keep "Delphi" and "Del"
// even where the base name is "D7".
constexpr StepTemplate kDelphiSteps[] = {
    {"\\Help\\<base>.cnt", "\\Help\\<base>.new", "\\Help\\<base>.~cn", kEarlierContentsLines,
     kOneEmptyLine},
    {"\\Help\\<base>.ohc", "\\Help\\DelphiOHC.new", "\\Help\\DelphiOHC.bak",
     kEarlierDelphiTocLines, kCurrentDelphiTocLines},
    {"\\Help\\<base>.ohi", "\\Help\\DelphiOHI.new", "\\Help\\DelphiOHI.bak",
     kEarlierDelphiIndexLines, kCurrentIndexLines},
    {"\\Help\\<base>.ohl", "\\Help\\DelphiOHL.new", "\\Help\\DelphiOHL.bak",
     kEarlierDelphiLinkLines, kCurrentLinkLines},
};
constexpr std::string_view kDelphiGidFiles[] = {
    "\\Help\\Delphi<version>.gid",
    "\\Help\\Del<version>vcl.gid",
};

// Plan 3: C++Builder, whatever the version; no contents or .ohc file.
constexpr StepTemplate kCppBuilderSteps[] = {
    {"\\Help\\BCB<version>.ohi", "\\Help\\BCBOHI.new", "\\Help\\BCBOHI.bak",
     kEarlierCppBuilderIndexLines, kCurrentIndexLines},
    {"\\Help\\BCB<version>.ohl", "\\Help\\BCBOHL.new", "\\Help\\BCBOHL.bak",
     kEarlierCppBuilderLinkLines, kCurrentLinkLines},
};
constexpr std::string_view kCppBuilderGidFiles[] = {"\\Help\\BCB<version>.gid"};

constexpr PlanTemplate kDelphi5Plan = {kDelphi5Steps, {}};
constexpr PlanTemplate kDelphiPlan = {kDelphiSteps, kDelphiGidFiles};
constexpr PlanTemplate kCppBuilderPlan = {kCppBuilderSteps, kCppBuilderGidFiles};

const PlanTemplate& PlanTemplateFor(IdeKind kind, int majorVersion) noexcept {
    if (kind == IdeKind::CppBuilder) return kCppBuilderPlan;
    return majorVersion == 5 ? kDelphi5Plan : kDelphiPlan;
}

// Joins the root directory and a piece by plain concatenation, filling in
// the placeholders of the piece (never of the root directory).
class PathMaker {
public:
    PathMaker(const std::string& rootDir, std::string base, std::string version)
        : rootDir_(rootDir), base_(std::move(base)), version_(std::move(version)) {}

    std::string Make(std::string_view piece) const {
        std::string path = rootDir_;
        std::size_t i = 0;
        while (i < piece.size()) {
            if (piece.substr(i, kBasePlaceholder.size()) == kBasePlaceholder) {
                path += base_;
                i += kBasePlaceholder.size();
            } else if (piece.substr(i, kVersionPlaceholder.size()) == kVersionPlaceholder) {
                path += version_;
                i += kVersionPlaceholder.size();
            } else {
                path += piece[i++];
            }
        }
        return path;
    }

private:
    const std::string& rootDir_;
    std::string base_;
    std::string version_;
};

}  // namespace

std::string DelphiHelpBaseName(int majorVersion) {
    const std::string digits = std::to_string(majorVersion);
    return (majorVersion == 5 || majorVersion == 6) ? "Delphi" + digits : "D" + digits;
}

HelpPlan HelpPlanFor(IdeKind kind, int majorVersion, const std::string& rootDir) {
    const PathMaker paths(rootDir, DelphiHelpBaseName(majorVersion),
                          std::to_string(majorVersion));
    const PlanTemplate& plan = PlanTemplateFor(kind, majorVersion);

    HelpPlan result;
    result.Steps.reserve(plan.Steps.size());
    for (const StepTemplate& step : plan.Steps) {
        result.Steps.push_back({paths.Make(step.Target), paths.Make(step.Work),
                                paths.Make(step.Backup), step.RemoveLines, step.AddLines});
    }
    result.GidFiles.reserve(plan.GidFiles.size());
    for (std::string_view gid : plan.GidFiles) result.GidFiles.push_back(paths.Make(gid));
    return result;
}

bool HelpLineStays(std::string_view line, HelpLineList addLines,
                   HelpLineList removeLines) noexcept {
    // Lines of another length cannot match: most lines are settled without
    // looking at their bytes.
    // Lines of one kind share their first bytes: the byte in the middle
    // settles most of those that differ before the whole line is compared.
    const std::size_t middle = line.size() / 2;
    const auto equals = [line, middle](std::string_view entry) {
        return entry.size() == line.size() &&
               (line.empty() || KitText::UpperAsciiChar(line[middle]) ==
                                    KitText::UpperAsciiChar(entry[middle])) &&
               KitText::EqualsIgnoringAsciiCase(line, entry);
    };
    for (std::string_view entry : addLines) {
        if (equals(entry)) return false;
    }
    for (std::string_view entry : removeLines) {
        if (equals(entry)) return false;
    }
    return true;
}

HelpLineFilter::HelpLineFilter(HelpLineList addLines, HelpLineList removeLines) noexcept
    : addLines_(addLines), removeLines_(removeLines) {
    for (const HelpLineList list : {addLines, removeLines}) {
        for (std::string_view entry : list) {
            entryLengths_ |= std::uint64_t{1} << KitText::LineScreen::LengthBit(entry.size());
            if (!entry.empty() && entry.size() < KitText::LineScreen::kLongLineBit) {
                middleBytes_[entry.size()].set(static_cast<unsigned char>(
                    KitText::UpperAsciiChar(entry[entry.size() / 2])));
            }
        }
    }
}

}  // namespace ComponentSetup
