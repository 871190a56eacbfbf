// IDEUninstall pinned on the field machine (Delphi 7 and C++Builder 6 with
// what suite 2.52 and other vendors left): what goes, what stays, a store
// that fails alone, and bad input. The round trip over generated states is
// in UninstallRoundTripTest.cpp.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/UniqueHandle.h"
#include "tests/support/SetupMachine.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestRegistry.h"

namespace {

using namespace KitTest;

FILETIME KeyWriteTime(const std::string& path) {
    FILETIME written{};
    KitPlatform::UniqueHkey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, &written);
    }
    return written;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

class Uninstall : public SetupMachine {
protected:
    void InstallAndIntegrate() {
        InstallAll();
        dll_.Call("D7");
        dll_.Call("C6");
    }

    static void ExpectQuiet(const CallOutcome& outcome) {
        EXPECT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.stackDelta, 0);
        EXPECT_EQ(outcome.messageBoxCalls, 0);
        EXPECT_TRUE(outcome.boxes.empty());
    }

    const std::string kDelphiKnown = kDelphiKey + "\\Known Packages";
    const std::string kDelphiLibrary = kDelphiKey + "\\Library";
};

TEST_F(Uninstall, TakesTheSuiteOutOfDelphi7AndCppBuilder6AndLeavesTheRestAsInstallLeftIt) {
    InstallAndIntegrate();
    ExpectQuiet(dll_.CallUninstall("D7"));
    ExpectQuiet(dll_.CallUninstall("C6T"));  // the edition does not matter

    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, kDelphiKnown),
              std::vector<std::string>{"$(DELPHI)\\Bin\\dclstd70.bpl"});
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kDelphiLibrary, "Search Path"),
              "$(DELPHI)\\Lib;$(DELPHI)\\Bin;$(DELPHI)\\Imports;");
    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, kDelphiKey + "\\Palette"),
              std::vector<std::string>{"Standard"});
    EXPECT_EQ(ProfileValue(DelphiDefProj(), "Directories", "Packages"), "vcl;rtl;vclx;dbrtl;");
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.ohc")), ":Include d7.toc\r\n:Include vcl7.toc\r\n");
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.ohi")), ":Index Delphi 7=d7.hlp\r\n:Index VCL=vcl7.hlp\r\n");
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.ohl")), ":Link d7.hlp\r\n:Link vcl7.hlp\r\n");
    // The contents file holds no suite line; IDEInstall's backups stay.
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.cnt")), kDelphiHelpMerged.at("D7.cnt"));
    EXPECT_EQ(ReadBytes(DelphiHelp("DelphiOHI.bak")), kDelphiHelpOriginals.at("D7.ohi"));

    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, kCppBuilderKey + "\\Known Packages"),
              std::vector<std::string>{"$(BCB)\\Bin\\dclstd60.bpl"});
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kCppBuilderKey + "\\Library", "Search Path"),
              "$(BCB)\\Lib;$(BCB)\\Include;");
    EXPECT_EQ(ReadBytes(CppBuilderProject()),
              "# ---------------\r\nVERSION = BCB.06.00\r\nPROJECT = Project1.exe\r\n"
              "PACKAGES = vcl.bpi rtl.bpi \r\nSPARELIBS = vcl.lib rtl.lib\r\n");
    EXPECT_EQ(ReadBytes(CppBuilderRoot() + "\\Bin\\Default.~bp"), kDefaultBprOriginal);
    EXPECT_EQ(ReadBytes(CppBuilderHelp("BCB6.ohi")), ":Index C++Builder 6=bcb6.hlp\r\n");
    EXPECT_EQ(ReadBytes(CppBuilderHelp("BCB6.ohl")), ":Link bcb6.hlp\r\n");
    for (const char* work : {"D7.new", "DelphiOHC.new", "DelphiOHI.new", "DelphiOHL.new"}) {
        EXPECT_FALSE(FileExists(DelphiHelp(work))) << work;
    }
    EXPECT_FALSE(FileExists(CppBuilderRoot() + "\\Bin\\Default.new"));
    ExpectNoScratchFilesBelow(Dir());
}

