// The Delphi registration end to end through the loaded KitSetup.dll, against
// sample Delphi installations: the IDE's machine key with "RootDir" and
// "Version", the suite's key, what earlier suite versions left in the per-user
// key, and <root>\Bin\DefProj.dof.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/KitSetupDll.h"
#include "tests/support/OddRegistryValues.h"
#include "tests/support/Sandbox.h"
#include "tests/support/SetupMachine.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestRegistry.h"

namespace {

using KitTest::ReadString;
using KitTest::SetString;
using KitTest::ValueNames;
using Names = std::vector<std::string>;

const std::string kSuite = "C:\\Ostrel\\OC30\\";
const std::string kStandard = "Ostrel Components 3.0.3";
const std::string kDataAware = "Ostrel Components 3.0.3 (Data-Aware)";
const std::string kStandardTrial = "Ostrel Components 3.0.3 - Trial Edition";
const std::string kDataAwareTrial = "Ostrel Components 3.0.3 (Data-Aware) - Trial Edition";

std::string DofWith(const std::string& directoriesLines) {
    return "[FileVersion]\r\nVersion=7.0\r\n[Compiler]\r\nA=8\r\n[Directories]\r\n"
           "OutputDir=\r\nSearchPath=\r\n" +
           directoriesLines + "Conditionals=\r\nUsePackages=0\r\n[Parameters]\r\nRunParams=\r\n";
}

// Reads a value straight from the file's bytes, independent of the profile
// functions and of their 2047-character buffer.
std::optional<std::string> ProfileValue(const std::string& bytes, const std::string& section,
                                        const std::string& key) {
    bool inSection = false;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find('\n', at);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        at = end + 1;
        if (!line.empty() && line[0] == '[') {
            inSection = line == "[" + section + "]";
        } else if (inSection && line.compare(0, key.size() + 1, key + "=") == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return std::nullopt;
}

class DelphiRegistration : public KitTest::Sandbox {
protected:
    void SetUp() override {
        Sandbox::SetUp();
        SetString(HKEY_LOCAL_MACHINE, KitTest::kProductKey, "InstallDir", kSuite);
    }

    // A Delphi installation of the given version with its Bin directory.
    std::string InstallDelphi(int version, const std::string& edition = "PRO") {
        const std::string root = PathIn("Delphi" + std::to_string(version));
        KitTest::MakeDirectories(root + "\\Bin");
        const std::string key = MachineKey(version);
        SetString(HKEY_LOCAL_MACHINE, key, "RootDir", root);
        SetString(HKEY_LOCAL_MACHINE, key, "Version", edition);
        return root;
    }

    std::string InstallDelphiWithPackages(int version, const std::string& packagesLine,
                                          const std::string& edition = "PRO") {
        const std::string root = InstallDelphi(version, edition);
        KitTest::WriteBytes(Dof(version), DofWith(packagesLine));
        return root;
    }

    static std::string MachineKey(int version) {
        return "SOFTWARE\\Borland\\Delphi\\" + std::to_string(version) + ".0";
    }
    static std::string KnownKey(int version) { return MachineKey(version) + "\\Known Packages"; }
    static std::string LibraryKey(int version) { return MachineKey(version) + "\\Library"; }
    std::string Dof(int version) const {
        return PathIn("Delphi" + std::to_string(version)) + "\\Bin\\DefProj.dof";
    }

    static void Know(int version, const std::string& name, const std::string& description) {
        SetString(HKEY_CURRENT_USER, KnownKey(version), name, description);
    }
    static Names Known(int version) { return ValueNames(HKEY_CURRENT_USER, KnownKey(version)); }
    static std::optional<std::string> Description(int version, const std::string& file) {
        return ReadString(HKEY_CURRENT_USER, KnownKey(version), kSuite + "Bin\\" + file);
    }

    std::optional<std::string> Packages(int version) const {
        const auto bytes = KitTest::ReadBytes(Dof(version));
        if (!bytes) return std::nullopt;
        return ProfileValue(*bytes, "Directories", "Packages");
    }

    static int Run(const std::string& request) {
        KitTest::KitSetupDll dll;
        return dll.Call(request).result;
    }
};

TEST_F(DelphiRegistration, FullEditionReplacesEarlierVersionsEverywhere) {
    InstallDelphiWithPackages(7, "Packages=Vcl70;Rtl70;OS252N70;OS252D70;VclDB70\r\n");
    SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Ostrel\\Ostrel Components\\2.52", "InstallDir",
              "D:\\Old\\");
    Know(7, "D:\\Old\\Bin\\os252ddsgn70.bpl", "Ostrel Components 2.52");
    Know(7, "D:\\X\\MyOs21NDDsgn50.bpl", "Ostrel Components II");
    Know(7, "C:\\Other\\Bin\\Unrelated70.bpl", "Someone else's");
    SetString(HKEY_CURRENT_USER, LibraryKey(7), "Search Path", "$(DELPHI)\\Lib;d:\\old\\lib7;E:\\X");
    SetString(HKEY_CURRENT_USER, LibraryKey(7), "Browsing Path", "$(DELPHI)\\Source");
    SetString(HKEY_CURRENT_USER, MachineKey(7) + "\\Palette", "Ostrel List Pack", "TOsList");
    SetString(HKEY_CURRENT_USER, MachineKey(7) + "\\Palette", "Standard", "TButton");

    EXPECT_EQ(Run("D7"), 0);

    EXPECT_EQ(Known(7), (Names{"C:\\Ostrel\\OC30\\Bin\\Os30Ctls_Dsgn70.bpl",
                              "C:\\Ostrel\\OC30\\Bin\\Os30DBCtls_Dsgn70.bpl",
                              "C:\\Other\\Bin\\Unrelated70.bpl"}));
    EXPECT_EQ(Description(7, "Os30Ctls_Dsgn70.bpl"), kStandard);
    EXPECT_EQ(Description(7, "Os30DBCtls_Dsgn70.bpl"), kDataAware);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, LibraryKey(7), "Search Path"),
              "$(DELPHI)\\Lib;E:\\X;C:\\Ostrel\\OC30\\Lib7;");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, LibraryKey(7), "Browsing Path"), "$(DELPHI)\\Source");
    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, MachineKey(7) + "\\Palette"), Names{"Standard"});
    // Only the "Packages" line changes; every other line stays as it was.
    EXPECT_EQ(KitTest::ReadBytes(Dof(7)),
              DofWith("Packages=Vcl70;Rtl70;VclDB70;Os30Ctls70;Os30DBCtls70;\r\n"));
}

