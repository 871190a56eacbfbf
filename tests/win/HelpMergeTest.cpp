// The help merge as a setup program sees it: requests through the loaded
// KitSetup.dll against IDE trees in the sandbox, checked byte for byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "tests/support/ExpectedLines.h"
#include "tests/support/KitSetupDll.h"
#include "tests/support/Sandbox.h"
#include "tests/support/SetupMachine.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestRegistry.h"

namespace {

using KitTest::CallOutcome;
using KitTest::KitSetupDll;

constexpr const char* kBoxCaption = "Ostrel Components Help Registration";
constexpr const char* kMissing = "<missing>";

std::string BoxText(const std::string& ide) {
    return "The help files for Ostrel Components have been merged\rinto the " + ide +
           " help system.";
}

void ExpectHelpBox(const CallOutcome& outcome, const std::string& ide) {
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.messageBoxCalls, 1);
    ASSERT_EQ(outcome.boxes.size(), 1u);
    const auto& box = outcome.boxes[0];
    EXPECT_EQ(box.caption, kBoxCaption);
    EXPECT_EQ(box.text, BoxText(ide));
    ASSERT_TRUE(box.styleRecorded);
    EXPECT_EQ(box.style, 0x40u);
    EXPECT_EQ(box.owner, nullptr);
}

void ExpectNoBox(const CallOutcome& outcome) {
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.messageBoxCalls, 0);
    EXPECT_TRUE(outcome.boxes.empty());
}

// Holds a file open for reading, sharing read access only, as a help viewer
// or another setup might.
KitTest::HeldOpenFile HeldForReading(const std::string& path) {
    return KitTest::HeldOpenFile(path, GENERIC_READ, FILE_SHARE_READ);
}

// Help files of a Delphi 7 tree holding lines of earlier suite versions, the
// rewritten files they must become, and decoys of neighbouring lists that
// the step of that file must leave alone.
const std::map<std::string, std::string> kD7Originals = {
    {"D7.cnt",
     ":Base d7.hlp\r\n"
     ":Title Delphi 7 Help\r\n"
     "\r\n"
     ":Index Ostrel Components 2.52=OC25Help.hlp\r\n"
     ":include oc25help.cnt\r\n"
     ":LINK OC25HELP.HLP\r\n"
     ":Include d7vcl.cnt\r\n"
     ":Link OC3Help.hlp\r\n"
     "\r\n"
     "\r\n"
     ":Link d7vcl.hlp\r\n"},
    {"D7.ohc",
     ":Include d7.toc\r\n"
     ":include oc25help.TOC\r\n"
     ":Include OC3Help.toc\r\n"
     ":Include d7vcl.toc\r\n"},
    {"D7.ohi",
     ":Index Delphi=d7.hlp\r\n"
     ":Index Ostrel Components 2.52=OC25Help.hlp\r\n"
     ":INDEX OSTREL COMPONENTS 3.0=OC3HELP.HLP\r\n"
     ":Index Ostrel Components II=Os20Help.hlp\r\n"
     ":Index VCL=d7vcl.hlp\r\n"},
    {"D7.ohl",
     ":Link d7.hlp\r\n"
     ":Link OC25Help.hlp\r\n"
     ":Link Os20Help.hlp\r\n"
     ":link oc3help.hlp\r\n"
     ":Link d7vcl.hlp\r\n"},
};

const std::map<std::string, std::string> kD7Merged = {
    {"D7.cnt",
     ":Base d7.hlp\r\n"
     ":Title Delphi 7 Help\r\n"
     ":Include d7vcl.cnt\r\n"
     ":Link OC3Help.hlp\r\n"
     ":Link d7vcl.hlp\r\n"
     "\r\n"
     "\r\n"},
    {"D7.ohc",
     ":Include d7.toc\r\n"
     ":Include d7vcl.toc\r\n"
     ":Include OC3Help.toc\r\n"
     "\r\n"},
    {"D7.ohi",
     ":Index Delphi=d7.hlp\r\n"
     ":Index Ostrel Components II=Os20Help.hlp\r\n"
     ":Index VCL=d7vcl.hlp\r\n"
     ":Index Ostrel Components 3.0=OC3Help.hlp\r\n"
     "\r\n"},
    {"D7.ohl",
     ":Link d7.hlp\r\n"
     ":Link Os20Help.hlp\r\n"
     ":Link d7vcl.hlp\r\n"
     ":Link OC3Help.hlp\r\n"
     "\r\n"},
};

// Where plan 2 keeps the backup of each Delphi 7 file.
const std::map<std::string, std::string> kD7Backups = {
    {"D7.cnt", "D7.~cn"},
    {"D7.ohc", "DelphiOHC.bak"},
    {"D7.ohi", "DelphiOHI.bak"},
    {"D7.ohl", "DelphiOHL.bak"},
};

const std::vector<std::string> kD7WorkFiles = {"D7.new", "DelphiOHC.new", "DelphiOHI.new",
                                               "DelphiOHL.new"};

class HelpMerge : public KitTest::Sandbox {
protected:
    void SetUp() override {
        Sandbox::SetUp();
        KitTest::SetString(HKEY_LOCAL_MACHINE, KitTest::kProductKey, "InstallDir",
                           PathIn("Ostrel") + "\\");
    }

