// A machine as KitSetup meets it in the field: the suite installed, Delphi 7
// and C++Builder 6 with their help files, default projects and per-user
// settings left by an earlier suite version. Tests break one piece of it and
// check that every file and key ends either as it was or as a complete run
// leaves it, and that the machine-wide keys are never written.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "tests/support/KitSetupDll.h"
#include "tests/support/Sandbox.h"

namespace KitTest {

// Every file below a directory, by its path relative to it, with its bytes.
using FileTree = std::map<std::string, std::string>;
FileTree ReadFileTree(const std::string& dir);

// Every value below a key, by "subkey\...\value name" relative to it.
struct RegistryEntry {
    DWORD type = REG_NONE;
    std::string bytes;
    bool operator==(const RegistryEntry& other) const {
        return type == other.type && bytes == other.bytes;
    }
    bool operator!=(const RegistryEntry& other) const { return !(*this == other); }
};
using RegistryTree = std::map<std::string, RegistryEntry>;
RegistryTree ReadRegistryTree(HKEY root, const std::string& path);

// Both registry views the DLL may touch or must leave alone.
struct MachineState {
    FileTree files;            // below the sandbox directory
    RegistryTree userKeys;     // HKEY_CURRENT_USER\SOFTWARE\Borland
    RegistryTree machineKeys;  // HKEY_LOCAL_MACHINE\SOFTWARE\Ostrel and \Borland
};

// REG_SZ bytes of a text, its terminating NUL included.
RegistryEntry SzEntry(const std::string& text);

class SetupMachine : public Sandbox {
protected:
    void SetUp() override;
    void TearDown() override;

    // ---- Arranging -------------------------------------------------------------
    static const std::string kSuiteDir;  // the suite's "InstallDir"
    static const std::string kOldSuiteDir;
    static const std::string kDelphiKey;      // SOFTWARE\Borland\Delphi\7.0
    static const std::string kCppBuilderKey;  // SOFTWARE\Borland\C++Builder\6.0
    // Sections of the Delphi 7 key the requests edit.
    const std::string kKnownPackages = kDelphiKey + "\\Known Packages";
    const std::string kLibrary = kDelphiKey + "\\Library";
    const std::string kPalette = kDelphiKey + "\\Palette";

    // The suite's key, and the key of version 2.52 installed before it.
    void InstallSuite();
    // Delphi 7 or C++Builder 6 under root (default: a folder of the sandbox),
    // with its machine key, per-user settings, help files and default project.
    // Below a very long root, files whose paths would pass 259 characters are
    // not there.
    void InstallDelphi7();
    void InstallDelphi7At(const std::string& root);
    void InstallCppBuilder6();
    void InstallCppBuilder6At(const std::string& root);
    // The suite and both IDEs.
    void InstallAll();

    std::string DelphiRoot() const { return delphiRoot_; }
    std::string CppBuilderRoot() const { return cppBuilderRoot_; }
    std::string DelphiHelp(const std::string& name) const;
    std::string DelphiDefProj() const;
    std::string CppBuilderHelp(const std::string& name) const;
    std::string CppBuilderProject() const;

    // ---- Running and checking -------------------------------------------------
    MachineState Capture() const;

    // Nothing changed: files, per-user keys and machine keys as captured.
    void ExpectUnchanged(const MachineState& before) const;
    // The machine-wide keys are never written, whatever happened.
    void ExpectMachineKeysUnchanged(const MachineState& before) const;

    // Delphi 7 as a complete run leaves it: registry, help files with their
    // backups, ".gid" files gone, "Packages" edited.
    void ExpectDelphi7Registered() const;
    void ExpectDelphi7HelpMerged() const;
    void ExpectDelphi7ProjectEdited() const;
    // Each help file of Delphi 7 holds its old content or the whole merged
    // one, a rewritten file has its backup, no work file is left behind
    // unless allowed, and the box appears exactly when all four were merged.
    void ExpectDelphi7HelpWholeOrUntouched(const CallOutcome& outcome,
                                           bool workFilesAllowed = false) const;

    void ExpectCppBuilder6Registered() const;
    void ExpectCppBuilder6HelpMerged() const;
    void ExpectCppBuilder6ProjectEdited() const;

    // The information box for the IDE, or none at all.
    static void ExpectHelpBox(const CallOutcome& outcome, const std::string& ideAndVersion);
    static void ExpectNoBox(const CallOutcome& outcome);

    // The "Packages" value of a profile file as the IDE would read it.
    static std::string ProfileValue(const std::string& path, const std::string& section,
                                    const std::string& key);

    // No scratch file of a replacement ("kit*", "*.tmp") is left, whatever its
    // name and however deep.
    void ExpectNoScratchFilesBelow(const std::string& dir) const;

    // ---- Expected contents ------------------------------------------------------
    static const std::map<std::string, std::string> kDelphiHelpOriginals;  // by file name
    static const std::map<std::string, std::string> kDelphiHelpMerged;
    static const std::map<std::string, std::string> kDelphiHelpBackups;  // target -> backup
    static const std::string kDefProjOriginal;
    static const std::string kPackagesAfter;  // "Packages" after a full Delphi 7 run
    static const std::map<std::string, std::string> kCppBuilderHelpOriginals;
    static const std::map<std::string, std::string> kCppBuilderHelpMerged;
    static const std::string kDefaultBprOriginal;
    static const std::string kDefaultBprEdited;

    KitSetupDll dll_;

private:
    std::string delphiRoot_;
    std::string cppBuilderRoot_;
};

}  // namespace KitTest
