// Files that cannot be written, are held open by someone else, are missing,
// lie too deep, or hold what no IDE wrote. Every help file and default
// project ends either as it was or completely rewritten, backups are made as
// the rewrite rules say, no scratch file is left behind, and the box appears
// only when every help file of the IDE was merged.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "tests/support/SetupMachine.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestRegistry.h"

namespace {

using namespace KitTest;

// A file another program holds open without sharing anything: it can be
// neither read nor written while the handle lives.
class LockedFile {
public:
    explicit LockedFile(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~LockedFile() {
        if (IsOpen()) CloseHandle(handle_);
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

// ---- The line rules, stated once more for the expectations -------------------------

// The lines a reader takes from bytes: up to the first byte 26, split at LF,
// without CRs; a final LF starts no further line.
std::vector<std::string> LinesOf(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\x1a'));
    std::vector<std::string> lines;
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        std::string line;
        for (const char c : bytes.substr(0, lf)) {
            if (c != '\r') line += c;
        }
        lines.push_back(std::move(line));
        bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);
    }
    return lines;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

// A help file as a merge leaves it.
std::string MergedHelp(std::string_view original, const std::vector<std::string>& removeLines,
                       const std::vector<std::string>& addLines) {
    std::string merged;
    for (const std::string& line : LinesOf(original)) {
        bool listed = false;
        for (const auto* list : {&addLines, &removeLines}) {
            for (const std::string& entry : *list) listed = listed || Upper(line) == Upper(entry);
        }
        if (!listed) merged += line + "\r\n";
    }
    for (const std::string& line : addLines) merged += line + "\r\n";
    return merged + "\r\n";
}

std::string CrLfLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

// Every byte but the line ends and the end mark, in a line of its own.
std::string BinaryLine() {
    std::string line;
    for (int c = 0; c < 256; ++c) {
        if (c != '\n' && c != '\r' && c != 0x1a) line += static_cast<char>(c);
    }
    return line;
}

class FaultFiles : public SetupMachine {
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

// ---- Read-only targets -----------------------------------------------------------

TEST_F(FaultFiles, ReadOnlyTargetsAreLeftAsTheyWereAndNoMergeIsReported) {
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

TEST_F(FaultFiles, AReadOnlyBackupFromAnEarlierRunStaysAndTheMergeGoesOn) {
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

TEST_F(FaultFiles, AReadOnlyWorkFileLeftBehindStopsTheMergeBeforeItsTarget) {
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

TEST_F(FaultFiles, AHelpFileHeldOpenWithoutSharingStopsTheMergeThere) {
    InstallAll();
    const MachineState before = Capture();
    CallOutcome outcome;
    {
        LockedFile held(DelphiHelp("D7.ohc"));
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

TEST_F(FaultFiles, ADefaultProjectHeldOpenWithoutSharingIsLeftAsItWas) {
    InstallAll();
    {
        LockedFile delphi(DelphiDefProj());
        LockedFile cppBuilder(CppBuilderProject());
        ASSERT_TRUE(delphi.IsOpen() && cppBuilder.IsOpen());
        ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
        ExpectHelpBox(dll_.Call("C6"), "C++Builder 6");
    }
    EXPECT_EQ(ReadBytes(DelphiDefProj()), kDefProjOriginal);
    EXPECT_EQ(ReadBytes(CppBuilderProject()), kDefaultBprOriginal);
    EXPECT_FALSE(FileExists(CppBuilderRoot() + "\\Bin\\Default.~bp"));
    EXPECT_FALSE(FileExists(CppBuilderRoot() + "\\Bin\\Default.new"));
    ExpectDelphi7Registered();
    ExpectCppBuilder6Registered();
    ExpectNoScratchFilesBelow(Dir());
}

TEST_F(FaultFiles, ACppBuilderIndexHeldOpenWithoutSharingShowsNoBox) {
    InstallAll();
    {
        LockedFile held(CppBuilderHelp("BCB6.ohi"));
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

// ---- Missing directories ------------------------------------------------------------

TEST_F(FaultFiles, AnIdeWithoutHelpAndBinDirectoriesGetsOnlyItsRegistryEntries) {
    InstallSuite();
    InstallDelphi7();
    InstallCppBuilder6();
    RemoveDirectoryTree(DelphiRoot() + "\\Help");
    RemoveDirectoryTree(DelphiRoot() + "\\Bin");
    RemoveDirectoryTree(CppBuilderRoot());
    const MachineState before = Capture();

    ExpectNoBox(dll_.Call("D7"));
    ExpectNoBox(dll_.Call("C6"));

    EXPECT_EQ(Capture().files, before.files);
    ExpectDelphi7Registered();
    ExpectCppBuilder6Registered();
}

TEST_F(FaultFiles, TargetsThatAreDirectoriesAreNoFilesToEdit) {
    InstallSuite();
    InstallDelphi7();
    InstallCppBuilder6();
    RemoveDirectoryTree(DelphiRoot());
    RemoveDirectoryTree(CppBuilderRoot());
    for (const std::string& path : {DelphiHelp("D7.cnt"), DelphiDefProj(),
                                     CppBuilderHelp("BCB6.ohi"), CppBuilderProject()}) {
        MakeDirectories(path);
    }
    const MachineState before = Capture();

    ExpectNoBox(dll_.Call("D7"));
    ExpectNoBox(dll_.Call("C6"));

    EXPECT_EQ(Capture().files, before.files);
    ExpectDelphi7Registered();
    ExpectCppBuilder6Registered();
}

// ---- Paths near and over 259 characters -------------------------------------------

// A directory below the sandbox whose path is exactly length characters long.
std::string PathOfLength(const std::string& base, std::size_t length) {
    std::string path = base + "\\";
    while (path.size() < length) path += 'p';
    return path;
}

TEST_F(FaultFiles, ARootDirLongerThanAnyPathFindsNothingAndChangesNoFile) {
    InstallAll();
    SetString(HKEY_LOCAL_MACHINE, kDelphiKey, "RootDir", PathOfLength(Dir(), 300));
    SetString(HKEY_LOCAL_MACHINE, kCppBuilderKey, "RootDir", PathOfLength(Dir(), 260));
    const MachineState before = Capture();

    ExpectNoBox(dll_.Call("D7"));
    ExpectNoBox(dll_.Call("C6"));

    EXPECT_EQ(Capture().files, before.files);
    ExpectDelphi7Registered();
    ExpectCppBuilder6Registered();
}

// Paths that fit, in a directory of more than 246 characters, which leaves
// no room for the name of a sibling ("\kitXXXX.tmp") to put new content in
// place through: such a file stays as it was, and no scratch file is left.
TEST_F(FaultFiles, DelphiFilesWhoseDirectoryLeavesNoRoomForAReplacementStayAsTheyWere) {
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

TEST_F(FaultFiles, CppBuilderFilesWhoseDirectoryLeavesNoRoomForAReplacementStayAsTheyWere) {
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

TEST_F(FaultFiles, ADirectoryJustShortEnoughForAReplacementGetsTheWholeRun) {
    InstallSuite();
    // The help directory has 246 characters: a sibling's name still fits.
    InstallCppBuilder6At(PathOfLength(Dir(), 241));
    ExpectHelpBox(dll_.Call("C6"), "C++Builder 6");
    ExpectCppBuilder6HelpMerged();
    ExpectCppBuilder6ProjectEdited();
    ExpectNoScratchFilesBelow(Dir());
}

TEST_F(FaultFiles, AWorkFilePathOverTheLimitEndsTheMergeWithTheTargetUntouched) {
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

TEST_F(FaultFiles, HelpFilesWithBinaryBytesLongLinesManyLinesAndAnEndMarkAreMergedByTheLineRules) {
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

TEST_F(FaultFiles, ADefaultBprWithOddContentHasOnlyItsMacroReplaced) {
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

TEST_F(FaultFiles, ADefProjWithOddContentGetsItsPackagesEdited) {
    InstallAll();
    const std::string megabyteValue(1 << 20, 'm');
    std::string manyKeys;
    for (int i = 0; i < 200000; ++i) manyKeys += "K" + std::to_string(i) + "=v\r\n";
    const std::string highBytes = "\xe4\xf6\xfc\xdf\x80\x9f\xff";
    WriteBytes(DelphiDefProj(), "[Compiler]\r\nBig=" + megabyteValue + "\r\nHigh=" + highBytes +
                                    "\r\n" + manyKeys +
                                    "[Directories]\r\nPackages=vcl;OS252N70;rtl");

    dll_.Call("D7");

    EXPECT_EQ(ProfileValue(DelphiDefProj(), "Directories", "Packages"),
              "vcl;rtl;Os30Ctls70;Os30DBCtls70;");
    EXPECT_EQ(ProfileValue(DelphiDefProj(), "Compiler", "Big"), megabyteValue);
    EXPECT_EQ(ProfileValue(DelphiDefProj(), "Compiler", "High"), highBytes);
    EXPECT_EQ(ProfileValue(DelphiDefProj(), "Compiler", "K0"), "v");
    EXPECT_EQ(ProfileValue(DelphiDefProj(), "Compiler", "K199999"), "v");
    ExpectDelphi7Registered();
}

TEST_F(FaultFiles, ADefProjWithControlBytesNeitherCrashesNorLosesItsPackages) {
    InstallAll();
    WriteBytes(DelphiDefProj(), std::string("[Compiler]\r\nNul=a\0b\r\nEnd=c\x1a", 27) +
                                    "d\r\n[Directories]\r\nPackages=vcl;OS252N70;rtl;\r\n");
    dll_.Call("D7");
    EXPECT_EQ(ProfileValue(DelphiDefProj(), "Directories", "Packages"),
              "vcl;rtl;Os30Ctls70;Os30DBCtls70;");
    ExpectDelphi7Registered();
}

}  // namespace
