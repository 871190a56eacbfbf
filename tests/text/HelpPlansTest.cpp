#include "setup/text/HelpPlans.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using ComponentSetup::HelpLineList;
using ComponentSetup::HelpLineStays;
using ComponentSetup::HelpPlan;
using ComponentSetup::HelpPlanFor;
using ComponentSetup::IdeKind;

std::vector<std::string> Targets(const HelpPlan& plan) {
    std::vector<std::string> targets;
    for (const auto& step : plan.Steps) targets.push_back(step.TargetPath);
    return targets;
}

TEST(HelpLineRule, WholeLinesMatchWithOnlyAsciiLettersFolded) {
    constexpr std::string_view add[] = {":Link OC3Help.hlp"};
    constexpr std::string_view remove[] = {":Index Caf\xC9=Caf\xC9.hlp", ":Link OC25Help.hlp"};
    const HelpLineList addLines(add);
    const HelpLineList removeLines(remove);

    EXPECT_FALSE(HelpLineStays(":Link OC3Help.hlp", addLines, removeLines));
    EXPECT_FALSE(HelpLineStays(":LINK oc3help.HLP", addLines, removeLines));
    EXPECT_FALSE(HelpLineStays(":link oc25help.hlp", addLines, removeLines));
    EXPECT_FALSE(HelpLineStays(":INDEX CAF\xC9=CAF\xC9.HLP", addLines, removeLines));

    // Blanks, parts of lines and non-ASCII letters keep a line.
    EXPECT_TRUE(HelpLineStays(" :Link OC3Help.hlp", addLines, removeLines));
    EXPECT_TRUE(HelpLineStays(":Link OC3Help.hlp ", addLines, removeLines));
    EXPECT_TRUE(HelpLineStays(":Link OC3Help.hlp\t", addLines, removeLines));
    EXPECT_TRUE(HelpLineStays(":Link OC3Help", addLines, removeLines));
    EXPECT_TRUE(HelpLineStays("x:Link OC3Help.hlp", addLines, removeLines));
    EXPECT_TRUE(HelpLineStays(":Index Caf\xE9=Caf\xE9.hlp", addLines, removeLines));
    EXPECT_TRUE(HelpLineStays(":Index Cafe=Cafe.hlp", addLines, removeLines));
    EXPECT_TRUE(HelpLineStays("", addLines, removeLines));
}

TEST(HelpLineRule, AnEmptyEntryMatchesOnlyEmptyLines) {
    constexpr std::string_view add[] = {""};
    constexpr std::string_view remove[] = {":Include OsHlp3.cnt"};
    EXPECT_FALSE(HelpLineStays("", add, remove));
    EXPECT_TRUE(HelpLineStays(" ", add, remove));
    EXPECT_TRUE(HelpLineStays("\t", add, remove));
    EXPECT_FALSE(HelpLineStays(":include oshlp3.cnt", add, remove));
}

// The filter's short cuts (the entries' lengths, their middle bytes) never
// change the answer: every plan's lists, against their own lines changed by a
// byte, a letter case, a length, and the lines of every other list.
TEST(HelpLineRule, TheFilterAnswersAsTheWholeRuleForEveryPlansLists) {
    std::vector<std::string> probes = {"", " ", std::string(70, 'x'), std::string(63, ':')};
    std::vector<std::pair<HelpLineList, HelpLineList>> lists;
    for (const auto& [kind, version] : {std::pair{IdeKind::Delphi, 5}, {IdeKind::Delphi, 6},
                                        {IdeKind::Delphi, 7}, {IdeKind::CppBuilder, 6}}) {
        for (const auto& step : HelpPlanFor(kind, version, "C:\\R").Steps) {
            lists.emplace_back(step.AddLines, step.RemoveLines);
            for (const HelpLineList list : {step.AddLines, step.RemoveLines}) {
                for (std::string_view entry : list) {
                    const std::string line(entry);
                    probes.push_back(line);
                    for (std::size_t at = 0; at < line.size(); ++at) {
                        std::string changed = line;
                        changed[at] = static_cast<char>(changed[at] ^ 0x20);  // letter case, or not
                        probes.push_back(changed);
                        changed[at] = '#';
                        probes.push_back(changed);
                    }
                    probes.push_back(line + "x");
                    if (!line.empty()) probes.push_back(line.substr(1));
                }
            }
        }
    }
    for (const auto& [add, remove] : lists) {
        const ComponentSetup::HelpLineFilter filter(add, remove);
        for (const std::string& probe : probes) {
            EXPECT_EQ(filter(probe), HelpLineStays(probe, add, remove)) << probe;
        }
    }
}

TEST(HelpPlanFor, TheRootDirectoryIsJoinedAsReadWithoutPlaceholders) {
    EXPECT_EQ(Targets(HelpPlanFor(IdeKind::Delphi, 7, "C:\\D7\\"))[0], "C:\\D7\\\\Help\\D7.cnt");
    EXPECT_EQ(Targets(HelpPlanFor(IdeKind::Delphi, 7, ""))[0], "\\Help\\D7.cnt");
    const HelpPlan odd = HelpPlanFor(IdeKind::CppBuilder, 6, "C:\\<base>\\<version>");
    EXPECT_EQ(odd.Steps[0].TargetPath, "C:\\<base>\\<version>\\Help\\BCB6.ohi");
    EXPECT_EQ(odd.GidFiles, std::vector<std::string>{"C:\\<base>\\<version>\\Help\\BCB6.gid"});
}

TEST(HelpPlanFor, DelphiVersionsOutsideFiveAndSixTakePlanTwoWithTheShortBaseName) {
    for (int version : {0, 4, 8, 9}) {
        const std::string v = std::to_string(version);
        const HelpPlan plan = HelpPlanFor(IdeKind::Delphi, version, "R");
        EXPECT_EQ(Targets(plan), (std::vector<std::string>{"R\\Help\\D" + v + ".cnt",
                                                           "R\\Help\\D" + v + ".ohc",
                                                           "R\\Help\\D" + v + ".ohi",
                                                           "R\\Help\\D" + v + ".ohl"}));
        EXPECT_EQ(plan.Steps[0].WorkPath, "R\\Help\\D" + v + ".new");
        EXPECT_EQ(plan.Steps[0].BackupPath, "R\\Help\\D" + v + ".~cn");
        EXPECT_EQ(plan.GidFiles, (std::vector<std::string>{"R\\Help\\Delphi" + v + ".gid",
                                                           "R\\Help\\Del" + v + "vcl.gid"}));
    }
    EXPECT_EQ(Targets(HelpPlanFor(IdeKind::Delphi, 6, "R"))[3], "R\\Help\\Delphi6.ohl");
}

TEST(HelpPlanFor, CppBuilderTakesPlanThreeForEveryVersion) {
    for (int version : {0, 5, 7}) {
        const std::string v = std::to_string(version);
        const HelpPlan plan = HelpPlanFor(IdeKind::CppBuilder, version, "R");
        EXPECT_EQ(Targets(plan), (std::vector<std::string>{"R\\Help\\BCB" + v + ".ohi",
                                                           "R\\Help\\BCB" + v + ".ohl"}));
        EXPECT_EQ(plan.GidFiles, std::vector<std::string>{"R\\Help\\BCB" + v + ".gid"});
    }
    EXPECT_TRUE(HelpPlanFor(IdeKind::Delphi, 5, "R").GidFiles.empty());
}

}  // namespace
