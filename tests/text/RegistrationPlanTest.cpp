// The per-IDE tables and what a registration removes and adds, worked out
// before anything is touched.
#include "setup/text/RegistrationPlan.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "setup/text/PackageNames.h"
#include "setup/text/RegistrationTables.h"

namespace {

using namespace ComponentSetup;
using Names = std::vector<std::string>;

Names NamesOf(NameTable table) { return Names(table.begin(), table.end()); }

IdeTarget Target(IdeKind kind, int version, bool trial) {
    return {kind, version, trial, "C:\\Suite\\"};
}

TEST(PackageNames, FileNamesFollowOneRuleForEveryFlag) {
    EXPECT_EQ(DesignPackageFileName(/*dataAware=*/true, 5, /*trialEdition=*/true),
              "Os30TrialDBCtls_Dsgn50.bpl");
    EXPECT_EQ(DesignPackageFileName(false, 6, false), "Os30Ctls_Dsgn60.bpl");
    EXPECT_EQ(PackageBaseName(PackageRole::RunTime, true, false), "Os30DBCtls");
    EXPECT_EQ(SuiteDesignPackageFiles(7),
              (Names{"Os30Ctls_Dsgn70.bpl", "Os30DBCtls_Dsgn70.bpl", "Os30TrialCtls_Dsgn70.bpl",
                     "Os30TrialDBCtls_Dsgn70.bpl"}));
}

// Both editions of this suite must be removable for every version the tables
// cover, or a change of edition would leave the other's entry behind.
TEST(RegistrationTables, EveryEarlierDesignTableHoldsBothEditionsOfTheVersionsItCovers) {
    const std::vector<std::pair<IdeKind, std::vector<int>>> covered = {
        {IdeKind::Delphi, {5, 6, 7}}, {IdeKind::CppBuilder, {5, 6}}};
    for (const auto& [kind, versions] : covered) {
        const Names table = NamesOf(IdeTableFor(kind).EarlierDesignPackages);
        const std::set<std::string> unique(table.begin(), table.end());
        EXPECT_EQ(unique.size(), table.size()) << "no name is listed twice";
        for (int version : versions) {
            for (const std::string& file : SuiteDesignPackageFiles(version)) {
                EXPECT_EQ(unique.count(file), 1u) << file;
            }
        }
    }
    EXPECT_EQ(IdeTableFor(IdeKind::Delphi).EarlierDesignPackages.size(), 27u);
    EXPECT_EQ(IdeTableFor(IdeKind::CppBuilder).EarlierDesignPackages.size(), 14u);
    EXPECT_EQ(kEarlierPaletteValues.size(), 26u);
    EXPECT_EQ(NamesOf(kEarlierSuiteVersions),
              (Names{"1.5", "1.6", "2.0", "2.1", "2.5", "2.51", "2.52"}));
}

TEST(RegistrationTables, EachIdeHasItsEditorAndRuntimeNameForm) {
    const IdeTable& delphi = IdeTableFor(IdeKind::Delphi);
    const IdeTable& cppBuilder = IdeTableFor(IdeKind::CppBuilder);
    EXPECT_EQ(delphi.Editor, DefaultProjectEditor::ProjectOptions);
    EXPECT_EQ(cppBuilder.Editor, DefaultProjectEditor::ProjectFile);
    EXPECT_EQ(SuiteRuntimeName(delphi, false, 7, false), "Os30Ctls70;");
    EXPECT_EQ(SuiteRuntimeName(delphi, true, 7, true), "Os30TrialDBCtls70;");
    EXPECT_EQ(SuiteRuntimeName(cppBuilder, false, 5, false), "Os30Ctls50.bpi");
    EXPECT_EQ(SuiteRuntimeNames(cppBuilder, 6, true, false), (Names{"Os30TrialCtls60.bpi"}));
}

TEST(RegistrationPlan, DelphiNamesGetTheVersionAndTheTrialNamesGoOnlyOnAFullRun) {
    const RegistrationPlan full = PlanRegistration(Target(IdeKind::Delphi, 6, false), true);
    ASSERT_EQ(full.RuntimeNamesToRemove.size(), 15u);
    EXPECT_EQ(full.RuntimeNamesToRemove.front(), "OSLPND60;");
    EXPECT_EQ(full.RuntimeNamesToRemove[11], "OS252D60;");
    EXPECT_EQ(full.RuntimeNamesToRemove.back(), "Os30TrialDBCtls60;");
    EXPECT_EQ(full.RuntimeNamesToAdd, (Names{"Os30Ctls60;", "Os30DBCtls60;"}));

    const RegistrationPlan trial = PlanRegistration(Target(IdeKind::Delphi, 6, true), false);
    EXPECT_EQ(trial.RuntimeNamesToRemove.size(), 12u);
    EXPECT_EQ(trial.RuntimeNamesToAdd, (Names{"Os30TrialCtls60;"}));
}

TEST(RegistrationPlan, CppBuilderNamesAreWholeFileNames) {
    const RegistrationPlan full = PlanRegistration(Target(IdeKind::CppBuilder, 5, false), true);
    EXPECT_EQ(full.Editor, DefaultProjectEditor::ProjectFile);
    EXPECT_EQ(full.RuntimeNamesToRemove,
              (Names{"Os251N50.bpi", "Os251D50.bpi", "Os252N50.bpi", "Os252D50.bpi",
                     "Os252N60.bpi", "Os252D60.bpi", "Os30TrialCtls50.bpi",
                     "Os30TrialDBCtls50.bpi", "Os30TrialCtls60.bpi", "Os30TrialDBCtls60.bpi"}));
    EXPECT_EQ(full.RuntimeNamesToAdd, (Names{"Os30Ctls50.bpi", "Os30DBCtls50.bpi"}));
}

TEST(RegistrationPlan, KnownPackagesAreNamedBelowTheSuiteBinFolderStandardFirst) {
    const RegistrationPlan plan = PlanRegistration(Target(IdeKind::Delphi, 7, true), true);
    ASSERT_EQ(plan.KnownPackagesToAdd.size(), 2u);
    EXPECT_EQ(plan.KnownPackagesToAdd[0].ValueName, "C:\\Suite\\Bin\\Os30TrialCtls_Dsgn70.bpl");
    EXPECT_EQ(plan.KnownPackagesToAdd[0].Description, "Ostrel Components 3.0.3 - Trial Edition");
    EXPECT_EQ(plan.KnownPackagesToAdd[1].ValueName, "C:\\Suite\\Bin\\Os30TrialDBCtls_Dsgn70.bpl");
    EXPECT_EQ(plan.KnownPackagesToAdd[1].Description,
              "Ostrel Components 3.0.3 (Data-Aware) - Trial Edition");
    const RegistrationPlan standard = PlanRegistration(Target(IdeKind::CppBuilder, 6, false), false);
    ASSERT_EQ(standard.KnownPackagesToAdd.size(), 1u);
    EXPECT_EQ(standard.KnownPackagesToAdd[0].Description, "Ostrel Components 3.0.3");
}

// The names the selection keeps when the listing offers snapshot.
Names KnownPackagesToDelete(const Names& snapshot, NameTable earlierFileNames) {
    KnownPackageSelection selection(earlierFileNames);
    for (const std::string& name : snapshot) selection.Offer(name);
    return selection.Selected();
}

constexpr std::string_view kOs21[] = {"OS21NDDSGN50.BPL"};
constexpr std::string_view kEmpty[] = {""};
constexpr std::string_view kTwoNames[] = {"ca", "Os30Ctls_Dsgn70.bpl"};

TEST(RegistrationPlan, KnownPackagesGoWhenTheirNameContainsAnEarlierFileInAnyCase) {
    EXPECT_EQ(KnownPackagesToDelete({"D:\\X\\MyOs21NDDsgn50.bpl", "D:\\X\\Os21DBDsgn50.bpl"}, kOs21),
              (Names{"D:\\X\\MyOs21NDDsgn50.bpl"}));
    // An empty name is never found, not even in an empty one.
    EXPECT_EQ(KnownPackagesToDelete({"abc", ""}, kEmpty), Names{});
    // Every earlier name is searched in the whole snapshot: a value that
    // contains two of them comes twice, in the order of the earlier names.
    EXPECT_EQ(KnownPackagesToDelete({"C:\\ca\\OS30CTLS_DSGN70.BPL", "abcabc"}, kTwoNames),
              (Names{"C:\\ca\\OS30CTLS_DSGN70.BPL", "abcabc", "C:\\ca\\OS30CTLS_DSGN70.BPL"}));
}

// Whatever the snapshot, a name is selected exactly when it contains the
// earlier name with ASCII letters upper-cased: checked against a plain search.
TEST(RegistrationPlan, SelectionAgreesWithAPlainUpperCasedSearch) {
    const std::string alphabet = "aB_\\s";
    for (unsigned seed = 0; seed < 400; ++seed) {
        unsigned state = seed * 2654435761u + 1;
        auto next = [&state] { return state = state * 1103515245u + 12345u, state >> 16; };
        Names snapshot;
        for (int i = 0; i < 4; ++i) {
            std::string name;
            for (unsigned n = next() % 7; n > 0; --n) name += alphabet[next() % alphabet.size()];
            snapshot.push_back(name);
        }
        std::string pattern;
        for (unsigned n = next() % 3 + 1; n > 0; --n) pattern += alphabet[next() % alphabet.size()];
        const std::string_view patterns[] = {pattern};

        Names expected;
        auto upper = [](std::string s) {
            for (char& c : s) c = (c >= 'a' && c <= 'z') ? char(c - 32) : c;
            return s;
        };
        for (const std::string& name : snapshot) {
            if (upper(name).find(upper(pattern)) != std::string::npos) expected.push_back(name);
        }
        EXPECT_EQ(KnownPackagesToDelete(snapshot, patterns), expected) << "seed " << seed;
    }
}

// Patterns that all begin with the same two letters let the selection pass a
// name four bytes at a time; wherever those letters stand, in either case, it
// still finds what a plain search finds. Now and then one pattern begins
// otherwise and the selection goes byte by byte.
TEST(RegistrationPlan, PatternsSharingTheirFirstTwoLettersSelectAsAPlainSearch) {
    const std::string alphabet = "oOsSx\\_";
    const auto upper = [](std::string s) {
        for (char& c : s) c = (c >= 'a' && c <= 'z') ? char(c - 32) : c;
        return s;
    };
    for (unsigned seed = 0; seed < 400; ++seed) {
        unsigned state = seed * 2246822519u + 7;
        auto next = [&state] { return state = state * 1103515245u + 12345u, state >> 16; };
        auto text = [&](unsigned length) {
            std::string made;
            for (; length > 0; --length) made += alphabet[next() % alphabet.size()];
            return made;
        };
        Names snapshot;
        for (int i = 0; i < 6; ++i) snapshot.push_back(text(next() % 24));
        std::vector<std::string> patterns;
        for (int n = 0; n < 3; ++n) patterns.push_back("oS" + text(next() % 3));
        patterns.push_back(seed % 5 == 0 ? text(next() % 3 + 1) : "Os");
        const std::string_view views[] = {patterns[0], patterns[1], patterns[2], patterns[3]};

        Names expected;
        for (const std::string& pattern : patterns) {
            for (const std::string& name : snapshot) {
                if (upper(name).find(upper(pattern)) != std::string::npos) {
                    expected.push_back(name);
                }
            }
        }
        EXPECT_EQ(KnownPackagesToDelete(snapshot, views), expected) << "seed " << seed;
    }
}

}  // namespace
