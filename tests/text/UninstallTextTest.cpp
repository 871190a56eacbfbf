#include "setup/text/UninstallText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace ComponentSetup {
namespace {

TEST(UninstallKnownPackages, TheFourDesignPackagesOfTheVersionGoInAnyDirectoryAndLetterCase) {
    for (const char* name : {"C:\\Suite\\Bin\\Os30Ctls_Dsgn70.bpl", "os30dbctls_dsgn70.BPL",
                             "D:/x/OS30TRIALCTLS_DSGN70.bpl", "$(DELPHI)\\Os30TrialDBCtls_Dsgn70.bpl"}) {
        EXPECT_TRUE(IsSuiteDesignPackageValue(name, 7)) << name;
    }
}

TEST(UninstallKnownPackages, NamesThatOnlyContainASuitePackageOrBelongToAnotherVersionStay) {
    for (const char* name : {"C:\\Suite\\Bin\\MyOs30Ctls_Dsgn70.bpl", "Os30Ctls_Dsgn70.bpl.bak",
                             "C:\\Suite\\Bin\\Os30Ctls_Dsgn60.bpl", "Os30Ctls_Dsgn70.bpl\\x",
                             "Os30Ctls70.bpl", "", "C:\\Os30Ctls_Dsgn70.bpl "}) {
        EXPECT_FALSE(IsSuiteDesignPackageValue(name, 7)) << name;
    }
    // Only a-z fold: the Latin-1 letters of a look-alike name stay as they are.
    EXPECT_FALSE(IsSuiteDesignPackageValue("Os30Ctls_Dsgn70.bpl\xE9", 7));
}

TEST(UninstallSearchPath, EveryWholeEntryOfTheLibraryDirGoesWithOrWithoutFinalBackslash) {
    const std::string dir = "C:\\Suite\\Lib7";
    EXPECT_EQ(SearchPathWithoutLibraryDir("$(DELPHI)\\Lib;c:\\suite\\LIB7;X;C:\\Suite\\Lib7\\;", dir),
              std::optional<std::string>("$(DELPHI)\\Lib;X;"));
    // Last entry without ";": the ";" ahead of it stays.
    EXPECT_EQ(SearchPathWithoutLibraryDir("A;C:\\Suite\\Lib7", dir), std::optional<std::string>("A;"));
    EXPECT_EQ(SearchPathWithoutLibraryDir("C:\\Suite\\Lib7;", dir), std::optional<std::string>(""));
    // Blanks ahead of an entry belong to it; empty entries and other bytes stay.
    EXPECT_EQ(SearchPathWithoutLibraryDir(";;  C:\\Suite\\Lib7;B ;", dir),
              std::optional<std::string>(";;B ;"));
}

TEST(UninstallSearchPath, EntriesThatOnlyContainTheLibraryDirStayAndNothingIsRewritten) {
    const std::string dir = "C:\\Suite\\Lib7";
    for (const char* path : {"", ";", "C:\\Suite\\Lib70;", "X:C:\\Suite\\Lib7;",
                             "C:\\Suite\\Lib7 ;", "C:\\Suite\\Lib7\\\\;", "C:\\Suite\\Lib7/;"}) {
        EXPECT_EQ(SearchPathWithoutLibraryDir(path, dir), std::nullopt) << path;
    }
    EXPECT_EQ(SearchPathWithoutLibraryDir("A;B", ""), std::nullopt);
}

TEST(UninstallDefaultPackages, TheSuitesRuntimeEntriesOfBothEditionsGo) {
    EXPECT_EQ(DefaultPackagesWithoutSuite("vcl;Os30Ctls70;rtl;os30dbctls70;Os30TrialCtls70;"
                                          "Os30TrialDBCtls70",
                                          7),
              std::optional<std::string>("vcl;rtl;"));
    EXPECT_EQ(DefaultPackagesWithoutSuite("Os30Ctls70;Os30Ctls70;", 7), std::optional<std::string>(""));
}

TEST(UninstallDefaultPackages, OtherVersionsAndLongerNamesStayUntouched) {
    for (const char* packages : {"", "vcl;rtl", "Os30Ctls60;", "MyOs30Ctls70;", "Os30Ctls70x;",
                                 "Os30Ctls"}) {
        EXPECT_EQ(DefaultPackagesWithoutSuite(packages, 7), std::nullopt) << packages;
    }
}

TEST(UninstallProject, MakefileMacroLosesTheSuiteNamesAndIsWrittenByTheSeventyColumnRule) {
    const std::string project =
        "# head\nPACKAGES = vcl.bpi OS30CTLS60.BPI rtl.bpi \\\n  Os30TrialDBCtls60.bpi x.bpi\n"
        "SPARELIBS = vcl.lib\n";
    EXPECT_EQ(ProjectWithoutSuitePackages(project, 6),
              std::optional<std::string>("# head\r\nPACKAGES = vcl.bpi rtl.bpi x.bpi \r\n"
                                         "SPARELIBS = vcl.lib\r\n"));
}

TEST(UninstallProject, MakefileWithoutSuiteNamesOrWithoutMacroIsLeftAlone) {
    EXPECT_EQ(ProjectWithoutSuitePackages("PACKAGES = vcl.bpi Os30Ctls50.bpi\n", 6), std::nullopt);
    EXPECT_EQ(ProjectWithoutSuitePackages("VERSION = BCB.06.00\nOs30Ctls60.bpi\n", 6), std::nullopt);
    EXPECT_EQ(ProjectWithoutSuitePackages("", 6), std::nullopt);
    EXPECT_EQ(ProjectWithoutSuitePackages("PACKAGES = MyOs30Ctls60.bpi\n", 6), std::nullopt);
}

TEST(UninstallProject, ASuiteNameBesideATabGoesAndASecondPassFindsNothing) {
    // The tab is no part of the name: left in, it would still ask for the
    // suite's package, and the next run, reading it at the line's end, would
    // take it out then.
    const std::string project = "PACKAGES = vcl.bpi Os30Ctls60.bpi\t Os30DBCtls60.bpi \trtl.bpi\r\n";
    const std::optional<std::string> edited = ProjectWithoutSuitePackages(project, 6);
    EXPECT_EQ(edited, "PACKAGES = vcl.bpi rtl.bpi \r\n");
    ASSERT_TRUE(edited);
    EXPECT_EQ(ProjectWithoutSuitePackages(*edited, 6), std::nullopt);
}

TEST(UninstallProject, XmlValueLosesTheSuiteNamesAndEveryOtherByteStays) {
    const std::string project =
        "<?xml version='1.0'?>\n<PROJECT>\n  <PACKAGES value=\"vcl.bpi Os30Ctls60.bpi rtl.bpi "
        "os30dbctls60.bpi\"/>\n  <!-- Os30Ctls60.bpi -->\n</PROJECT>";
    EXPECT_EQ(ProjectWithoutSuitePackages(project, 6),
              std::optional<std::string>("<?xml version='1.0'?>\n<PROJECT>\n  <PACKAGES "
                                         "value=\"vcl.bpi rtl.bpi\"/>\n  <!-- Os30Ctls60.bpi "
                                         "-->\n</PROJECT>"));
    EXPECT_EQ(ProjectWithoutSuitePackages("<?xml?><PACKAGES value=\"vcl.bpi\"/>", 6), std::nullopt);
    EXPECT_EQ(ProjectWithoutSuitePackages("<?xml?><X value=\"Os30Ctls60.bpi\"/>", 6), std::nullopt);
}

constexpr std::string_view kSuiteLines[] = {":Index Ostrel Components 3.0=OC3Help.hlp",
                                            ":Include OC3Help.cnt", ":Link OC3Help.hlp"};

TEST(UninstallHelp, SuiteLinesGoWithTheClosingEmptyLineBehindTheLastOne) {
    EXPECT_EQ(HelpTextWithoutSuiteLines(":Base x.hlp\r\n:Link y.hlp\r\n\r\n"
                                        ":INDEX OSTREL COMPONENTS 3.0=oc3help.hlp\r\n"
                                        ":Include OC3Help.cnt\r\n:Link OC3Help.hlp\r\n\r\n",
                                        kSuiteLines),
              std::optional<std::string>(":Base x.hlp\r\n:Link y.hlp\r\n\r\n"));
}

TEST(UninstallHelp, AnEmptyLineThatDoesNotEndTheFileOrDoesNotFollowTheLastSuiteLineStays) {
    EXPECT_EQ(HelpTextWithoutSuiteLines(":Link OC3Help.hlp\n\nmore\n", kSuiteLines),
              std::optional<std::string>("\r\nmore\r\n"));
    EXPECT_EQ(HelpTextWithoutSuiteLines(":Link OC3Help.hlp\nmore\n\n", kSuiteLines),
              std::optional<std::string>("more\r\n\r\n"));
    // The empty line behind the last suite line is not the file's last line.
    EXPECT_EQ(HelpTextWithoutSuiteLines(":Link OC3Help.hlp\r\n\r\n\r\n", kSuiteLines),
              std::optional<std::string>("\r\n\r\n"));
}

TEST(UninstallHelp, LinesThatOnlyResembleSuiteLinesStayAndNothingIsRewritten) {
    for (const char* text : {"", "\r\n", " :Link OC3Help.hlp\r\n", ":Link OC3Help.hlp \r\n",
                             ":Link OC3Help.hlp2\n", ":Link OC25Help.hlp\n"}) {
        EXPECT_EQ(HelpTextWithoutSuiteLines(text, kSuiteLines), std::nullopt) << text;
    }
}

TEST(UninstallHelp, OnlyStepsThatAppendARealLineCarrySuiteLines) {
    constexpr std::string_view empty[] = {""};
    EXPECT_FALSE(AddsSuiteLines(empty));
    EXPECT_FALSE(AddsSuiteLines({}));
    EXPECT_TRUE(AddsSuiteLines(kSuiteLines));
}

TEST(UninstallLines, SplitByTheLineFileRules) {
    EXPECT_EQ(SplitTextLines("p\r\nq\nr"), (std::vector<std::string>{"p", "q", "r"}));
    EXPECT_EQ(SplitTextLines("x\ry\n\x1Az\n"), (std::vector<std::string>{"xy"}));
    EXPECT_EQ(SplitTextLines(""), std::vector<std::string>{});
    EXPECT_EQ(SplitTextLines("\n\n"), (std::vector<std::string>{"", ""}));
}

}  // namespace
}  // namespace ComponentSetup