TEST_F(DelphiRegistration, EveryOldPackageNameIsMatchedAnywhereInAnyCase) {
    InstallDelphi(6);
    const Names old = {
        "OsLPDsgn50.bpl",          "OsLPDsgn60.bpl",          "Os21TrialDsgn50.bpl",
        "Os21NDDsgn50.bpl",        "Os21DBDsgn50.bpl",        "Os25NDDsgn50.bpl",
        "Os25DBDsgn50.bpl",        "Os251NDsgn50.bpl",        "Os251DDsgn50.bpl",
        "Os252NDsgn50.bpl",        "Os252DDsgn50.bpl",        "Os252NDsgn60.bpl",
        "Os252DDsgn60.bpl",        "Os252NDsgn70.bpl",        "Os252DDsgn70.bpl",
        "Os30TrialCtls_Dsgn50.bpl", "Os30TrialDBCtls_Dsgn50.bpl", "Os30TrialCtls_Dsgn60.bpl",
        "Os30TrialDBCtls_Dsgn60.bpl", "Os30TrialCtls_Dsgn70.bpl", "Os30TrialDBCtls_Dsgn70.bpl",
        "Os30Ctls_Dsgn50.bpl",     "Os30DBCtls_Dsgn50.bpl",   "Os30Ctls_Dsgn60.bpl",
        "Os30DBCtls_Dsgn60.bpl",   "Os30Ctls_Dsgn70.bpl",     "Os30DBCtls_Dsgn70.bpl"};
    for (std::size_t i = 0; i < old.size(); ++i) {
        // Lower case, in some other directory, with text before the file name.
        std::string name = old[i];
        for (char& c : name) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
        Know(6, "E:\\Dir" + std::to_string(i) + "\\x" + name + ".old", "old");
    }
    Know(6, "E:\\Keep\\Os30Ctls_Dsgn.bpl", "not one of ours");
    Know(6, "E:\\Keep\\Os252Dsgn60.bpl", "not one of ours");
    ASSERT_EQ(Known(6).size(), old.size() + 2);

    EXPECT_EQ(Run("D6"), 0);

    EXPECT_EQ(Known(6), (Names{"C:\\Ostrel\\OC30\\Bin\\Os30Ctls_Dsgn60.bpl",
                              "C:\\Ostrel\\OC30\\Bin\\Os30DBCtls_Dsgn60.bpl",
                              "E:\\Keep\\Os252Dsgn60.bpl", "E:\\Keep\\Os30Ctls_Dsgn.bpl"}));
    EXPECT_EQ(Description(6, "Os30Ctls_Dsgn60.bpl"), kStandard);
    EXPECT_EQ(Description(6, "Os30DBCtls_Dsgn60.bpl"), kDataAware);
}