    // Registers the IDE with a root directory in the sandbox (no trailing
    // backslash) and makes it the tree that Help() names.
    std::string InstallIde(const std::string& family, int version) {
        root_ = PathIn(family + std::to_string(version));
        KitTest::MakeDirectories(root_ + "\\Help");
        KitTest::SetString(HKEY_LOCAL_MACHINE,
                           "SOFTWARE\\Borland\\" + family + "\\" + std::to_string(version) + ".0",
                           "RootDir", root_);
        return root_;
    }
    void UseTree(const std::string& root) { root_ = root; }

    std::string Help(const std::string& name) const { return root_ + "\\Help\\" + name; }
    void Put(const std::string& name, const std::string& bytes) const {
        KitTest::WriteBytes(Help(name), bytes);
    }
    void PutAll(const std::map<std::string, std::string>& files) const {
        for (const auto& [name, bytes] : files) Put(name, bytes);
    }
    std::string Get(const std::string& name) const {
        const auto bytes = KitTest::ReadBytes(Help(name));
        return bytes ? *bytes : kMissing;
    }
    bool Has(const std::string& name) const { return KitTest::FileExists(Help(name)); }

    void ExpectFiles(const std::map<std::string, std::string>& files) const {
        for (const auto& [name, bytes] : files) EXPECT_EQ(Get(name), bytes) << name;
    }
    void ExpectAbsent(const std::vector<std::string>& names) const {
        for (const auto& name : names) EXPECT_FALSE(Has(name)) << name;
    }
    void ExpectPresent(const std::vector<std::string>& names) const {
        for (const auto& name : names) EXPECT_TRUE(Has(name)) << name;
    }

    static CallOutcome Request(const char* text) { return KitSetupDll().Call(text); }

private:
    std::string root_;
};

// --- The road of a Delphi 7 request -------------------------------------------

TEST_F(HelpMerge, DelphiSevenRewritesFourFilesKeepsBackupsAndDeletesTwoGidFiles) {
    InstallIde("Delphi", 7);
    PutAll(kD7Originals);
    Put("DelphiOHC.bak", "a backup of an earlier run\r\n");
    Put("DelphiOHI.new", "a work file left behind by an earlier run\r\n");
    Put("Delphi7.gid", "gid");
    Put("Del7vcl.gid", "gid");
    Put("D7.gid", "not a name the merge deletes");

    const CallOutcome outcome = Request("D7");

    ExpectFiles(kD7Merged);
    for (const auto& [target, backup] : kD7Backups) {
        EXPECT_EQ(Get(backup), kD7Originals.at(target)) << backup;
    }
    ExpectAbsent(kD7WorkFiles);
    ExpectAbsent({"Delphi7.gid", "Del7vcl.gid"});
    ExpectPresent({"D7.gid"});
    ExpectHelpBox(outcome, "Delphi 7");
}

TEST_F(HelpMerge, ARepeatedDelphiSevenRunAddsOnlyOneEmptyLineToEachIndexFile) {
    InstallIde("Delphi", 7);
    PutAll(kD7Originals);
    ExpectHelpBox(Request("D7"), "Delphi 7");
    ExpectHelpBox(Request("D7"), "Delphi 7");

    // The contents file drops its empty lines on every run; the others keep
    // the closing empty line of the run before.
    EXPECT_EQ(Get("D7.cnt"), kD7Merged.at("D7.cnt"));
    EXPECT_EQ(Get("D7.ohc"),
              ":Include d7.toc\r\n:Include d7vcl.toc\r\n\r\n:Include OC3Help.toc\r\n\r\n");
    EXPECT_EQ(Get("D7.ohl"), ":Link d7.hlp\r\n:Link Os20Help.hlp\r\n:Link d7vcl.hlp\r\n\r\n"
                             ":Link OC3Help.hlp\r\n\r\n");
    for (const auto& [target, backup] : kD7Backups) {
        EXPECT_EQ(Get(backup), kD7Merged.at(target)) << backup;
    }
}

// --- Plan 1: the Delphi 5 contents file ---------------------------------------

