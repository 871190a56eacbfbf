// The C++Builder registration driven through the loaded KitSetup.dll, as a
// setup program runs it: "Known Packages", the library path and palette under
// HKEY_CURRENT_USER, and the default project file Default.bpr byte for byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/ExpectedLines.h"
#include "tests/support/KitSetupDll.h"
#include "tests/support/Sandbox.h"
#include "tests/support/SetupMachine.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestRegistry.h"

namespace {

using namespace KitTest;
using Names = std::vector<std::string>;

const std::string kSuite = "D:\\Suite\\";
const std::string kFullDescription = "Ostrel Components 3.0.3";
const std::string kFullDbDescription = "Ostrel Components 3.0.3 (Data-Aware)";
const std::string kTrialDescription = "Ostrel Components 3.0.3 - Trial Edition";
const std::string kTrialDbDescription = "Ostrel Components 3.0.3 (Data-Aware) - Trial Edition";

std::string IdeKey(int version) {
    return "SOFTWARE\\Borland\\C++Builder\\" + std::to_string(version) + ".0";
}
std::string KnownPackagesKey(int version) { return IdeKey(version) + "\\Known Packages"; }

class CppBuilderRegistration : public Sandbox {
protected:
    void SetUp() override {
        Sandbox::SetUp();
        SetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", kSuite);
        InstallIde(6, "PRO");
    }

    void InstallIde(int version, const std::string& edition) {
        SetString(HKEY_LOCAL_MACHINE, IdeKey(version), "RootDir", Root(version));
        SetString(HKEY_LOCAL_MACHINE, IdeKey(version), "Version", edition);
    }

    std::string Root(int version) const { return PathIn("CBuilder" + std::to_string(version)); }
    std::string ProjectPath(int version = 6) const { return Root(version) + "\\Bin\\Default.bpr"; }
    std::string WorkPath(int version = 6) const { return Root(version) + "\\Bin\\Default.new"; }
    std::string BackupPath(int version = 6) const { return Root(version) + "\\Bin\\Default.~bp"; }

    void Run(const char* request) {
        const CallOutcome outcome = dll_.Call(request);
        EXPECT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.stackDelta, 0);
    }

    // Writes the project file, runs the request and gives the file back.
    std::optional<std::string> RunOn(const std::string& project, const char* request = "C6",
                                     int version = 6) {
        WriteBytes(ProjectPath(version), project);
        Run(request);
        return ReadBytes(ProjectPath(version));
    }

    void ExpectKnownPackages(int version, const Names& fileNames,
                             const std::vector<std::string>& descriptions) {
        Names expected;
        for (const std::string& fileName : fileNames) expected.push_back(kSuite + "Bin\\" + fileName);
        EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, KnownPackagesKey(version)), expected);
        for (std::size_t i = 0; i < fileNames.size() && i < descriptions.size(); ++i) {
            EXPECT_EQ(ReadString(HKEY_CURRENT_USER, KnownPackagesKey(version), expected[i]),
                      descriptions[i])
                << expected[i];
        }
    }

    KitSetupDll dll_;
};

// ---- Registry phase --------------------------------------------------------

TEST_F(CppBuilderRegistration, EarlierKnownPackagesGoAndThisVersionsAreWritten) {
    const std::string key = KnownPackagesKey(6);
    SetString(HKEY_CURRENT_USER, key, "C:\\Old\\Bin\\os252ndsgn60.bpl", "2.52");
    SetString(HKEY_CURRENT_USER, key, "E:\\X\\MyOS30TRIALDBCTLS_DSGN50.BPL", "trial");
    SetString(HKEY_CURRENT_USER, key, "d:\\suite\\bin\\os30ctls_dsgn60.bpl", "same, other case");
    SetString(HKEY_CURRENT_USER, key, "C:\\Keep\\Os30Ctls_Dsgn70.bpl", "no C++Builder 7 names");
    SetString(HKEY_CURRENT_USER, key, "C:\\Keep\\Other.bpl", "unrelated");
    SetString(HKEY_CURRENT_USER, IdeKey(6) + "\\Library", "Search Path", "C:\\X;");
    SetString(HKEY_CURRENT_USER, IdeKey(6) + "\\Palette", "Ostrel List.Hidden", "1");
    SetString(HKEY_CURRENT_USER, IdeKey(6) + "\\Palette", "Standard", "2");

    Run("C6");

    // Deleted and written again: the entry takes the exact case of its new name.
    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, key),
              (Names{"C:\\Keep\\Os30Ctls_Dsgn70.bpl", "C:\\Keep\\Other.bpl",
                     "D:\\Suite\\Bin\\Os30Ctls_Dsgn60.bpl", "D:\\Suite\\Bin\\Os30DBCtls_Dsgn60.bpl"}));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, key, "D:\\Suite\\Bin\\Os30Ctls_Dsgn60.bpl"),
              kFullDescription);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, key, "D:\\Suite\\Bin\\Os30DBCtls_Dsgn60.bpl"),
              kFullDbDescription);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, key, "C:\\Keep\\Other.bpl"), "unrelated");
    // The same open key serves the library path and the palette.
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, IdeKey(6) + "\\Library", "Search Path"),
              "C:\\X;D:\\Suite\\LibBCB6;");
    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, IdeKey(6) + "\\Palette"), (Names{"Standard"}));
}