TEST_F(DelphiRegistration, TrialOverFullKeepsTheFullRuntimeEntriesAndAddsItsOwn) {
    InstallDelphiWithPackages(7, "Packages=Vcl70;Os30Ctls70;Os30DBCtls70;\r\n");
    Know(7, kSuite + "Bin\\Os30Ctls_Dsgn70.bpl", kStandard);
    Know(7, kSuite + "Bin\\Os30DBCtls_Dsgn70.bpl", kDataAware);

    EXPECT_EQ(Run("D7T"), 0);

    EXPECT_EQ(Known(7), (Names{"C:\\Ostrel\\OC30\\Bin\\Os30TrialCtls_Dsgn70.bpl",
                              "C:\\Ostrel\\OC30\\Bin\\Os30TrialDBCtls_Dsgn70.bpl"}));
    EXPECT_EQ(Description(7, "Os30TrialCtls_Dsgn70.bpl"), kStandardTrial);
    EXPECT_EQ(Description(7, "Os30TrialDBCtls_Dsgn70.bpl"), kDataAwareTrial);
    EXPECT_EQ(Packages(7), "Vcl70;Os30Ctls70;Os30DBCtls70;Os30TrialCtls70;Os30TrialDBCtls70;");
}

TEST_F(DelphiRegistration, FullOverTrialTakesOutEveryTrialEntry) {
    InstallDelphiWithPackages(
        7, "Packages=Os30TrialCtls70;Vcl70;OS21Trial70;Os30TrialDBCtls70;OS21Trial60\r\n");
    Know(7, kSuite + "Bin\\Os30TrialCtls_Dsgn70.bpl", kStandardTrial);
    Know(7, kSuite + "Bin\\Os30TrialDBCtls_Dsgn70.bpl", kDataAwareTrial);

    EXPECT_EQ(Run("D7"), 0);

    EXPECT_EQ(Known(7), (Names{"C:\\Ostrel\\OC30\\Bin\\Os30Ctls_Dsgn70.bpl",
                              "C:\\Ostrel\\OC30\\Bin\\Os30DBCtls_Dsgn70.bpl"}));
    // Another version's trial entry is not this version's to remove.
    EXPECT_EQ(Packages(7), "Vcl70;OS21Trial60;Os30Ctls70;Os30DBCtls70;");
}

TEST_F(DelphiRegistration, TrialRunLeavesTrialRuntimeEntriesOfItsOwnInPlace) {
    InstallDelphiWithPackages(5, "Packages=Os30TrialCtls50;Vcl50;OSLPDB50\r\n");

    EXPECT_EQ(Run("D5x"), 0);

    EXPECT_EQ(Packages(5), "Os30TrialCtls50;Vcl50;Os30TrialDBCtls50;");
}