TEST_F(HelpMerge, DelphiFiveMatchesWholeLinesIgnoringOnlyAsciiCase) {
    InstallIde("Delphi", 5);
    const std::string original =
        ":Base delphi5.hlp\r\n"
        ":Title Delphi 5 Help\n"                           // LF alone ends a line too
        ":INCLUDE oshlp3.cnt\r\n"                          // earlier, other case
        ":link os20help.HLP\r\n"                           // earlier, other case
        ":Index Ostrel Components II=Os20Help.hlp\r\n"     // earlier
        ":Index Ostrel Components 3.0=OC3Help.hlp\r\n"     // current: moves to the end
        " :Link OC3Help.hlp\r\n"                           // leading blank: stays
        ":Link OC3Help.hlp \r\n"                           // trailing blank: stays
        ":Link OC3H\xE9lp.hlp\r\n"                         // non-ASCII letter: stays
        ":Include OC3Help\r\n"                             // part of a line: stays
        ":include oc3help.cnt\r\n"                         // current, other case
        "\r\n"                                             // empty lines stay in plan 1
        ":Index Ostrel Components 2.52=OC25Help.hlp\r\n"   // earlier
        ":Index Delphi=delphi5.hlp\r\n"
        ":LINK OC3HELP.HLP";                               // current, no line break
    Put("Delphi5.cnt", original);
    Put("Delphi5.ohl", ":Link OC25Help.hlp\r\n");
    Put("Delphi5.gid", "gid");
    Put("Del5vcl.gid", "gid");

    const CallOutcome outcome = Request("D5");

    EXPECT_EQ(Get("Delphi5.cnt"),
              ":Base delphi5.hlp\r\n"
              ":Title Delphi 5 Help\r\n"
              " :Link OC3Help.hlp\r\n"
              ":Link OC3Help.hlp \r\n"
              ":Link OC3H\xE9lp.hlp\r\n"
              ":Include OC3Help\r\n"
              "\r\n"
              ":Index Delphi=delphi5.hlp\r\n"
              ":Index Ostrel Components 3.0=OC3Help.hlp\r\n"
              ":Include OC3Help.cnt\r\n"
              ":Link OC3Help.hlp\r\n"
              "\r\n");
    EXPECT_EQ(Get("Delphi5.~cn"), original);
    ExpectAbsent({"Delphi5.new"});
    // Plan 1 touches only the contents file and deletes no .gid file.
    EXPECT_EQ(Get("Delphi5.ohl"), ":Link OC25Help.hlp\r\n");
    ExpectAbsent({"DelphiOHL.bak"});
    ExpectPresent({"Delphi5.gid", "Del5vcl.gid"});
    ExpectHelpBox(outcome, "Delphi 5");
}

TEST_F(HelpMerge, DelphiFiveRunTwiceEndsWithTheSuiteLinesOnceAfterOneMoreEmptyLine) {
    InstallIde("Delphi", 5);
    Put("Delphi5.cnt", ":Base delphi5.hlp\r\n:Include OC25Help.cnt\r\n");
    const std::string afterOneRun =
        ":Base delphi5.hlp\r\n"
        ":Index Ostrel Components 3.0=OC3Help.hlp\r\n"
        ":Include OC3Help.cnt\r\n"
        ":Link OC3Help.hlp\r\n"
        "\r\n";

    ExpectHelpBox(Request("D5"), "Delphi 5");
    EXPECT_EQ(Get("Delphi5.cnt"), afterOneRun);
    ExpectHelpBox(Request("D5"), "Delphi 5");

    EXPECT_EQ(Get("Delphi5.cnt"),
              ":Base delphi5.hlp\r\n"
              "\r\n"
              ":Index Ostrel Components 3.0=OC3Help.hlp\r\n"
              ":Include OC3Help.cnt\r\n"
              ":Link OC3Help.hlp\r\n"
              "\r\n");
    EXPECT_EQ(Get("Delphi5.~cn"), afterOneRun);
}

// --- Plan 2 edge cases ----------------------------------------------------------

TEST_F(HelpMerge, EmptyTargetsAndTargetsOfOnlyListedLinesKeepOnlyTheAddedLines) {
    InstallIde("Delphi", 7);
    Put("D7.cnt", "");
    Put("D7.ohc", ":INCLUDE oc3help.toc\r\n:include OC25HELP.toc");  // no break at the end
    Put("D7.ohi", "");
    Put("D7.ohl", ":Link d7.hlp");  // a kept last line without a break

    const CallOutcome outcome = Request("D7");

    EXPECT_EQ(Get("D7.cnt"), "\r\n\r\n");
    EXPECT_EQ(Get("D7.ohc"), ":Include OC3Help.toc\r\n\r\n");
    EXPECT_EQ(Get("D7.ohi"), ":Index Ostrel Components 3.0=OC3Help.hlp\r\n\r\n");
    EXPECT_EQ(Get("D7.ohl"), ":Link d7.hlp\r\n:Link OC3Help.hlp\r\n\r\n");
    EXPECT_EQ(Get("D7.~cn"), "");
    ExpectHelpBox(outcome, "Delphi 7");
}

TEST_F(HelpMerge, DelphiSixUsesTheLongBaseNameAndTheFixedBackupNames) {
    InstallIde("Delphi", 6);
    Put("Delphi6.cnt", ":Base delphi6.hlp\r\n\r\n:Link OsHlp3.hlp\r\n");
    Put("Delphi6.ohc", ":Include OC25Help.toc\r\n");
    Put("Delphi6.ohi", ":Index Ostrel Components 2.52=OC25Help.hlp\r\n");
    Put("Delphi6.ohl", ":Link OC25Help.hlp\r\n");
    Put("Delphi6.gid", "gid");
    Put("Del6vcl.gid", "gid");

    const CallOutcome outcome = Request("D6");

    ExpectFiles({{"Delphi6.cnt", ":Base delphi6.hlp\r\n\r\n\r\n"},
                 {"Delphi6.ohc", ":Include OC3Help.toc\r\n\r\n"},
                 {"Delphi6.ohi", ":Index Ostrel Components 3.0=OC3Help.hlp\r\n\r\n"},
                 {"Delphi6.ohl", ":Link OC3Help.hlp\r\n\r\n"},
                 {"Delphi6.~cn", ":Base delphi6.hlp\r\n\r\n:Link OsHlp3.hlp\r\n"},
                 {"DelphiOHC.bak", ":Include OC25Help.toc\r\n"},
                 {"DelphiOHI.bak", ":Index Ostrel Components 2.52=OC25Help.hlp\r\n"},
                 {"DelphiOHL.bak", ":Link OC25Help.hlp\r\n"}});
    ExpectAbsent({"Delphi6.new", "DelphiOHC.new", "DelphiOHI.new", "DelphiOHL.new",
                  "Delphi6.gid", "Del6vcl.gid"});
    ExpectHelpBox(outcome, "Delphi 6");
}

