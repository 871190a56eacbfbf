// Registry values that are not what the IDE and the suite's own setup write:
// other types, embedded NULs, 64 KiB of data, very long names, and a per-user
// key that cannot be created. Whatever is read, the call returns 0, stops
// each step at its first failure, never writes under HKEY_LOCAL_MACHINE and
// never shows the box for a help merge that did not happen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/SetupMachine.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestRegistry.h"

namespace {

using namespace KitTest;

// Values a string reader must refuse: a number, bytes, a list of strings, no
// type at all.
struct NonString {
    const char* name;
    DWORD type;
    std::string bytes;
};

const std::vector<NonString> kNonStrings = {
    {"dword", REG_DWORD, std::string("\x07\x00\x00\x00", 4)},
    {"binary", REG_BINARY, std::string("C:\\Suite\\\0\xff\xfe", 12)},
    {"multi", REG_MULTI_SZ, std::string("C:\\Suite\\\0D:\\Other\\\0\0", 21)},
    {"none", REG_NONE, std::string("C:\\Suite\\", 9)},
};

std::string WithTrailingJunk(const std::string& text) {
    return text + std::string(1, '\0') + "junk behind the end";
}

class FaultRegistry : public SetupMachine {
protected:
    const std::string kKnownPackages = kDelphiKey + "\\Known Packages";
    const std::string kLibrary = kDelphiKey + "\\Library";
    const std::string kPalette = kDelphiKey + "\\Palette";
};

// ---- The suite's "InstallDir" ------------------------------------------------------

TEST_F(FaultRegistry, AnInstallDirThatIsNoStringMeansTheSuiteIsNotThere) {
    InstallAll();
    for (const NonString& value : kNonStrings) {
        SCOPED_TRACE(value.name);
        SetRaw(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", value.type, value.bytes);
        const MachineState before = Capture();
        ExpectNoBox(dll_.Call("D7"));
        ExpectNoBox(dll_.Call("C6T"));
        ExpectUnchanged(before);
    }
}

TEST_F(FaultRegistry, AnInstallDirWithAnEmbeddedNulEndsThere) {
    InstallAll();
    SetRaw(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", REG_SZ, WithTrailingJunk(kSuiteDir));
    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
    ExpectDelphi7Registered();
    ExpectDelphi7HelpMerged();
    ExpectDelphi7ProjectEdited();
}

TEST_F(FaultRegistry, AnInstallDirOf64KiBRegistersWholeOrStopsAtTheFirstValueItCannotWrite) {
    InstallAll();
    const std::string hugeDir = "C:\\" + std::string(64 * 1024, 's') + "\\";
    SetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", hugeDir);
    const MachineState before = Capture();

    // The help merge does not depend on the suite's directory.
    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
    ExpectDelphi7HelpMerged();
    ExpectMachineKeysUnchanged(before);

    // A value name longer than the registry takes cannot be written: the
    // registration ends there, with the old package already gone and the
    // search path, palette and default project as they were. Where the
    // registry takes the name, the run goes through with the whole name.
    const std::string standard = hugeDir + "Bin\\Os30Ctls_Dsgn70.bpl";
    const std::vector<std::string> known = ValueNames(HKEY_CURRENT_USER, kKnownPackages);
    EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, kKnownPackages,
                           kOldSuiteDir + "Bin\\Os252NDsgn70.bpl"));
    if (ReadValue(HKEY_CURRENT_USER, kKnownPackages, standard)) {
        EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kLibrary, "Search Path"),
                  "$(DELPHI)\\Lib;$(DELPHI)\\Bin;$(DELPHI)\\Imports;" + hugeDir + "Lib7;");
        EXPECT_EQ(ProfileValue(DelphiDefProj(), "Directories", "Packages"), kPackagesAfter);
    } else {
        EXPECT_EQ(known, std::vector<std::string>{"$(DELPHI)\\Bin\\dclstd70.bpl"});
        EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kLibrary, "Search Path"),
                  "$(DELPHI)\\Lib;$(DELPHI)\\Bin;c:\\old ostrel\\Lib7;$(DELPHI)\\Imports");
        EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, kPalette),
                  (std::vector<std::string>{"Ostrel", "Ostrel.Hidden", "Standard"}));
        EXPECT_EQ(ReadBytes(DelphiDefProj()), kDefProjOriginal);
    }
}

// ---- The IDE's "RootDir" and "Version" -------------------------------------------

