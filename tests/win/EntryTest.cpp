// The export as a setup program calls it: whatever the request, it returns
// 0, pops its argument, lets nothing escape and touches nothing it should not.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "platform/UniqueHandle.h"
#include "tests/support/KitSetupDll.h"
#include "tests/support/OddRegistryValues.h"
#include "tests/support/ParamBlock.h"
#include "tests/support/Sandbox.h"
#include "tests/support/SetupMachine.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestRegistry.h"

namespace {

using namespace KitTest;

const std::string kDelphi7 = "SOFTWARE\\Borland\\Delphi\\7.0";

class Entry : public Sandbox {
protected:
    void InstallSuiteAndDelphi7() {
        SetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", "D:\\Suite\\");
        SetString(HKEY_LOCAL_MACHINE, kDelphi7, "RootDir", Dir() + "\\Delphi7");
        SetString(HKEY_LOCAL_MACHINE, kDelphi7, "Version", "PRO");
    }
    void ExpectQuietZero(const CallOutcome& outcome) {
        EXPECT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.stackDelta, 0);
        EXPECT_TRUE(outcome.boxes.empty());
        EXPECT_EQ(outcome.messageBoxCalls, 0);
    }
    KitSetupDll dll_;
};

TEST_F(Entry, RequestsWithoutAnIdeAndVersionDoNothing) {
    InstallSuiteAndDelphi7();
    const std::string veryLong(1 << 20, 'D');
    for (const char* request : {"", "D", "DX", "D ", "C-", "\xff\xfe", veryLong.c_str()}) {
        SCOPED_TRACE(std::string(request).substr(0, 8));
        ExpectQuietZero(dll_.Call(request));
    }
    ExpectQuietZero(dll_.Call(nullptr));
    ExpectQuietZero(dll_.CallWithBlock(nullptr));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kDelphi7));
}

TEST_F(Entry, NothingIsTouchedWithoutTheSuiteKey) {
    SetString(HKEY_LOCAL_MACHINE, kDelphi7, "RootDir", Dir() + "\\Delphi7");
    ExpectQuietZero(dll_.Call("D7"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kDelphi7));
    SetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", "");
    ExpectQuietZero(dll_.Call("D7"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kDelphi7));
}

TEST_F(Entry, AnIdeThatIsNotInstalledIsSkipped) {
    InstallSuiteAndDelphi7();
    for (const char* request : {"D6", "C6", "d7", "C6T", "D9"}) {
        SCOPED_TRACE(request);
        ExpectQuietZero(dll_.Call(request));
    }
    EXPECT_TRUE(SubkeyNames(HKEY_CURRENT_USER, kBorlandKey).empty());
}

TEST_F(Entry, OnlyTheRequestTextIsReadFromTheBlock) {
    InstallSuiteAndDelphi7();
    // The block ends right after the request pointer, at the end of a
    // committed page followed by one that is not: reading a byte past offset
    // 43 would fault.
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    auto* pages = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, 2 * info.dwPageSize, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(pages, nullptr);
    ASSERT_NE(VirtualAlloc(pages, info.dwPageSize, MEM_COMMIT, PAGE_READWRITE), nullptr);
    unsigned char* block = pages + info.dwPageSize - sizeof(ParamBlock);
    const char* request = "D6";
    std::memcpy(block + offsetof(ParamBlock, requestText), &request, sizeof request);
    const CallOutcome outcome = dll_.CallWithBlock(block);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.stackDelta, 0);
    VirtualFree(pages, 0, MEM_RELEASE);
}

TEST_F(Entry, TheBlockIsNeverWritten) {
    InstallSuiteAndDelphi7();
    unsigned char block[64];
    std::memset(block, 0x5A, sizeof block);
    const char* request = "D7";
    std::memcpy(block + offsetof(ParamBlock, requestText), &request, sizeof request);
    unsigned char before[64];
    std::memcpy(before, block, sizeof block);
    dll_.CallWithBlock(block);
    EXPECT_EQ(std::memcmp(before, block, sizeof block), 0);
}

}  // namespace