TEST_F(HelpMerge, AMissingContentsFileTouchesNoHelpFileButStillDeletesTheGidFiles) {
    InstallIde("Delphi", 7);
    auto others = kD7Originals;
    others.erase("D7.cnt");
    PutAll(others);
    Put("Delphi7.gid", "gid");
    Put("Del7vcl.gid", "gid");

    const CallOutcome outcome = Request("D7");

    ExpectFiles(others);
    ExpectAbsent({"D7.cnt", "D7.~cn", "DelphiOHC.bak", "DelphiOHI.bak", "DelphiOHL.bak"});
    ExpectAbsent(kD7WorkFiles);
    ExpectAbsent({"Delphi7.gid", "Del7vcl.gid"});
    ExpectNoBox(outcome);
}

TEST_F(HelpMerge, AMissingFileStopsTheStepsAfterIt) {
    InstallIde("Delphi", 7);
    auto files = kD7Originals;
    files.erase("D7.ohi");
    PutAll(files);
    Put("Delphi7.gid", "gid");
    Put("Del7vcl.gid", "gid");

    const CallOutcome outcome = Request("D7");

    ExpectFiles({{"D7.cnt", kD7Merged.at("D7.cnt")},
                 {"D7.ohc", kD7Merged.at("D7.ohc")},
                 {"D7.ohl", kD7Originals.at("D7.ohl")}});
    ExpectPresent({"D7.~cn", "DelphiOHC.bak"});
    ExpectAbsent({"DelphiOHI.bak", "DelphiOHL.bak"});
    ExpectAbsent(kD7WorkFiles);
    ExpectAbsent({"Delphi7.gid", "Del7vcl.gid"});
    ExpectNoBox(outcome);
}

// --- Plan 3: C++Builder ---------------------------------------------------------

TEST_F(HelpMerge, CppBuilderRewritesOnlyItsIndexAndLinkFiles) {
    InstallIde("C++Builder", 6);
    const std::string ohi =
        ":Base bcb6.hlp\r\n"
        ":index ostrel list pack=oshlp3.hlp\r\n"
        ":INDEX Ostrel Components II=Os20Help.hlp\r\n"
        ":INDEX Ostrel Components v2.5=OC25Help.hlp\r\n"
        ":INDEX Ostrel Components 2.52=OC25Help.hlp\r\n"
        ":Index Ostrel Components 3.0=OC3Help.hlp\r\n"
        ":Index VCL=bcb6vcl.hlp\r\n";
    const std::string ohl =
        ":Link bcb6.hlp\r\n"
        ":link oshlp3.hlp\r\n"
        ":LINK Os20Help.hlp\r\n"
        ":LINK OC25Help.hlp\r\n"
        ":Link OC3Help.hlp\r\n"
        ":Link OsHlp3.cnt\r\n"
        ":Link bcb6vcl.hlp";
    const std::string cnt = ":Include OsHlp3.cnt\r\n:Link OC25Help.hlp\r\n";
    Put("BCB6.ohi", ohi);
    Put("BCB6.ohl", ohl);
    Put("BCB6.cnt", cnt);
    Put("BCB6.ohc", ":Include OC25Help.toc\r\n");
    Put("BCB6.gid", "gid");
    Put("Delphi6.gid", "gid");

    const CallOutcome outcome = Request("C6");

    ExpectFiles({{"BCB6.ohi",
                  ":Base bcb6.hlp\r\n"
                  ":Index VCL=bcb6vcl.hlp\r\n"
                  ":Index Ostrel Components 3.0=OC3Help.hlp\r\n"
                  "\r\n"},
                 {"BCB6.ohl",
                  ":Link bcb6.hlp\r\n"
                  ":Link OsHlp3.cnt\r\n"
                  ":Link bcb6vcl.hlp\r\n"
                  ":Link OC3Help.hlp\r\n"
                  "\r\n"},
                 {"BCBOHI.bak", ohi},
                 {"BCBOHL.bak", ohl},
                 {"BCB6.cnt", cnt},
                 {"BCB6.ohc", ":Include OC25Help.toc\r\n"}});
    ExpectAbsent({"BCBOHI.new", "BCBOHL.new", "BCB6.gid", "BCB6.~cn", "BCB6.new"});
    ExpectPresent({"Delphi6.gid"});
    ExpectHelpBox(outcome, "C++Builder 6");
}

TEST_F(HelpMerge, CppBuilderWithoutItsIndexFileLeavesTheLinkFileAlone) {
    InstallIde("C++Builder", 5);
    Put("BCB5.ohl", ":LINK OC25Help.hlp\r\n");
    Put("BCB5.gid", "gid");

    const CallOutcome outcome = Request("C5");

    EXPECT_EQ(Get("BCB5.ohl"), ":LINK OC25Help.hlp\r\n");
    ExpectAbsent({"BCBOHI.bak", "BCBOHL.bak", "BCBOHL.new", "BCB5.gid"});
    ExpectNoBox(outcome);
}