TEST_F(DelphiRegistration, SecondRunChangesNothing) {
    InstallDelphiWithPackages(7, "Packages=Vcl70;OS25ND70;Rtl70\r\n");
    SetString(HKEY_CURRENT_USER, LibraryKey(7), "Search Path", "$(DELPHI)\\Lib");
    ASSERT_EQ(Run("D7"), 0);
    const Names known = Known(7);
    const auto searchPath = ReadString(HKEY_CURRENT_USER, LibraryKey(7), "Search Path");
    const auto dof = KitTest::ReadBytes(Dof(7));
    ASSERT_EQ(known.size(), 2u);
    ASSERT_EQ(searchPath, "$(DELPHI)\\Lib;C:\\Ostrel\\OC30\\Lib7;");
    ASSERT_EQ(Packages(7), "Vcl70;Rtl70;Os30Ctls70;Os30DBCtls70;");

    EXPECT_EQ(Run("D7"), 0);

    EXPECT_EQ(Known(7), known);
    EXPECT_EQ(Description(7, "Os30Ctls_Dsgn70.bpl"), kStandard);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, LibraryKey(7), "Search Path"), searchPath);
    EXPECT_EQ(KitTest::ReadBytes(Dof(7)), dof);
}

TEST_F(DelphiRegistration, SemicolonRulesOfThePackagesList) {
    InstallDelphiWithPackages(5, "Packages=A50;B50\r\n");
    EXPECT_EQ(Run("D5"), 0);
    EXPECT_EQ(Packages(5), "A50;B50;Os30Ctls50;Os30DBCtls50;");

    // An old entry standing last without ";" is found; the rest is kept.
    KitTest::WriteBytes(Dof(5), DofWith("Packages=X50;OSLPND50\r\n"));
    EXPECT_EQ(Run("D5"), 0);
    EXPECT_EQ(Packages(5), "X50;Os30Ctls50;Os30DBCtls50;");

    // Present entries and no old ones: nothing is written, no ";" added.
    KitTest::WriteBytes(Dof(5), DofWith("Packages=Os30DBCtls50;Os30Ctls50;X50\r\n"));
    EXPECT_EQ(Run("D5"), 0);
    EXPECT_EQ(Packages(5), "Os30DBCtls50;Os30Ctls50;X50");
}

TEST_F(DelphiRegistration, PackagesAreMatchedInTheirOwnCaseAndAsWholeEntries) {
    // os30ctls50; in lower case is another text: the entry is appended too.
    // MYOS20ND50 and MyOs30Ctls50 only end like a suite entry: neither is
    // cut, and the suite's own entries are still added.
    InstallDelphiWithPackages(5, "Packages=os30ctls50;MYOS20ND50;os20nd50;MyOs30Ctls50;OS20ND50\r\n");
    EXPECT_EQ(Run("D5"), 0);
    EXPECT_EQ(Packages(5), "os30ctls50;MYOS20ND50;os20nd50;MyOs30Ctls50;Os30Ctls50;Os30DBCtls50;");
}

TEST_F(DelphiRegistration, EmptyOrMissingPackagesGetsJustTheEntries) {
    InstallDelphiWithPackages(7, "Packages=\r\n");
    EXPECT_EQ(Run("D7"), 0);
    EXPECT_EQ(Packages(7), "Os30Ctls70;Os30DBCtls70;");

    KitTest::WriteBytes(Dof(7), DofWith(""));
    EXPECT_EQ(Run("D7"), 0);
    EXPECT_EQ(Packages(7), "Os30Ctls70;Os30DBCtls70;");
}

TEST_F(DelphiRegistration, StandardEditionGetsNoDataAwarePackage) {
    InstallDelphiWithPackages(7, "Packages=Vcl70\r\n", "STD");
    Know(7, "D:\\Old\\Bin\\Os30DBCtls_Dsgn70.bpl", kDataAware);

    EXPECT_EQ(Run("D7"), 0);

    EXPECT_EQ(Known(7), Names{"C:\\Ostrel\\OC30\\Bin\\Os30Ctls_Dsgn70.bpl"});
    EXPECT_EQ(Packages(7), "Vcl70;Os30Ctls70;");

    // A data-aware run-time entry already there is not the registration's to remove.
    KitTest::WriteBytes(Dof(7), DofWith("Packages=Vcl70;Os30DBCtls70;\r\n"));
    EXPECT_EQ(Run("D7"), 0);
    EXPECT_EQ(Packages(7), "Vcl70;Os30DBCtls70;Os30Ctls70;");
}