TEST_F(CppBuilderRegistration, TheStandardEditionGetsNoDataAwarePackage) {
    InstallIde(5, "STD");
    SetString(HKEY_CURRENT_USER, KnownPackagesKey(5), "D:\\Suite\\Bin\\Os30DBCtls_Dsgn50.bpl", "x");
    const auto project = RunOn("PACKAGES = vcl50.bpi Os30DBCtls50.bpi\r\n", "C5", 5);
    ExpectKnownPackages(5, {"Os30Ctls_Dsgn50.bpl"}, {kFullDescription});
    // A data-aware name already there stays; none is added.
    EXPECT_EQ(project, "PACKAGES = vcl50.bpi Os30DBCtls50.bpi Os30Ctls50.bpi \r\n");
}

TEST_F(CppBuilderRegistration, OnlyTheExactTextStdClosesTheGate) {
    InstallIde(6, "std");
    const auto project = RunOn("PACKAGES = vcl60.bpi\r\n", "C6T");
    ExpectKnownPackages(6, {"Os30TrialCtls_Dsgn60.bpl", "Os30TrialDBCtls_Dsgn60.bpl"},
                        {kTrialDescription, kTrialDbDescription});
    EXPECT_EQ(project, "PACKAGES = vcl60.bpi Os30TrialCtls60.bpi Os30TrialDBCtls60.bpi \r\n");
}

TEST_F(CppBuilderRegistration, TheRegistryIsDoneEvenWithoutAProjectFile) {
    Run("C6");
    ExpectKnownPackages(6, {"Os30Ctls_Dsgn60.bpl", "Os30DBCtls_Dsgn60.bpl"},
                        {kFullDescription, kFullDbDescription});
    EXPECT_FALSE(FileExists(ProjectPath()));
    EXPECT_FALSE(FileExists(BackupPath()));
    EXPECT_FALSE(FileExists(WorkPath()));
}

// ---- Makefile-style project file -------------------------------------------

TEST_F(CppBuilderRegistration, AProjectWithoutAMacroGetsOneAppended) {
    EXPECT_EQ(RunOn("# generated\r\n\r\nUSERDEFINES = _DEBUG\r\n"),
              "# generated\r\n\r\nUSERDEFINES = _DEBUG\r\n"
              "PACKAGES = Os30Ctls60.bpi Os30DBCtls60.bpi \r\n");
}

TEST_F(CppBuilderRegistration, UnrecognisedMacroLinesAreCopiedAndAMacroIsAppended) {
    const std::string lines =
        "Packages = vcl60.bpi\r\nPACKAGES=rtl60.bpi\r\nPACKAGES  = x.bpi\r\nPACKAGES = \r\n";
    EXPECT_EQ(RunOn(lines), lines + "PACKAGES = Os30Ctls60.bpi Os30DBCtls60.bpi \r\n");
}

TEST_F(CppBuilderRegistration, AnIndentedContinuedMacroIsReplacedInPlace) {
    EXPECT_EQ(RunOn("OBJFILES = a.obj\r\n"
                    "  PACKAGES = vcl60.bpi Os252N60.bpi \\   \r\n"
                    "\t rtl60.bpi \\\r\n"
                    "    Os252D60.bpi vclx60.bpi\r\n"
                    "SPARELIBS = vcl60.lib\r\n"),
              "OBJFILES = a.obj\r\n"
              "PACKAGES = vcl60.bpi rtl60.bpi vclx60.bpi Os30Ctls60.bpi Os30DBCtls60.bpi \r\n"
              "SPARELIBS = vcl60.lib\r\n");
}