TEST_F(HelpMerge, ALowerCaseDRequestMergesCppBuilderSeven) {
    const std::string delphi = InstallIde("Delphi", 7);
    PutAll(kD7Originals);
    Put("Delphi7.gid", "gid");
    InstallIde("C++Builder", 7);
    Put("BCB7.ohi", ":Index Ostrel Components 2.52=OC25Help.hlp\r\n");
    Put("BCB7.ohl", ":Link bcb7.hlp\r\n:Link OC25Help.hlp\r\n");
    Put("BCB7.gid", "gid");

    const CallOutcome outcome = Request("d7");

    ExpectFiles({{"BCB7.ohi", ":Index Ostrel Components 3.0=OC3Help.hlp\r\n\r\n"},
                 {"BCB7.ohl", ":Link bcb7.hlp\r\n:Link OC3Help.hlp\r\n\r\n"}});
    ExpectAbsent({"BCB7.gid"});
    ExpectHelpBox(outcome, "C++Builder 7");

    UseTree(delphi);
    ExpectFiles(kD7Originals);
    ExpectPresent({"Delphi7.gid"});
    ExpectAbsent({"D7.~cn", "DelphiOHC.bak"});
}

// --- Which .gid files go --------------------------------------------------------

struct GidCase {
    const char* request;
    const char* family;
    int version;
    std::map<std::string, std::string> helpFiles;
    std::set<std::string> deleted;
};

void PrintTo(const GidCase& gidCase, std::ostream* out) {
    *out << gidCase.request;
}

class HelpMergeGidFiles : public HelpMerge, public ::testing::WithParamInterface<GidCase> {};

TEST_P(HelpMergeGidFiles, OnlyThePlansGidFilesAreDeleted) {
    const GidCase& param = GetParam();
    InstallIde(param.family, param.version);
    PutAll(param.helpFiles);
    const std::vector<std::string> candidates = {
        "Delphi5.gid", "Del5vcl.gid", "Delphi6.gid", "Del6vcl.gid", "Delphi7.gid",
        "Del7vcl.gid", "D7.gid",      "D7vcl.gid",   "BCB5.gid",    "BCB6.gid",
        "BCB6vcl.gid", "Delphi.gid"};
    for (const auto& name : candidates) Put(name, "gid");

    ExpectHelpBox(Request(param.request), std::string(param.family) + " " +
                                              std::to_string(param.version));

    for (const auto& name : candidates) {
        EXPECT_EQ(Has(name), param.deleted.count(name) == 0) << name;
    }
}

std::map<std::string, std::string> PlanTwoFiles(const std::string& base) {
    return {{base + ".cnt", ""}, {base + ".ohc", ""}, {base + ".ohi", ""}, {base + ".ohl", ""}};
}

INSTANTIATE_TEST_SUITE_P(
    Plans, HelpMergeGidFiles,
    ::testing::Values(
        GidCase{"D5", "Delphi", 5, {{"Delphi5.cnt", ""}}, {}},
        GidCase{"D6", "Delphi", 6, PlanTwoFiles("Delphi6"), {"Delphi6.gid", "Del6vcl.gid"}},
        GidCase{"D7", "Delphi", 7, PlanTwoFiles("D7"), {"Delphi7.gid", "Del7vcl.gid"}},
        GidCase{"C6", "C++Builder", 6, {{"BCB6.ohi", ""}, {"BCB6.ohl", ""}}, {"BCB6.gid"}}),
    [](const auto& info) { return std::string(info.param.request); });

// --- Failures ------------------------------------------------------------------

TEST_F(HelpMerge, AReadOnlyTargetIsLeftAsItWasAndNoMergeIsReported) {
    InstallIde("Delphi", 7);
    PutAll(kD7Originals);
    Put("Delphi7.gid", "gid");
    Put("Del7vcl.gid", "gid");
    KitTest::SetReadOnly(Help("D7.ohl"), true);

    const CallOutcome outcome = Request("D7");

    ExpectFiles({{"D7.cnt", kD7Merged.at("D7.cnt")},
                 {"D7.ohc", kD7Merged.at("D7.ohc")},
                 {"D7.ohi", kD7Merged.at("D7.ohi")},
                 {"D7.ohl", kD7Originals.at("D7.ohl")},
                 {"DelphiOHL.bak", kD7Originals.at("D7.ohl")}});
    ExpectAbsent(kD7WorkFiles);
    // A step that could not replace its file is a merge that did not
    // happen, not an error: the .gid files still go.
    ExpectAbsent({"Delphi7.gid", "Del7vcl.gid"});
    ExpectNoBox(outcome);
}

TEST_F(HelpMerge, ATargetHeldOpenWithoutWriteSharingStopsTheMergeUnchanged) {
    InstallIde("Delphi", 7);
    PutAll(kD7Originals);
    Put("Delphi7.gid", "gid");
    Put("Del7vcl.gid", "gid");
    KitTest::HeldOpenFile held = HeldForReading(Help("D7.cnt"));
    ASSERT_TRUE(held.IsOpen());

    const CallOutcome outcome = Request("D7");
    held.Close();

    ExpectFiles(kD7Originals);
    EXPECT_EQ(Get("D7.~cn"), kD7Originals.at("D7.cnt"));
    ExpectAbsent({"DelphiOHC.bak", "DelphiOHI.bak", "DelphiOHL.bak"});
    ExpectAbsent(kD7WorkFiles);
    ExpectAbsent({"Delphi7.gid", "Del7vcl.gid"});
    ExpectNoBox(outcome);
}