TEST_F(DelphiRegistration, OnlyTheExactStdEditionIsGated) {
    InstallDelphiWithPackages(6, "Packages=Vcl60\r\n", "std");
    EXPECT_EQ(Run("D6"), 0);
    EXPECT_EQ(Known(6).size(), 2u);
    EXPECT_EQ(Packages(6), "Vcl60;Os30Ctls60;Os30DBCtls60;");
}

TEST_F(DelphiRegistration, WithoutDefProjTheRegistryWorkIsDoneAndNoFileAppears) {
    const std::string root = InstallDelphi(7);

    EXPECT_EQ(Run("D7"), 0);

    EXPECT_EQ(Known(7).size(), 2u);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, LibraryKey(7), "Search Path"),
              "C:\\Ostrel\\OC30\\Lib7;");
    EXPECT_FALSE(KitTest::FileExists(Dof(7)));
    EXPECT_FALSE(KitTest::FileExists(root + "\\Bin\\DefProj.dof"));
}

TEST_F(DelphiRegistration, LongPackagesListIsNeverWrittenBackShortened) {
    std::string packages;
    for (int i = 0; i < 300; ++i) {
        packages += "Pkg" + std::to_string(1000 + i) + "_70;";  // 11 characters each
        if (i == 250) packages += "OS252N70;";                    // beyond character 2047
    }
    packages += "Last70";
    ASSERT_GT(packages.size(), 3000u);
    InstallDelphiWithPackages(7, "Packages=" + packages + "\r\n");

    EXPECT_EQ(Run("D7"), 0);

    std::string expected = packages + ";Os30Ctls70;Os30DBCtls70;";
    expected.erase(expected.find("OS252N70;"), 9);
    EXPECT_EQ(Packages(7), expected);
}

TEST_F(DelphiRegistration, LongPackagesListWithNothingToChangeStaysAsItWas) {
    std::string packages;
    for (int i = 0; i < 250; ++i) packages += "Pkg" + std::to_string(1000 + i) + "_70;";
    packages += "Os30Ctls70;Os30DBCtls70;";
    InstallDelphiWithPackages(7, "Packages=" + packages + "\r\n");

    EXPECT_EQ(Run("D7"), 0);

    EXPECT_EQ(Packages(7), packages);
}

TEST_F(DelphiRegistration, FailureEndsTheRegistrationKeepingWhatWasWritten) {
    InstallDelphiWithPackages(7, "Packages=Vcl70;OSLPND70\r\n");
    // A "Search Path" that is not a string makes the search path update fail:
    // the packages written before it stay, everything after it is skipped.
    KitTest::SetDword(HKEY_CURRENT_USER, LibraryKey(7), "Search Path", 5);
    SetString(HKEY_CURRENT_USER, MachineKey(7) + "\\Palette", "Ostrel", "TOsButton");
    Know(7, "D:\\Old\\Bin\\Os252NDsgn70.bpl", "Ostrel Components 2.52");

    EXPECT_EQ(Run("D7"), 0);

    EXPECT_EQ(Known(7), (Names{"C:\\Ostrel\\OC30\\Bin\\Os30Ctls_Dsgn70.bpl",
                              "C:\\Ostrel\\OC30\\Bin\\Os30DBCtls_Dsgn70.bpl"}));
    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, MachineKey(7) + "\\Palette"), Names{"Ostrel"});
    EXPECT_EQ(Packages(7), "Vcl70;OSLPND70");
}

TEST_F(DelphiRegistration, ReadOnlyDefProjEndsTheRegistrationQuietly) {
    InstallDelphiWithPackages(7, "Packages=Vcl70;OSLPND70\r\n");
    const auto before = KitTest::ReadBytes(Dof(7));
    KitTest::SetReadOnly(Dof(7), true);

    EXPECT_EQ(Run("D7"), 0);

    KitTest::SetReadOnly(Dof(7), false);
    EXPECT_EQ(KitTest::ReadBytes(Dof(7)), before);
    EXPECT_EQ(Known(7).size(), 2u);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, LibraryKey(7), "Search Path"),
              "C:\\Ostrel\\OC30\\Lib7;");
}