TEST_F(FaultRegistry, ARootDirThatIsNoStringLeavesEveryFileAloneButRegisters) {
    InstallAll();
    // An unreadable root gives paths from the drive's root, where no IDE is.
    ASSERT_FALSE(FileExists("C:\\Help\\D7.cnt"));
    ASSERT_FALSE(FileExists("C:\\Bin\\DefProj.dof"));
    for (const NonString& value : kNonStrings) {
        SCOPED_TRACE(value.name);
        SetRaw(HKEY_LOCAL_MACHINE, kDelphiKey, "RootDir", value.type, value.bytes);
        const MachineState before = Capture();
        ExpectNoBox(dll_.Call("D7"));
        ExpectDelphi7Registered();
        EXPECT_EQ(Capture().files, before.files);
        ExpectMachineKeysUnchanged(before);
    }
    EXPECT_FALSE(FileExists("C:\\Help\\D7.~cn"));
    EXPECT_FALSE(FileExists("C:\\Bin\\DefProj.dof"));
}

TEST_F(FaultRegistry, ARootDirWithAnEmbeddedNulEndsThere) {
    InstallAll();
    SetRaw(HKEY_LOCAL_MACHINE, kDelphiKey, "RootDir", REG_SZ, WithTrailingJunk(DelphiRoot()));
    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
    ExpectDelphi7HelpMerged();
    ExpectDelphi7ProjectEdited();
}

TEST_F(FaultRegistry, ARootDirOf64KiBFindsNoFileAndStillRegisters) {
    InstallAll();
    SetString(HKEY_LOCAL_MACHINE, kDelphiKey, "RootDir", DelphiRoot() + std::string(65536, 'r'));
    const MachineState before = Capture();
    ExpectNoBox(dll_.Call("D7"));
    ExpectDelphi7Registered();
    EXPECT_EQ(Capture().files, before.files);
}

TEST_F(FaultRegistry, AVersionThatIsNoStringOpensTheEditionGate) {
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

TEST_F(FaultRegistry, AVersionWithAnEmbeddedNulIsReadUpToIt) {
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

TEST_F(FaultRegistry, ASearchPathThatIsNoStringEndsTheRegistrationKeepingIt) {
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

TEST_F(FaultRegistry, ASearchPathWithAnEmbeddedNulIsEditedAsTheIdeSeesIt) {
    InstallAll();
    // The IDE reads a string up to its first NUL; what stands behind it is
    // invisible to everyone and is not written back.
    SetRaw(HKEY_CURRENT_USER, kLibrary, "Search Path", REG_SZ,
           WithTrailingJunk("$(DELPHI)\\Lib;c:\\old ostrel\\Lib7"));
    dll_.Call("D7");
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kLibrary, "Search Path")->bytes,
              SzEntry("$(DELPHI)\\Lib;" + kSuiteDir + "Lib7;").bytes);
}

TEST_F(FaultRegistry, ASearchPathOf64KiBIsWrittenBackWhole) {
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

TEST_F(FaultRegistry, KnownPackagesOfAnyTypeSizeOrNameLengthAreMatchedByNameOnly) {
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

TEST_F(FaultRegistry, ManyKnownPackagesAreAllLookedAt) {
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

// ---- A per-user key that cannot be created -----------------------------------------

TEST_F(FaultRegistry, AnIdeKeyThatCannotBeCreatedWritesNothingAnywhere) {
    InstallSuite();
    InstallDelphi7();
    InstallCppBuilder6();
    // A volatile parent takes no lasting subkey: the IDE's per-user key can
    // be neither opened nor created.
    DeleteKeyTree(HKEY_CURRENT_USER, kBorlandKey);
    for (const char* family : {"Delphi", "C++Builder"}) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER,
                                  (kBorlandKey + "\\" + family).c_str(), 0, nullptr,
                                  REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    const MachineState before = Capture();

    // The help merge needs no per-user key.
    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
    ExpectHelpBox(dll_.Call("C6"), "C++Builder 6");

    // No section went to the user's root or anywhere else instead, and the
    // registration ended before the default projects.
    EXPECT_EQ(ReadRegistryTree(HKEY_CURRENT_USER, kBorlandKey).size(), 0u);
    EXPECT_EQ(SubkeyNames(HKEY_CURRENT_USER, kBorlandKey + "\\Delphi").size(), 0u);
    for (const char* section : {"Known Packages", "Library", "Palette"}) {
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, section)) << section;
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kBorlandKey + "\\" + section)) << section;
    }
    EXPECT_EQ(ReadBytes(DelphiDefProj()), kDefProjOriginal);
    EXPECT_EQ(ReadBytes(CppBuilderProject()), kDefaultBprOriginal);
    ExpectMachineKeysUnchanged(before);
}

// ---- Earlier suite versions ------------------------------------------------------------

TEST_F(FaultRegistry, EarlierVersionsWithOddDirectoriesTakeOutOnlyTheirWholeEntries) {
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

}  // namespace