TEST_F(HelpMerge, AReadOnlyDelphiFiveContentsFileShowsNoBox) {
    InstallIde("Delphi", 5);
    const std::string original = ":Include OC25Help.cnt\r\n";
    Put("Delphi5.cnt", original);
    KitTest::SetReadOnly(Help("Delphi5.cnt"), true);

    const CallOutcome outcome = Request("D5");

    EXPECT_EQ(Get("Delphi5.cnt"), original);
    ExpectAbsent({"Delphi5.new"});
    ExpectNoBox(outcome);
}

TEST_F(HelpMerge, AnErrorWhileWritingEndsTheMergeBeforeTheGidDeletions) {
    InstallIde("Delphi", 7);
    PutAll(kD7Originals);
    Put("Delphi7.gid", "gid");
    Put("Del7vcl.gid", "gid");
    // A directory where the .ohi step wants its work file: it cannot be created.
    KitTest::MakeDirectories(Help("DelphiOHI.new"));

    const CallOutcome outcome = Request("D7");

    ExpectFiles({{"D7.cnt", kD7Merged.at("D7.cnt")},
                 {"D7.ohc", kD7Merged.at("D7.ohc")},
                 {"D7.ohi", kD7Originals.at("D7.ohi")},
                 {"D7.ohl", kD7Originals.at("D7.ohl")},
                 {"DelphiOHI.bak", kD7Originals.at("D7.ohi")}});
    ExpectAbsent({"DelphiOHL.bak", "DelphiOHL.new"});
    ExpectPresent({"Delphi7.gid", "Del7vcl.gid"});
    ExpectNoBox(outcome);
}

}  // namespace

// ---- Files that cannot be written, are held open, lie too deep or hold what no IDE
// wrote, on a machine as KitSetup meets it. Every help file ends either as it was
// or completely rewritten, backups are made as the rewrite rules say, no scratch
// file is left behind, and the box appears only when every help file of the IDE
// was merged.