TEST_F(DelphiRegistration, OnlyTheRequestedVersionIsTouched) {
    InstallDelphiWithPackages(6, "Packages=Vcl60;OS252N60\r\n");
    InstallDelphiWithPackages(7, "Packages=Vcl70;OS252N70\r\n");
    Know(6, "D:\\Old\\Bin\\Os252NDsgn60.bpl", "Ostrel Components 2.52");

    EXPECT_EQ(Run("D7"), 0);

    EXPECT_EQ(Known(6), Names{"D:\\Old\\Bin\\Os252NDsgn60.bpl"});
    EXPECT_FALSE(KitTest::KeyExists(HKEY_CURRENT_USER, LibraryKey(6)));
    EXPECT_EQ(Packages(6), "Vcl60;OS252N60");
    EXPECT_EQ(Packages(7), "Vcl70;Os30Ctls70;Os30DBCtls70;");
}

}  // namespace

// ---- Registry values and files no IDE wrote, on a machine as KitSetup meets it ------
// Whatever is read, the call returns 0, stops each step at its first failure
// and never writes under HKEY_LOCAL_MACHINE.

namespace {

using namespace KitTest;

using DelphiRegistrationOnAFieldMachine = SetupMachine;

// ---- The IDE's "Version" -------------------------------------------------------------

TEST_F(DelphiRegistrationOnAFieldMachine, AVersionThatIsNoStringOpensTheEditionGate) {
    InstallAll();
    for (const NonString& value : kNonStrings) {
        SCOPED_TRACE(value.name);
        SetRaw(HKEY_LOCAL_MACHINE, kDelphiKey, "Version", value.type,
               value.type == REG_DWORD ? value.bytes : std::string("STD\0", 4));
        dll_.Call("D7");
        ExpectDelphi7Registered();
        ExpectDelphi7ProjectEdited();
    }
}

TEST_F(DelphiRegistrationOnAFieldMachine, AVersionWithAnEmbeddedNulIsReadUpToIt) {
    InstallAll();
    SetRaw(HKEY_LOCAL_MACHINE, kDelphiKey, "Version", REG_SZ, WithTrailingJunk("STD"));
    dll_.Call("D7");
    // "STD" closes the gate: only the standard package is registered.
    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, kKnownPackages),
              (std::vector<std::string>{"$(DELPHI)\\Bin\\dclstd70.bpl",
                                        kSuiteDir + "Bin\\Os30Ctls_Dsgn70.bpl"}));
    EXPECT_EQ(ProfileValue(DelphiDefProj(), "Directories", "Packages"),
              "vcl;rtl;vclx;dbrtl;Os30Ctls70;");
}

// ---- The IDE's per-user values ------------------------------------------------------

TEST_F(DelphiRegistrationOnAFieldMachine, ASearchPathThatIsNoStringEndsTheRegistrationKeepingIt) {
    InstallAll();
    for (const NonString& value : kNonStrings) {
        SCOPED_TRACE(value.name);
        InstallDelphi7();
        SetRaw(HKEY_CURRENT_USER, kLibrary, "Search Path", value.type, value.bytes);
        const MachineState before = Capture();

        ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
        ExpectDelphi7HelpMerged();
        // The packages were replaced before the search path was read; from
        // there on nothing ran: the value keeps its type and bytes, the
        // palette and the default project are as they were.
        EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, kKnownPackages),
                  (std::vector<std::string>{"$(DELPHI)\\Bin\\dclstd70.bpl",
                                            kSuiteDir + "Bin\\Os30Ctls_Dsgn70.bpl",
                                            kSuiteDir + "Bin\\Os30DBCtls_Dsgn70.bpl"}));
        const auto searchPath = ReadValue(HKEY_CURRENT_USER, kLibrary, "Search Path");
        ASSERT_TRUE(searchPath);
        EXPECT_EQ(searchPath->type, value.type);
        EXPECT_EQ(searchPath->bytes, value.bytes);
        EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, kPalette),
                  (std::vector<std::string>{"Ostrel", "Ostrel.Hidden", "Standard"}));
        EXPECT_EQ(ReadBytes(DelphiDefProj()), kDefProjOriginal);
        ExpectMachineKeysUnchanged(before);
    }
}

