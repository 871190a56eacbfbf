// The tables an IDE registration runs from, in one place: per IDE, the
// "Known Packages" entries of earlier suite versions to remove, the run-time
// names of earlier versions and of the trial edition, how a run-time name is
// formed and which default-project editor applies; for every IDE, the earlier
// suite versions and their palette pages. An uninstall runs the same tables
// the other way: the suite's own design-time files (SuiteDesignPackageFiles),
// run-time names (SuiteRuntimeNames), library directory entry
// (LibraryDirEntry, SearchPathText.h), palette values and help lines
// (HelpPlanFor, HelpPlans.h). Free of any OS header.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "setup/text/InstallRequest.h"
#include "setup/text/TableView.h"

namespace ComponentSetup {

// Which file of the IDE lists the run-time packages of new projects.
enum class DefaultProjectEditor {
    ProjectOptions,  // Delphi: "Packages" in <root>\Bin\DefProj.dof
    ProjectFile,     // C++Builder: the package list of <root>\Bin\Default.bpr
};

using NameTable = TableView<std::string_view>;

struct IdeTable {
    IdeKind Kind;
    // Design-time package files whose "Known Packages" entries go, in order:
    // earlier suite versions and both editions of this one.
    NameTable EarlierDesignPackages;
    // Run-time names always taken out of the default project, in order.
    NameTable EarlierRuntimeNames;
    // The trial edition's run-time names, taken out by a full-edition run.
    NameTable TrialRuntimeNames;
    // Whether the two tables above hold names without the version (each
    // then gets the version and RuntimeEnding) or whole names.
    bool RuntimeTablesNeedVersion;
    // What follows a run-time name's major version: "0;" or "0.bpi".
    std::string_view RuntimeEnding;
    DefaultProjectEditor Editor;
};

const IdeTable& IdeTableFor(IdeKind kind) noexcept;

// Earlier suite versions, in the order their library entries are taken out.
extern const NameTable kEarlierSuiteVersions;

// Palette values of earlier suite versions: each page and the same name
// followed by ".Hidden", in the order they are deleted.
extern const NameTable kEarlierPaletteValues;

// The suite's design-time package files for one IDE version: standard and
// data-aware, full and trial edition.
std::vector<std::string> SuiteDesignPackageFiles(int majorVersion);

// A run-time name of the suite for the table's IDE: base name, version,
// RuntimeEnding ("Os30Ctls70;" for Delphi 7, "Os30Ctls60.bpi" for C++Builder 6).
std::string SuiteRuntimeName(const IdeTable& table, bool dataAware, int majorVersion,
                             bool trialEdition);

// The suite's run-time names of this edition: the standard one, then the
// data-aware one when dataAwareAllowed.
std::vector<std::string> SuiteRuntimeNames(const IdeTable& table, int majorVersion,
                                           bool trialEdition, bool dataAwareAllowed);

}  // namespace ComponentSetup