TEST_F(Uninstall, KnownAndDisabledPackagesLoseWholeSuiteNamesOnlyAndKeepTheOrderOfTheRest) {
    InstallAndIntegrate();
    // Added after the install, which would take out names that merely
    // contain a suite name.
    SetString(HKEY_CURRENT_USER, kDelphiKnown, "C:\\Other\\MyOs30Ctls_Dsgn70.bpl", "Look-alike");
    SetString(HKEY_CURRENT_USER, kDelphiKnown, "C:\\Other\\Os30Ctls_Dsgn70.bpl.old", "Look-alike");
    SetString(HKEY_CURRENT_USER, kDelphiKnown, "c:\\elsewhere\\OS30TRIALDBCTLS_DSGN70.bpl", "Moved");
    SetString(HKEY_CURRENT_USER, kDelphiKnown, "C:\\Suite\\Bin\\Os30Ctls_Dsgn60.bpl", "Delphi 6's");
    const std::string disabled = kDelphiKey + "\\Disabled Packages";
    SetString(HKEY_CURRENT_USER, disabled, kSuiteDir + "Bin\\Os30DBCtls_Dsgn70.bpl", "Off");
    SetString(HKEY_CURRENT_USER, disabled, "$(DELPHI)\\Bin\\dclado70.bpl", "Off");
    const RegistryTree cppBuilderBefore = ReadRegistryTree(HKEY_CURRENT_USER, kCppBuilderKey);

    ExpectQuiet(dll_.CallUninstall("D7"));

    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, kDelphiKnown),
              (std::vector<std::string>{"$(DELPHI)\\Bin\\dclstd70.bpl",
                                        "C:\\Other\\MyOs30Ctls_Dsgn70.bpl",
                                        "C:\\Other\\Os30Ctls_Dsgn70.bpl.old",
                                        "C:\\Suite\\Bin\\Os30Ctls_Dsgn60.bpl"}));
    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, disabled),
              std::vector<std::string>{"$(DELPHI)\\Bin\\dclado70.bpl"});
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kDelphiKnown, "C:\\Other\\MyOs30Ctls_Dsgn70.bpl"),
              "Look-alike");
    EXPECT_TRUE(ReadRegistryTree(HKEY_CURRENT_USER, kCppBuilderKey) == cppBuilderBefore);
}

TEST_F(Uninstall, SearchPathLosesEveryWholeEntryAndIsNotWrittenWhenNothingGoes) {
    InstallAll();
    const std::string suiteLib = kSuiteDir + "Lib7";
    std::string lowered = suiteLib;
    for (char& c : lowered) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    SetString(HKEY_CURRENT_USER, kDelphiLibrary, "Search Path",
              "A;" + suiteLib + "\\;B;" + lowered + ";" + suiteLib + "0;X" + suiteLib + ";" +
                  suiteLib);
    ExpectQuiet(dll_.CallUninstall("D7"));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kDelphiLibrary, "Search Path"),
              "A;B;" + suiteLib + "0;X" + suiteLib + ";");

    const FILETIME written = KeyWriteTime(kDelphiLibrary);
    Sleep(20);
    ExpectQuiet(dll_.CallUninstall("D7"));
    EXPECT_TRUE(SameTime(written, KeyWriteTime(kDelphiLibrary)));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kDelphiLibrary, "Search Path"),
              "A;B;" + suiteLib + "0;X" + suiteLib + ";");
}

TEST_F(Uninstall, WithoutTheSuitesInstallDirOnlyTheSearchPathStays) {
    InstallAndIntegrate();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKey);  // the setup program went first
    ExpectQuiet(dll_.CallUninstall("D7"));

    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kDelphiLibrary, "Search Path"),
              "$(DELPHI)\\Lib;$(DELPHI)\\Bin;$(DELPHI)\\Imports;" + kSuiteDir + "Lib7;");
    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, kDelphiKnown),
              std::vector<std::string>{"$(DELPHI)\\Bin\\dclstd70.bpl"});
    EXPECT_EQ(ProfileValue(DelphiDefProj(), "Directories", "Packages"), "vcl;rtl;vclx;dbrtl;");
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.ohl")), ":Link d7.hlp\r\n:Link vcl7.hlp\r\n");
}

TEST_F(Uninstall, AnIdeThatIsNotInstalledOrNeverStartedIsLeftAloneAndNothingIsCreated) {
    InstallAndIntegrate();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kDelphiKey);  // Delphi 7 itself is gone
    MachineState before = Capture();
    ExpectQuiet(dll_.CallUninstall("D7"));
    ExpectUnchanged(before);

    // Delphi 5 installed, but its per-user key never made.
    SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Borland\\Delphi\\5.0", "RootDir", PathIn("Delphi5"));
    before = Capture();
    ExpectQuiet(dll_.CallUninstall("D5"));
    ExpectUnchanged(before);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\Borland\\Delphi\\5.0"));
}