TEST_F(CppBuilderRegistration, AnEmptyLineAfterABackslashIsConsumedWithTheMacro) {
    EXPECT_EQ(RunOn("PACKAGES = vcl60.bpi \\\r\n\r\nEND\r\n"),
              "PACKAGES = vcl60.bpi Os30Ctls60.bpi Os30DBCtls60.bpi \r\nEND\r\n");
}

TEST_F(CppBuilderRegistration, EmptyEntriesAreKeptAndARerunChangesNothing) {
    const std::string once = "PACKAGES = a.bpi  b.bpi Os30Ctls60.bpi Os30DBCtls60.bpi \r\n";
    EXPECT_EQ(RunOn("PACKAGES = a.bpi  b.bpi\r\n"), once);
    Run("C6");
    EXPECT_EQ(ReadBytes(ProjectPath()), once);
}

TEST_F(CppBuilderRegistration, OnlyTheFirstOccurrenceOfAnEarlierNameGoes) {
    EXPECT_EQ(RunOn("PACKAGES = Os252N60.bpi x.bpi os252n60.BPI\r\n"),
              "PACKAGES = x.bpi os252n60.BPI Os30Ctls60.bpi Os30DBCtls60.bpi \r\n");
}

TEST_F(CppBuilderRegistration, ANameInAnotherCaseIsNotAddedAgain) {
    EXPECT_EQ(RunOn("PACKAGES = OS30CTLS60.BPI\r\n"),
              "PACKAGES = OS30CTLS60.BPI Os30DBCtls60.bpi \r\n");
}

TEST_F(CppBuilderRegistration, ALongListIsBrokenAfterSeventyCharacters) {
    InstallIde(5, "PRO");
    const auto project = RunOn(
        "PACKAGES = A50.bpi B50.bpi C50.bpi D50.bpi E50.bpi F50.bpi G50.bpi H50.bpi\r\n", "C5", 5);
    const std::string first =
        "PACKAGES = A50.bpi B50.bpi C50.bpi D50.bpi E50.bpi F50.bpi G50.bpi H50.bpi \\";
    const std::string second = "  Os30Ctls50.bpi Os30DBCtls50.bpi ";
    ASSERT_EQ(first.size(), 76u);
    ASSERT_EQ(second.size(), 34u);
    EXPECT_EQ(project, first + "\r\n" + second + "\r\n");
}

TEST_F(CppBuilderRegistration, AProjectFarLongerThanItsFirstLinesIsRewrittenWhole) {
    // The file's kind is told from its first bytes; the macro and what
    // follows it lie well beyond them and must still come through.
    std::string before;
    std::string after;
    for (int i = 0; i < 4000; ++i) {
        before += "OBJFILES" + std::to_string(i) + " = unit" + std::to_string(i) + ".obj\r\n";
        after += "LIBFILES" + std::to_string(i) + " = lib" + std::to_string(i) + ".lib\r\n";
    }
    ASSERT_GT(before.size(), 100u * 1024);
    EXPECT_EQ(RunOn(before + "PACKAGES = vcl60.bpi Os252N60.bpi\r\n" + after),
              before + "PACKAGES = vcl60.bpi Os30Ctls60.bpi Os30DBCtls60.bpi \r\n" + after);
}

TEST_F(CppBuilderRegistration, LineFeedsBecomeCrLfAndALastLineGetsItsBreak) {
    EXPECT_EQ(RunOn("top\nPACKAGES = x.bpi\nbottom"),
              "top\r\nPACKAGES = x.bpi Os30Ctls60.bpi Os30DBCtls60.bpi \r\nbottom\r\n");
}

TEST_F(CppBuilderRegistration, ATrialRunAfterAFullRunListsBothAndRegistersOnlyTheTrial) {
    EXPECT_EQ(RunOn("PACKAGES = vcl60.bpi\r\n"),
              "PACKAGES = vcl60.bpi Os30Ctls60.bpi Os30DBCtls60.bpi \r\n");
    Run("C6T");
    EXPECT_EQ(ReadBytes(ProjectPath()),
              "PACKAGES = vcl60.bpi Os30Ctls60.bpi Os30DBCtls60.bpi Os30TrialCtls60.bpi \\\r\n"
              "  Os30TrialDBCtls60.bpi \r\n");
    ExpectKnownPackages(6, {"Os30TrialCtls_Dsgn60.bpl", "Os30TrialDBCtls_Dsgn60.bpl"},
                        {kTrialDescription, kTrialDbDescription});
}