TEST_F(DelphiRegistrationOnAFieldMachine, ASearchPathWithAnEmbeddedNulIsEditedAsTheIdeSeesIt) {
    InstallAll();
    // The IDE reads a string up to its first NUL; what stands behind it is
    // invisible to everyone and is not written back.
    SetRaw(HKEY_CURRENT_USER, kLibrary, "Search Path", REG_SZ,
           WithTrailingJunk("$(DELPHI)\\Lib;c:\\old ostrel\\Lib7"));
    dll_.Call("D7");
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kLibrary, "Search Path")->bytes,
              SzEntry("$(DELPHI)\\Lib;" + kSuiteDir + "Lib7;").bytes);
}

TEST_F(DelphiRegistrationOnAFieldMachine, ASearchPathOf64KiBIsWrittenBackWhole) {
    InstallAll();
    std::string longPath;
    for (int i = 0; longPath.size() < 64 * 1024; ++i) {
        longPath += "C:\\Libraries\\Library" + std::to_string(i) + ";";
    }
    SetString(HKEY_CURRENT_USER, kLibrary, "Search Path",
              longPath + "c:\\old ostrel\\Lib7;D:\\Last");
    dll_.Call("D7");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kLibrary, "Search Path"),
              longPath + "D:\\Last;" + kSuiteDir + "Lib7;");
}

TEST_F(DelphiRegistrationOnAFieldMachine, KnownPackagesOfAnyTypeSizeOrNameLengthAreMatchedByNameOnly) {
    InstallAll();
    const std::string longOld = "C:\\" + std::string(16000, 'o') + "\\Os252DDsgn70.bpl";
    const std::string longOther = "C:\\" + std::string(16000, 'k') + "\\Keep70.bpl";
    const std::string hugeData(64 * 1024, 'd');
    const std::string nulData("first\0second\0", 13);
    SetDword(HKEY_CURRENT_USER, kKnownPackages, "C:\\Old\\Os30TrialCtls_Dsgn70.bpl", 1);
    SetRaw(HKEY_CURRENT_USER, kKnownPackages, "C:\\Old\\OS30DBCTLS_DSGN70.BPL", REG_BINARY,
           hugeData);
    SetRaw(HKEY_CURRENT_USER, kKnownPackages, "C:\\Old\\Os21NDDsgn50.bpl", REG_MULTI_SZ, nulData);
    SetString(HKEY_CURRENT_USER, kKnownPackages, longOld, "long and old");
    SetString(HKEY_CURRENT_USER, kKnownPackages, longOther, "long and kept");
    SetRaw(HKEY_CURRENT_USER, kKnownPackages, "C:\\Keep\\Binary.bpl", REG_BINARY, hugeData);
    SetRaw(HKEY_CURRENT_USER, kKnownPackages, "C:\\Keep\\Multi.bpl", REG_MULTI_SZ, nulData);
    SetRaw(HKEY_CURRENT_USER, kKnownPackages, "C:\\Keep\\Nul.bpl", REG_SZ, nulData);
    // This version's own value, left as a number by something else.
    SetDword(HKEY_CURRENT_USER, kKnownPackages, kSuiteDir + "Bin\\Os30Ctls_Dsgn70.bpl", 70);

    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");

    const RegistryTree known = ReadRegistryTree(HKEY_CURRENT_USER, kKnownPackages);
    const RegistryTree expected = {
        {"$(DELPHI)\\Bin\\dclstd70.bpl", SzEntry("Borland Standard Components")},
        {longOther, SzEntry("long and kept")},
        {"C:\\Keep\\Binary.bpl", {REG_BINARY, hugeData}},
        {"C:\\Keep\\Multi.bpl", {REG_MULTI_SZ, nulData}},
        {"C:\\Keep\\Nul.bpl", {REG_SZ, nulData}},
        {kSuiteDir + "Bin\\Os30Ctls_Dsgn70.bpl", SzEntry("Ostrel Components 3.0.3")},
        {kSuiteDir + "Bin\\Os30DBCtls_Dsgn70.bpl",
         SzEntry("Ostrel Components 3.0.3 (Data-Aware)")},
    };
    EXPECT_EQ(known.size(), expected.size());
    for (const auto& [name, entry] : expected) {
        const auto found = known.find(name);
        ASSERT_NE(found, known.end()) << name.substr(0, 40);
        EXPECT_TRUE(found->second == entry) << name.substr(0, 40);
    }
    // The rest of the run went through.
    ExpectDelphi7ProjectEdited();
}