TEST_F(Uninstall, AReadOnlyOrLockedFileFailsAloneAndEveryOtherStepStillRuns) {
    InstallAndIntegrate();
    const std::string mergedOhi = kDelphiHelpMerged.at("D7.ohi");
    SetReadOnly(DelphiHelp("D7.ohi"), true);
    SetReadOnly(DelphiDefProj(), true);
    const std::string dofBefore = ReadBytes(DelphiDefProj()).value_or("");
    WriteBytes(DelphiHelp("Delphi7.gid"), "rebuilt by the help system");
    // Another program holds the project open for writing.
    KitPlatform::UniqueFileHandle holder(CreateFileA(CppBuilderProject().c_str(), GENERIC_WRITE,
                                                     FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.valid());

    ExpectQuiet(dll_.CallUninstall("D7"));
    ExpectQuiet(dll_.CallUninstall("C6"));
    holder.reset();

    EXPECT_EQ(ReadBytes(DelphiHelp("D7.ohi")), mergedOhi);
    EXPECT_EQ(ReadBytes(DelphiDefProj()), dofBefore);
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.ohl")), ":Link d7.hlp\r\n:Link vcl7.hlp\r\n");
    EXPECT_FALSE(FileExists(DelphiHelp("Delphi7.gid")));
    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, kDelphiKnown),
              std::vector<std::string>{"$(DELPHI)\\Bin\\dclstd70.bpl"});
    EXPECT_EQ(ReadBytes(CppBuilderProject()), kDefaultBprEdited);
    EXPECT_EQ(ReadBytes(CppBuilderHelp("BCB6.ohl")), ":Link bcb6.hlp\r\n");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kCppBuilderKey + "\\Library", "Search Path"),
              "$(BCB)\\Lib;$(BCB)\\Include;");
    EXPECT_FALSE(FileExists(DelphiHelp("DelphiOHI.new")));
    EXPECT_FALSE(FileExists(CppBuilderRoot() + "\\Bin\\Default.new"));
    ExpectNoScratchFilesBelow(Dir());
    SetReadOnly(DelphiHelp("D7.ohi"), false);
    SetReadOnly(DelphiDefProj(), false);
}

TEST_F(Uninstall, ValuesOfOtherTypesFailTheirStepAlone) {
    InstallAndIntegrate();
    SetDword(HKEY_CURRENT_USER, kDelphiLibrary, "Search Path", 7);
    SetRaw(HKEY_CURRENT_USER, kDelphiKnown, kSuiteDir + "Bin\\Os30Ctls_Dsgn70.bpl", REG_BINARY, "\x01");
    ExpectQuiet(dll_.CallUninstall("D7"));
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kDelphiLibrary, "Search Path")->type,
              static_cast<DWORD>(REG_DWORD));
    // A value is judged by its name, whatever its type.
    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, kDelphiKnown),
              std::vector<std::string>{"$(DELPHI)\\Bin\\dclstd70.bpl"});
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.ohl")), ":Link d7.hlp\r\n:Link vcl7.hlp\r\n");
}

TEST_F(Uninstall, AHelpFileWhoseWorkFileWouldBeTooLongStaysWholeAndTheRestStillRuns) {
    InstallSuite();
    // Room for "\\Help\\D7.ohl" (259 characters in all), not for its work
    // file "\\Help\\DelphiOHL.new".
    InstallDelphi7At(Dir() + "\\" + std::string(246 - Dir().size(), 'r'));
    dll_.Call("D7");
    const std::string ohl = ":Link d7.hlp\r\n:Link OC3Help.hlp\r\n\r\n";
    WriteBytes(DelphiHelp("D7.ohl"), ohl);
    ASSERT_EQ(ValueNames(HKEY_CURRENT_USER, kDelphiKnown).size(), 3u);  // the install ran
    const FileTree before = ReadFileTree(Dir());

    ExpectQuiet(dll_.CallUninstall("D7"));
    EXPECT_EQ(ReadBytes(DelphiHelp("D7.ohl")), ohl);
    EXPECT_TRUE(ReadFileTree(Dir()) == before);
    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, kDelphiKnown),
              std::vector<std::string>{"$(DELPHI)\\Bin\\dclstd70.bpl"});
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kDelphiLibrary, "Search Path"),
              "$(DELPHI)\\Lib;$(DELPHI)\\Bin;$(DELPHI)\\Imports;");
    ExpectNoScratchFilesBelow(Dir());
}

TEST_F(Uninstall, BadInputReturnsZeroShowsNothingAndChangesNothing) {
    InstallAndIntegrate();
    const MachineState before = Capture();
    ExpectQuiet(dll_.CallUninstallWithBlock(nullptr));
    ExpectQuiet(dll_.CallUninstall(nullptr));
    for (const char* request : {"", "D", "Dx", "7", "\xFF", "D\xB7", " 9", "C4"}) {
        SCOPED_TRACE(request);
        ExpectQuiet(dll_.CallUninstall(request));
    }
    ExpectUnchanged(before);
}

}  // namespace