namespace {

using namespace KitTest;

class HelpMergeOnAFieldMachine : public SetupMachine {
protected:
    void ExpectNoBackupsOrWorkFilesBut(const std::vector<std::string>& present) const {
        for (const char* name : {"D7.~cn", "DelphiOHC.bak", "DelphiOHI.bak", "DelphiOHL.bak",
                                 "D7.new", "DelphiOHC.new", "DelphiOHI.new", "DelphiOHL.new"}) {
            bool expected = false;
            for (const std::string& p : present) expected = expected || p == name;
            EXPECT_EQ(FileExists(DelphiHelp(name)), expected) << name;
        }
    }
};

// A file another program holds open without sharing anything: it can be
// neither read nor written while the handle lives.
HeldOpenFile LockedFile(const std::string& path) {
    return HeldOpenFile(path, GENERIC_READ | GENERIC_WRITE, 0);
}

// ---- Read-only targets -----------------------------------------------------------

TEST_F(HelpMergeOnAFieldMachine, ReadOnlyTargetsAreLeftAsTheyWereAndNoMergeIsReported) {
    InstallAll();
    for (const auto& [name, bytes] : kDelphiHelpOriginals) SetReadOnly(DelphiHelp(name), true);
    for (const auto& [name, bytes] : kCppBuilderHelpOriginals) {
        SetReadOnly(CppBuilderHelp(name), true);
    }
    SetReadOnly(DelphiDefProj(), true);
    SetReadOnly(CppBuilderProject(), true);
    const MachineState before = Capture();

    ExpectNoBox(dll_.Call("D7"));
    ExpectNoBox(dll_.Call("C6"));

    for (const auto& [name, bytes] : kDelphiHelpOriginals) {
        EXPECT_EQ(ReadBytes(DelphiHelp(name)), bytes) << name;
    }
    // The first step made its backup; the steps behind it did not run. A
    // file that was not replaced is no error: the .gid files still go.
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.~cn")), kDelphiHelpOriginals.at("D7.cnt"));
    ExpectNoBackupsOrWorkFilesBut({"D7.~cn"});
    EXPECT_FALSE(FileExists(DelphiHelp("Delphi7.gid")));
    EXPECT_EQ(ReadBytes(DelphiDefProj()), kDefProjOriginal);
    ExpectDelphi7Registered();

    for (const auto& [name, bytes] : kCppBuilderHelpOriginals) {
        EXPECT_EQ(ReadBytes(CppBuilderHelp(name)), bytes) << name;
    }
    EXPECT_EQ(ReadBytes(CppBuilderProject()), kDefaultBprOriginal);
    EXPECT_EQ(ReadBytes(CppBuilderRoot() + "\\Bin\\Default.~bp"), kDefaultBprOriginal);
    EXPECT_FALSE(FileExists(CppBuilderRoot() + "\\Bin\\Default.new"));
    ExpectCppBuilder6Registered();
    ExpectNoScratchFilesBelow(Dir());
    ExpectMachineKeysUnchanged(before);

    // Once writable again, the next run completes.
    for (const auto& [name, bytes] : kDelphiHelpOriginals) SetReadOnly(DelphiHelp(name), false);
    SetReadOnly(DelphiDefProj(), false);
    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
    ExpectDelphi7HelpMerged();
    ExpectDelphi7ProjectEdited();
}

TEST_F(HelpMergeOnAFieldMachine, AReadOnlyBackupFromAnEarlierRunStaysAndTheMergeGoesOn) {
    InstallAll();
    WriteBytes(DelphiHelp("DelphiOHC.bak"), "backup of an earlier run");
    SetReadOnly(DelphiHelp("DelphiOHC.bak"), true);

    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
    for (const auto& [name, merged] : kDelphiHelpMerged) {
        EXPECT_EQ(ReadBytes(DelphiHelp(name)), merged) << name;
    }
    EXPECT_EQ(ReadBytes(DelphiHelp("DelphiOHC.bak")), "backup of an earlier run");
    EXPECT_EQ(ReadBytes(DelphiHelp("DelphiOHI.bak")), kDelphiHelpOriginals.at("D7.ohi"));
}

TEST_F(HelpMergeOnAFieldMachine, AReadOnlyWorkFileLeftBehindStopsTheMergeBeforeItsTarget) {
    InstallAll();
    WriteBytes(DelphiHelp("DelphiOHI.new"), "left by an interrupted run");
    SetReadOnly(DelphiHelp("DelphiOHI.new"), true);

    const CallOutcome outcome = dll_.Call("D7");

    ExpectDelphi7HelpWholeOrUntouched(outcome, true);
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.ohc")), kDelphiHelpMerged.at("D7.ohc"));
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.ohi")), kDelphiHelpOriginals.at("D7.ohi"));
    EXPECT_EQ(ReadBytes(DelphiHelp("DelphiOHI.bak")), kDelphiHelpOriginals.at("D7.ohi"));
    EXPECT_EQ(ReadBytes(DelphiHelp("DelphiOHI.new")), "left by an interrupted run");
    // An I/O error ends the merge at once: the .gid files stay.
    EXPECT_TRUE(FileExists(DelphiHelp("Delphi7.gid")));
    ExpectDelphi7Registered();
    ExpectDelphi7ProjectEdited();
}

// ---- Files another program holds open ---------------------------------------------

TEST_F(HelpMergeOnAFieldMachine, AHelpFileHeldOpenWithoutSharingStopsTheMergeThere) {
    InstallAll();
    const MachineState before = Capture();
    CallOutcome outcome;
    {
        HeldOpenFile held = LockedFile(DelphiHelp("D7.ohc"));
        ASSERT_TRUE(held.IsOpen());
        outcome = dll_.Call("D7");
    }
    ExpectDelphi7HelpWholeOrUntouched(outcome, true);
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.cnt")), kDelphiHelpMerged.at("D7.cnt"));
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.ohc")), kDelphiHelpOriginals.at("D7.ohc"));
    // The backup could not be read from it; the work file was made before
    // the target failed to open and stays for the next run to replace.
    ExpectNoBackupsOrWorkFilesBut({"D7.~cn", "DelphiOHC.new"});
    EXPECT_TRUE(FileExists(DelphiHelp("Delphi7.gid")));
    ExpectDelphi7Registered();
    ExpectDelphi7ProjectEdited();
    ExpectMachineKeysUnchanged(before);

    // The next run replaces the stale work file and completes.
    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
    EXPECT_FALSE(FileExists(DelphiHelp("DelphiOHC.new")));
}

TEST_F(HelpMergeOnAFieldMachine, ACppBuilderIndexHeldOpenWithoutSharingShowsNoBox) {
    InstallAll();
    {
        HeldOpenFile held = LockedFile(CppBuilderHelp("BCB6.ohi"));
        ASSERT_TRUE(held.IsOpen());
        ExpectNoBox(dll_.Call("C6"));
    }
    for (const auto& [name, bytes] : kCppBuilderHelpOriginals) {
        EXPECT_EQ(ReadBytes(CppBuilderHelp(name)), bytes) << name;
    }
    EXPECT_TRUE(FileExists(CppBuilderHelp("BCB6.gid")));
    ExpectCppBuilder6Registered();
    ExpectCppBuilder6ProjectEdited();
}

// ---- Paths near and over 259 characters -------------------------------------------

// Paths that fit, in a directory of more than 246 characters, which leaves
// no room for the name of a sibling ("\kitXXXX.tmp") to put new content in
// place through: such a file stays as it was, and no scratch file is left.
TEST_F(HelpMergeOnAFieldMachine, DelphiFilesWhoseDirectoryLeavesNoRoomForAReplacementStayAsTheyWere) {
    InstallSuite();
    for (const std::size_t length : {243u, 245u, 247u}) {
        SCOPED_TRACE(length);
        InstallDelphi7At(PathOfLength(Dir() + "\\" + std::to_string(length), length));
        ASSERT_LE(DelphiHelp("D7.cnt").size(), 259u);

        const CallOutcome outcome = dll_.Call("D7");
        ExpectDelphi7HelpWholeOrUntouched(outcome);
        ExpectNoBox(outcome);
        ExpectDelphi7Registered();
        // The profile functions need no sibling: an options file whose path
        // fits is edited.
        if (DelphiDefProj().size() <= 259) ExpectDelphi7ProjectEdited();
        ExpectNoScratchFilesBelow(Dir());
    }
}

TEST_F(HelpMergeOnAFieldMachine, CppBuilderFilesWhoseDirectoryLeavesNoRoomForAReplacementStayAsTheyWere) {
    InstallSuite();
    for (const std::size_t length : {243u, 245u}) {
        SCOPED_TRACE(length);
        InstallCppBuilder6At(PathOfLength(Dir() + "\\" + std::to_string(length), length));
        const bool projectFits = CppBuilderProject().size() <= 259;

        ExpectNoBox(dll_.Call("C6"));
        for (const auto& [name, bytes] : kCppBuilderHelpOriginals) {
            EXPECT_EQ(ReadBytes(CppBuilderHelp(name)), bytes) << name;
        }
        // A file that was not replaced is no error and the .gid file still
        // goes; a work file path over 259 characters is an I/O error.
        EXPECT_EQ(FileExists(CppBuilderHelp("BCB6.gid")), CppBuilderHelp("BCBOHI.new").size() > 259);
        if (projectFits) {
            EXPECT_EQ(ReadBytes(CppBuilderProject()), kDefaultBprOriginal);
            EXPECT_EQ(ReadBytes(CppBuilderRoot() + "\\Bin\\Default.~bp"), kDefaultBprOriginal);
        }
        EXPECT_FALSE(FileExists(CppBuilderRoot() + "\\Bin\\Default.new"));
        ExpectCppBuilder6Registered();
        ExpectNoScratchFilesBelow(Dir());
    }
}

TEST_F(HelpMergeOnAFieldMachine, ADirectoryJustShortEnoughForAReplacementGetsTheWholeRun) {
    InstallSuite();
    // The help directory has 246 characters: a sibling's name still fits.
    InstallCppBuilder6At(PathOfLength(Dir(), 241));
    ExpectHelpBox(dll_.Call("C6"), "C++Builder 6");
    ExpectCppBuilder6HelpMerged();
    ExpectCppBuilder6ProjectEdited();
    ExpectNoScratchFilesBelow(Dir());
}

TEST_F(HelpMergeOnAFieldMachine, AWorkFilePathOverTheLimitEndsTheMergeWithTheTargetUntouched) {
    InstallSuite();
    // 241 + "\Help\D7.ohc" fits, 241 + "\Help\DelphiOHC.new" does not.
    InstallDelphi7At(PathOfLength(Dir(), 241));

    const CallOutcome outcome = dll_.Call("D7");

    ExpectDelphi7HelpWholeOrUntouched(outcome);
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.cnt")), kDelphiHelpMerged.at("D7.cnt"));
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.ohc")), kDelphiHelpOriginals.at("D7.ohc"));
    EXPECT_TRUE(FileExists(DelphiHelp("Delphi7.gid")));
    ExpectDelphi7Registered();
    ExpectDelphi7ProjectEdited();
    ExpectNoScratchFilesBelow(Dir());
}

// ---- Contents no IDE wrote -----------------------------------------------------------

TEST_F(HelpMergeOnAFieldMachine, HelpFilesWithBinaryBytesLongLinesManyLinesAndAnEndMarkAreMergedByTheLineRules) {
    InstallAll();
    const std::string megabyteLine(1 << 20, 'm');
    std::string manyLines;
    for (int i = 0; i < 200000; ++i) manyLines += ":Link file" + std::to_string(i) + ".hlp\n";
    const std::map<std::string, std::string> odd = {
        {"D7.cnt", BinaryLine() + "\r\n:Include OC25Help.cnt\rx\r\n\r\r\n" + BinaryLine()},
        {"D7.ohc", ":Include d7.toc\r\n:include oc25help.toc\x1a:Include OC25Help.toc\r\ntail"},
        {"D7.ohi", megabyteLine + "\r\n:Index Ostrel Components 2.52=OC25Help.hlp"},
        {"D7.ohl", manyLines + ":LINK OC3HELP.HLP\n:Link OC25Help.hlp\n:Link last.hlp"},
    };
    for (const auto& [name, bytes] : odd) WriteBytes(DelphiHelp(name), bytes);

    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");

    const std::vector<std::string> earlierContents = {
        ":Include OsHlp3.cnt",        ":Link OsHlp3.hlp",
        ":Index Ostrel Components II=Os20Help.hlp", ":Include Os20Help.cnt",
        ":Link Os20Help.hlp",         ":Index Ostrel Components v2.5=OC25Help.hlp",
        ":Include OC25Help.cnt",      ":Link OC25Help.hlp",
        ":Index Ostrel Components 2.52=OC25Help.hlp"};
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.cnt")), MergedHelp(odd.at("D7.cnt"), earlierContents, {""}));
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.ohc")),
              ":Include d7.toc\r\n:Include OC3Help.toc\r\n\r\n");
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.ohi")),
              megabyteLine + "\r\n:Index Ostrel Components 3.0=OC3Help.hlp\r\n\r\n");
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.ohl")),
              MergedHelp(odd.at("D7.ohl"), {":Link OC25Help.hlp"}, {":Link OC3Help.hlp"}));
    for (const auto& [name, bytes] : odd) {
        EXPECT_EQ(ReadBytes(DelphiHelp(kDelphiHelpBackups.at(name))), bytes) << name;
    }
}

}  // namespace