TEST_F(DelphiRegistrationOnAFieldMachine, ManyKnownPackagesAreAllLookedAt) {
    InstallAll();
    for (int i = 0; i < 600; ++i) {
        const std::string n = std::to_string(i);
        SetString(HKEY_CURRENT_USER, kKnownPackages, "C:\\Keep" + n + "\\Pkg" + n + ".bpl", n);
        SetString(HKEY_CURRENT_USER, kKnownPackages, "C:\\Old" + n + "\\Os251NDsgn50.bpl", n);
    }
    dll_.Call("D7");
    const std::vector<std::string> names = ValueNames(HKEY_CURRENT_USER, kKnownPackages);
    EXPECT_EQ(names.size(), 600u + 3u);
    for (const std::string& name : names) {
        EXPECT_EQ(name.find("Os251NDsgn50"), std::string::npos) << name;
    }
}

// ---- Earlier suite versions ------------------------------------------------------------

TEST_F(DelphiRegistrationOnAFieldMachine, EarlierVersionsWithOddDirectoriesTakeOutOnlyTheirWholeEntries) {
    InstallAll();
    const std::string earlier = "SOFTWARE\\Ostrel\\Ostrel Components\\";
    // 1.5: only a backslash; its "\LIB7;" must not cut the tail of another entry.
    SetString(HKEY_LOCAL_MACHINE, earlier + "1.5", "InstallDir", "\\");
    // 1.6: no string at all.
    SetDword(HKEY_LOCAL_MACHINE, earlier + "1.6", "InstallDir", 16);
    // 2.0: empty; "LIB7;" alone would match many entries' tails.
    SetString(HKEY_LOCAL_MACHINE, earlier + "2.0", "InstallDir", "");
    // 2.1: text behind a NUL.
    SetRaw(HKEY_LOCAL_MACHINE, earlier + "2.1", "InstallDir", REG_SZ,
           WithTrailingJunk("D:\\Os21\\"));
    // 2.5: 64 KiB; matches nothing.
    SetString(HKEY_LOCAL_MACHINE, earlier + "2.5", "InstallDir", std::string(65536, 'x') + "\\");
    // 2.51: the current suite's own directory, in other letters.
    SetString(HKEY_LOCAL_MACHINE, earlier + "2.51", "InstallDir",
              "c:\\program files\\ostrel\\components 3.0\\");
    // 2.52 (installed by the machine): C:\Old Ostrel\, a REG_EXPAND_SZ here.
    SetString(HKEY_LOCAL_MACHINE, earlier + "2.52", "InstallDir", kOldSuiteDir, REG_EXPAND_SZ);
    const MachineState before = Capture();
    SetString(HKEY_CURRENT_USER, kLibrary, "Search Path",
              "C:\\Delphi\\Lib7;\\Lib7;X:\\ALib7;D:\\OS21\\LIB7;" + kSuiteDir +
                  "Lib7;LIB7;c:\\old ostrel\\lib7;$(DELPHI)\\Bin");

    dll_.Call("D7");

    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kLibrary, "Search Path"),
              "C:\\Delphi\\Lib7;X:\\ALib7;LIB7;$(DELPHI)\\Bin;" + kSuiteDir + "Lib7;");
    ExpectMachineKeysUnchanged(before);
}

// ---- A default project options file no IDE wrote -------------------------------------

TEST_F(DelphiRegistrationOnAFieldMachine, ADefProjWithOddContentGetsItsPackagesEdited) {
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

TEST_F(DelphiRegistrationOnAFieldMachine, ADefProjWithControlBytesNeitherCrashesNorLosesItsPackages) {
    InstallAll();
    WriteBytes(DelphiDefProj(), std::string("[Compiler]\r\nNul=a\0b\r\nEnd=c\x1a", 27) +
                                    "d\r\n[Directories]\r\nPackages=vcl;OS252N70;rtl;\r\n");
    dll_.Call("D7");
    EXPECT_EQ(ProfileValue(DelphiDefProj(), "Directories", "Packages"),
              "vcl;rtl;Os30Ctls70;Os30DBCtls70;");
    ExpectDelphi7Registered();
}

}  // namespace