TEST_F(CppBuilderRegistration, AFullRunRemovesTheTrialNamesOfEveryVersion) {
    EXPECT_EQ(RunOn("PACKAGES = Os30TrialCtls50.bpi Os30TrialDBCtls60.bpi Os251N50.bpi "
                    "Os30TrialCtls60.bpi Os30TrialCtls70.bpi\r\n"),
              "PACKAGES = Os30TrialCtls70.bpi Os30Ctls60.bpi Os30DBCtls60.bpi \r\n");
}

TEST_F(CppBuilderRegistration, TheBackupHoldsTheOldFileAndNoWorkFileStays) {
    const std::string original = "PACKAGES = vcl60.bpi\nX\x1a ignored";
    WriteBytes(BackupPath(), "an older backup");
    WriteBytes(WorkPath(), "left over from a failed run\r\n");
    const auto project = RunOn(original);
    // Reading stops at byte 26.
    EXPECT_EQ(project, "PACKAGES = vcl60.bpi Os30Ctls60.bpi Os30DBCtls60.bpi \r\nX\r\n");
    EXPECT_EQ(ReadBytes(BackupPath()), original);
    EXPECT_FALSE(FileExists(WorkPath()));
}

TEST_F(CppBuilderRegistration, AProjectThatCannotBeReplacedKeepsItsContent) {
    const std::string original = "PACKAGES = vcl60.bpi\r\n";
    WriteBytes(ProjectPath(), original);
    SetReadOnly(ProjectPath(), true);
    Run("C6");
    SetReadOnly(ProjectPath(), false);
    EXPECT_EQ(ReadBytes(ProjectPath()), original);
    EXPECT_EQ(ReadBytes(BackupPath()), original);
    EXPECT_FALSE(FileExists(WorkPath()));
    // The registry phase had been done before.
    ExpectKnownPackages(6, {"Os30Ctls_Dsgn60.bpl", "Os30DBCtls_Dsgn60.bpl"},
                        {kFullDescription, kFullDbDescription});
}

// An empty "RootDir" puts the project file at "\Bin\Default.bpr" on the
// current drive; the sandbox's drive is made current so that it stays there.
TEST_F(CppBuilderRegistration, AnEmptyRootDirectoryGivesPathsFromTheDriveRoot) {
    char previous[MAX_PATH] = {};
    ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(Dir().c_str()));
    if (GetFileAttributesA("\\Bin") != INVALID_FILE_ATTRIBUTES) {
        SetCurrentDirectoryA(previous);
        GTEST_SKIP() << "the drive already has a \\Bin directory";
    }
    SetString(HKEY_LOCAL_MACHINE, IdeKey(6), "RootDir", "");
    WriteBytes("\\Bin\\Default.bpr", "PACKAGES = vcl60.bpi\r\n");

    Run("C6");

    const auto project = ReadBytes("\\Bin\\Default.bpr");
    const auto backup = ReadBytes("\\Bin\\Default.~bp");
    const bool workLeft = FileExists("\\Bin\\Default.new");
    RemoveDirectoryTree("\\Bin");
    SetCurrentDirectoryA(previous);

    EXPECT_EQ(project, "PACKAGES = vcl60.bpi Os30Ctls60.bpi Os30DBCtls60.bpi \r\n");
    EXPECT_EQ(backup, "PACKAGES = vcl60.bpi\r\n");
    EXPECT_FALSE(workLeft);
}

// ---- XML project file ------------------------------------------------------

const std::string kXmlHead =
    "<?xml version='1.0' encoding='utf-8' ?>\r\n"
    "<!-- C++Builder XML Project -->\r\n"
    "<PROJECT>\r\n"
    "  <MACROS>\r\n"
    "    <VERSION value=\"BCB.06.00\"/>\r\n"
    "    <PROJECT value=\"Project1.exe\"/>\r\n";
const std::string kXmlTail =
    "    <PATHCPP value=\".;\"/>\r\n"
    "  </MACROS>\r\n"
    "  <OPTIONS>\r\n"
    "    <CFLAG1 value=\"-Od -H=&quot;$(BCB)\\lib\\vcl60.csm&quot; -Hc\"/>\r\n"
    "  </OPTIONS>\r\n"
    "</PROJECT>";

