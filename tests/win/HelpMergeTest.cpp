// The help merge as a setup program sees it: requests through the loaded
// KitSetup.dll against IDE trees in the sandbox, checked byte for byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "tests/support/KitSetupDll.h"
#include "tests/support/Sandbox.h"
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
class HeldOpenFile {
public:
    explicit HeldOpenFile(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~HeldOpenFile() { Close(); }
    HeldOpenFile(const HeldOpenFile&) = delete;
    HeldOpenFile& operator=(const HeldOpenFile&) = delete;
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Close() {
        if (IsOpen()) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

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
    HeldOpenFile held(Help("D7.cnt"));
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
