#include "setup/text/RegistrationTables.h"

#include "setup/text/PackageNames.h"

namespace ComponentSetup {

namespace {

// ---- Delphi ---------------------------------------------------------------------

constexpr std::string_view kDelphiEarlierDesignPackages[] = {
    "OsLPDsgn50.bpl",           "OsLPDsgn60.bpl",           "Os21TrialDsgn50.bpl",
    "Os21NDDsgn50.bpl",         "Os21DBDsgn50.bpl",         "Os25NDDsgn50.bpl",
    "Os25DBDsgn50.bpl",         "Os251NDsgn50.bpl",         "Os251DDsgn50.bpl",
    "Os252NDsgn50.bpl",         "Os252DDsgn50.bpl",         "Os252NDsgn60.bpl",
    "Os252DDsgn60.bpl",         "Os252NDsgn70.bpl",         "Os252DDsgn70.bpl",
    "Os30TrialCtls_Dsgn50.bpl", "Os30TrialDBCtls_Dsgn50.bpl", "Os30TrialCtls_Dsgn60.bpl",
    "Os30TrialDBCtls_Dsgn60.bpl", "Os30TrialCtls_Dsgn70.bpl", "Os30TrialDBCtls_Dsgn70.bpl",
    "Os30Ctls_Dsgn50.bpl",      "Os30DBCtls_Dsgn50.bpl",    "Os30Ctls_Dsgn60.bpl",
    "Os30DBCtls_Dsgn60.bpl",    "Os30Ctls_Dsgn70.bpl",      "Os30DBCtls_Dsgn70.bpl",
};

// Names without the version: the "Packages" option lists OSLPND60; and the like.
constexpr std::string_view kDelphiEarlierRuntimeNames[] = {
    "OSLPND", "OSLPDB", "OS20ND", "OS20DB", "OS21ND", "OS21DB",
    "OS25ND", "OS25DB", "OS251N", "OS251D", "OS252N", "OS252D",
};

// A trial over a full installation leaves the full edition's entries alone.
constexpr std::string_view kDelphiTrialRuntimeNames[] = {"OS21Trial", "Os30TrialCtls",
                                                         "Os30TrialDBCtls"};

// ---- C++Builder -------------------------------------------------------------------

constexpr std::string_view kCppBuilderEarlierDesignPackages[] = {
    "Os251NDsgn50.bpl",         "Os251DDsgn50.bpl",           "Os252NDsgn50.bpl",
    "Os252DDsgn50.bpl",         "Os252NDsgn60.bpl",           "Os252DDsgn60.bpl",
    "Os30TrialCtls_Dsgn50.bpl", "Os30TrialDBCtls_Dsgn50.bpl", "Os30TrialCtls_Dsgn60.bpl",
    "Os30TrialDBCtls_Dsgn60.bpl",
    "Os30Ctls_Dsgn50.bpl",      "Os30DBCtls_Dsgn50.bpl",
    "Os30Ctls_Dsgn60.bpl",      "Os30DBCtls_Dsgn60.bpl"};

// Whole names: the project file lists package files.
constexpr std::string_view kCppBuilderEarlierRuntimeNames[] = {
    "Os251N50.bpi", "Os251D50.bpi", "Os252N50.bpi", "Os252D50.bpi", "Os252N60.bpi", "Os252D60.bpi"};

constexpr std::string_view kCppBuilderTrialRuntimeNames[] = {
    "Os30TrialCtls50.bpi", "Os30TrialDBCtls50.bpi", "Os30TrialCtls60.bpi",
    "Os30TrialDBCtls60.bpi"};

const IdeTable kDelphiTable = {IdeKind::Delphi,
                               kDelphiEarlierDesignPackages,
                               kDelphiEarlierRuntimeNames,
                               kDelphiTrialRuntimeNames,
                               /*RuntimeTablesNeedVersion=*/true,
                               "0;",
                               DefaultProjectEditor::ProjectOptions};

const IdeTable kCppBuilderTable = {IdeKind::CppBuilder,
                                   kCppBuilderEarlierDesignPackages,
                                   kCppBuilderEarlierRuntimeNames,
                                   kCppBuilderTrialRuntimeNames,
                                   /*RuntimeTablesNeedVersion=*/false,
                                   "0.bpi",
                                   DefaultProjectEditor::ProjectFile};

// ---- Every IDE ----------------------------------------------------------------------

constexpr std::string_view kEarlierSuiteVersionRows[] = {"1.5", "1.6",  "2.0", "2.1",
                                                         "2.5", "2.51", "2.52"};

constexpr std::string_view kEarlierPaletteValueRows[] = {
    "Ostrel", "OsData", "Ostrel List Pack",
    "Ostrel.Hidden", "OsData.Hidden", "Ostrel List Pack.Hidden",
    "Ostrel List", "Ostrel Data", "Ostrel Misc",
    "Ostrel List.Hidden", "Ostrel Data.Hidden", "Ostrel Misc.Hidden",
    "Ostrel Panels", "Ostrel Edits", "Ostrel Lists", "Ostrel Buttons", "Ostrel Display",
    "Ostrel Shell", "Ostrel Widgets",
    "Ostrel Panels.Hidden", "Ostrel Edits.Hidden", "Ostrel Lists.Hidden",
    "Ostrel Buttons.Hidden", "Ostrel Display.Hidden", "Ostrel Shell.Hidden",
    "Ostrel Widgets.Hidden",
};
static_assert(sizeof kEarlierPaletteValueRows / sizeof kEarlierPaletteValueRows[0] == 26,
              "thirteen pages, each with its .Hidden value");

}  // namespace

const NameTable kEarlierSuiteVersions = kEarlierSuiteVersionRows;
const NameTable kEarlierPaletteValues = kEarlierPaletteValueRows;

const IdeTable& IdeTableFor(IdeKind kind) noexcept {
    return kind == IdeKind::Delphi ? kDelphiTable : kCppBuilderTable;
}

std::vector<std::string> SuiteDesignPackageFiles(int majorVersion) {
    std::vector<std::string> files;
    for (bool trialEdition : {false, true}) {
        for (bool dataAware : {false, true}) {
            files.push_back(DesignPackageFileName(dataAware, majorVersion, trialEdition));
        }
    }
    return files;
}

std::string SuiteRuntimeName(const IdeTable& table, bool dataAware, int majorVersion,
                             bool trialEdition) {
    return PackageBaseName(PackageRole::RunTime, dataAware, trialEdition) +
           std::to_string(majorVersion) + std::string(table.RuntimeEnding);
}

std::vector<std::string> SuiteRuntimeNames(const IdeTable& table, int majorVersion,
                                           bool trialEdition, bool dataAwareAllowed) {
    std::vector<std::string> names = {
        SuiteRuntimeName(table, /*dataAware=*/false, majorVersion, trialEdition)};
    if (dataAwareAllowed) {
        names.push_back(SuiteRuntimeName(table, /*dataAware=*/true, majorVersion, trialEdition));
    }
    return names;
}

}  // namespace ComponentSetup