TEST_F(CppBuilderRegistration, AnXmlProjectHasItsPackagesValueEditedInPlace) {
    const std::string original = kXmlHead +
                                 "    <PACKAGES value=\"vcl.bpi rtl.bpi dbrtl.bpi Os252N60.bpi \r\n"
                                 "      vcldbx.bpi ibxpress.bpi Os30TrialCtls60.bpi\"/>\r\n" +
                                 kXmlTail;
    EXPECT_EQ(RunOn(original),
              kXmlHead +
                  "    <PACKAGES value=\"vcl.bpi rtl.bpi dbrtl.bpi vcldbx.bpi ibxpress.bpi \r\n"
                  "      Os30Ctls60.bpi Os30DBCtls60.bpi\"/>\r\n" +
                  kXmlTail);
    EXPECT_EQ(ReadBytes(BackupPath()), original);
    EXPECT_FALSE(FileExists(WorkPath()));
}

TEST_F(CppBuilderRegistration, AnXmlProjectKeepsItsOwnLineBreaksAndReferences) {
    const std::string original =
        "\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8' ?>\n<PROJECT>\n"
        "<PACKAGES value=\"a&amp;b.bpi &#x4F;S252D60.BPI\"/>\n</PROJECT>\n\x1a tail";
    EXPECT_EQ(RunOn(original),
              "\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8' ?>\n<PROJECT>\n"
              "<PACKAGES value=\"a&amp;b.bpi Os30Ctls60.bpi Os30DBCtls60.bpi\"/>\n</PROJECT>\n"
              "\x1a tail");
}

TEST_F(CppBuilderRegistration, ALongXmlProjectAfterBlankLinesIsEditedWhole) {
    // Blank lines before the declaration still make it XML, and an element
    // far beyond the file's first bytes is found and edited in place.
    std::string macros;
    for (int i = 0; i < 4000; ++i) {
        macros += "    <USERDEFINE" + std::to_string(i) + " value=\"_DEBUG\"/>\r\n";
    }
    ASSERT_GT(macros.size(), 100u * 1024);
    const std::string head = "\r\n  \r\n" + kXmlHead + macros;
    EXPECT_EQ(RunOn(head + "    <PACKAGES value=\"vcl.bpi Os252D60.bpi\"/>\r\n" + kXmlTail),
              head + "    <PACKAGES value=\"vcl.bpi Os30Ctls60.bpi Os30DBCtls60.bpi\"/>\r\n" +
                  kXmlTail);
}

TEST_F(CppBuilderRegistration, AnXmlProjectWithoutPackagesIsLeftAlone) {
    const std::string original = kXmlHead + kXmlTail;
    EXPECT_EQ(RunOn(original), original);
    EXPECT_FALSE(FileExists(WorkPath()));
    ExpectKnownPackages(6, {"Os30Ctls_Dsgn60.bpl", "Os30DBCtls_Dsgn60.bpl"},
                        {kFullDescription, kFullDbDescription});
}

}  // namespace

// ---- A default project no IDE wrote, on a machine as KitSetup meets it --------------

namespace {

using namespace KitTest;

class CppBuilderRegistrationOnAFieldMachine : public SetupMachine {};

TEST_F(CppBuilderRegistrationOnAFieldMachine, ADefaultBprWithOddContentHasOnlyItsMacroReplaced) {
    InstallAll();
    const std::string megabyteLine(1 << 20, 'm');
    std::string manyLines;
    for (int i = 0; i < 200000; ++i) manyLines += "# line " + std::to_string(i) + "\n";
    const std::string odd = BinaryLine() + "\r\n" + megabyteLine + "\r\n" +
                            "PACKAGES = vcl.bpi Os252N60.bpi \\\r\n  rtl.bpi\r\n" + manyLines +
                            "lone\rCR\r\nlast line\x1a after the end mark";
    WriteBytes(CppBuilderProject(), odd);

    ExpectHelpBox(dll_.Call("C6"), "C++Builder 6");

    std::vector<std::string> expected = LinesOf(odd);
    // The macro's two lines become one.
    expected.erase(expected.begin() + 2, expected.begin() + 4);
    expected.insert(expected.begin() + 2,
                    "PACKAGES = vcl.bpi rtl.bpi Os30Ctls60.bpi Os30DBCtls60.bpi ");
    EXPECT_EQ(ReadBytes(CppBuilderProject()), CrLfLines(expected));
    EXPECT_EQ(ReadBytes(CppBuilderRoot() + "\\Bin\\Default.~bp"), odd);
    EXPECT_FALSE(FileExists(CppBuilderRoot() + "\\Bin\\Default.new"));
}

}  // namespace