// ---- A whole request on a machine as KitSetup meets it in the field ----------------

namespace {

using namespace KitTest;

class EntryOnAFieldMachine : public SetupMachine {
protected:
    // D7 and C6 requests that find no file to edit: no box, not a file
    // changed since before, both IDEs registered all the same.
    void ExpectOnlyRegistryEntriesFromBothRequests(const MachineState& before) {
        ExpectNoBox(dll_.Call("D7"));
        ExpectNoBox(dll_.Call("C6"));
        EXPECT_EQ(Capture().files, before.files);
        ExpectDelphi7Registered();
        ExpectCppBuilder6Registered();
    }
};

// Requests as a careless or hostile setup program might pass them, on a
// machine where the suite and both IDEs are installed. A request that names
// no IDE and version changes nothing at all; a long request that does is an
// ordinary full-edition request.

TEST_F(EntryOnAFieldMachine, ACompleteMachineIsRegisteredAsExpected) {
    // The reference the fault cases are measured against.
    InstallAll();
    const MachineState before = Capture();

    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
    ExpectDelphi7Registered();
    ExpectDelphi7HelpMerged();
    ExpectDelphi7ProjectEdited();

    ExpectHelpBox(dll_.Call("C6"), "C++Builder 6");
    ExpectCppBuilder6Registered();
    ExpectCppBuilder6HelpMerged();
    ExpectCppBuilder6ProjectEdited();
    ExpectMachineKeysUnchanged(before);
}

TEST_F(EntryOnAFieldMachine, RequestsNamingNoIdeAndVersionChangeNothing) {
    InstallAll();
    const MachineState before = Capture();

    const std::string longWithoutDigit = "D" + std::string(1 << 20, 'x');
    const std::string longWithoutKind(1 << 20, '7');
    const char* requests[] = {"",   "D",  "C",  "7",       "DX",   "D-", "D\x7f",
                              "Dx7", " 7", "\xff\xfe", "\t\n", longWithoutDigit.c_str()};
    for (const char* request : requests) {
        SCOPED_TRACE(std::string(request).substr(0, 6));
        ExpectNoBox(dll_.Call(request));
    }
    // "77..." is C++Builder 7, which is not installed: nothing either.
    ExpectNoBox(dll_.Call(longWithoutKind));
    ExpectNoBox(dll_.Call(nullptr));
    ExpectNoBox(dll_.CallWithBlock(nullptr));
    ExpectUnchanged(before);
}

TEST_F(EntryOnAFieldMachine, AVeryLongRequestIsAFullEditionRequest) {
    InstallAll();
    const MachineState before = Capture();

    ExpectHelpBox(dll_.Call("D7" + std::string(1 << 20, 'T')), "Delphi 7");
    ExpectDelphi7Registered();
    ExpectDelphi7HelpMerged();
    ExpectDelphi7ProjectEdited();

    ExpectHelpBox(dll_.Call("C6" + std::string(100000, '\xff')), "C++Builder 6");
    ExpectCppBuilder6Registered();
    ExpectMachineKeysUnchanged(before);
}

TEST_F(EntryOnAFieldMachine, RepeatedBadRequestsBetweenGoodOnesLeaveNoTrace) {
    // Process-wide state from a bad call must not reach the next good one.
    InstallAll();
    ExpectNoBox(dll_.Call("D"));
    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
    ExpectNoBox(dll_.Call(""));
    ExpectNoBox(dll_.Call("D9"));
    ExpectDelphi7Registered();
    ExpectDelphi7ProjectEdited();
}

// ---- The suite's "InstallDir" ------------------------------------------------------
// Whatever is read, the call returns 0, never writes under HKEY_LOCAL_MACHINE
// and never shows the box for a help merge that did not happen.

TEST_F(EntryOnAFieldMachine, AnInstallDirThatIsNoStringMeansTheSuiteIsNotThere) {
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

TEST_F(EntryOnAFieldMachine, AnInstallDirWithAnEmbeddedNulEndsThere) {
    InstallAll();
    SetRaw(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", REG_SZ, WithTrailingJunk(kSuiteDir));
    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
    ExpectDelphi7Registered();
    ExpectDelphi7HelpMerged();
    ExpectDelphi7ProjectEdited();
}

TEST_F(EntryOnAFieldMachine, AnInstallDirOf64KiBRegistersWholeOrStopsAtTheFirstValueItCannotWrite) {
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

// ---- The IDE's "RootDir" and the directories below it ---------------------------------

TEST_F(EntryOnAFieldMachine, ARootDirThatIsNoStringLeavesEveryFileAloneButRegisters) {
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

TEST_F(EntryOnAFieldMachine, ARootDirWithAnEmbeddedNulEndsThere) {
    InstallAll();
    SetRaw(HKEY_LOCAL_MACHINE, kDelphiKey, "RootDir", REG_SZ, WithTrailingJunk(DelphiRoot()));
    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
    ExpectDelphi7HelpMerged();
    ExpectDelphi7ProjectEdited();
}

TEST_F(EntryOnAFieldMachine, ARootDirOf64KiBFindsNoFileAndStillRegisters) {
    InstallAll();
    SetString(HKEY_LOCAL_MACHINE, kDelphiKey, "RootDir", DelphiRoot() + std::string(65536, 'r'));
    const MachineState before = Capture();
    ExpectNoBox(dll_.Call("D7"));
    ExpectDelphi7Registered();
    EXPECT_EQ(Capture().files, before.files);
}

TEST_F(EntryOnAFieldMachine, ARootDirLongerThanAnyPathFindsNothingAndChangesNoFile) {
    InstallAll();
    SetString(HKEY_LOCAL_MACHINE, kDelphiKey, "RootDir", PathOfLength(Dir(), 300));
    SetString(HKEY_LOCAL_MACHINE, kCppBuilderKey, "RootDir", PathOfLength(Dir(), 260));
    const MachineState before = Capture();

    ExpectOnlyRegistryEntriesFromBothRequests(before);
}

TEST_F(EntryOnAFieldMachine, AnIdeWithoutHelpAndBinDirectoriesGetsOnlyItsRegistryEntries) {
    InstallSuite();
    InstallDelphi7();
    InstallCppBuilder6();
    RemoveDirectoryTree(DelphiRoot() + "\\Help");
    RemoveDirectoryTree(DelphiRoot() + "\\Bin");
    RemoveDirectoryTree(CppBuilderRoot());
    const MachineState before = Capture();

    ExpectOnlyRegistryEntriesFromBothRequests(before);
}

TEST_F(EntryOnAFieldMachine, TargetsThatAreDirectoriesAreNoFilesToEdit) {
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

    ExpectOnlyRegistryEntriesFromBothRequests(before);
}

TEST_F(EntryOnAFieldMachine, ADefaultProjectHeldOpenWithoutSharingIsLeftAsItWas) {
    InstallAll();
    {
        // Held by another program that shares nothing.
        HeldOpenFile delphi(DelphiDefProj(), GENERIC_READ | GENERIC_WRITE, 0);
        HeldOpenFile cppBuilder(CppBuilderProject(), GENERIC_READ | GENERIC_WRITE, 0);
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

// ---- A per-user key that cannot be created -----------------------------------------

TEST_F(EntryOnAFieldMachine, AnIdeKeyThatCannotBeCreatedWritesNothingAnywhere) {
    InstallSuite();
    InstallDelphi7();
    InstallCppBuilder6();
    // A volatile parent takes no lasting subkey: the IDE's per-user key can
    // be neither opened nor created.
    DeleteKeyTree(HKEY_CURRENT_USER, kBorlandKey);
    for (const char* family : {"Delphi", "C++Builder"}) {
        KitPlatform::UniqueHkey key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER,
                                  (kBorlandKey + "\\" + family).c_str(), 0, nullptr,
                                  REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
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

}  // namespace
