#include "setup/DelphiRegistration.h"

#include <string>
#include <vector>

#include "platform/FileOperations.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "setup/DefaultProjectOptions.h"
#include "setup/Discovery.h"
#include "setup/KnownPackages.h"
#include "setup/LibraryPath.h"
#include "setup/text/DefaultPackagesText.h"
#include "setup/text/PackageNames.h"

namespace ComponentSetup {

using KitPlatform::TIniFile;
using KitPlatform::TRegIniFile;

namespace {

// Design-time packages of earlier versions and of both editions of this one,
// whose "Known Packages" values go before this version's are written.
const std::vector<const char*> kOldDesignPackages = {
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

// Run-time packages of earlier versions, always taken out of "Packages".
constexpr const char* kOldRuntimePackages[] = {
    "OSLPND", "OSLPDB", "OS20ND", "OS20DB", "OS21ND", "OS21DB",
    "OS25ND", "OS25DB", "OS251N", "OS251D", "OS252N", "OS252D",
};

// Trial run-time packages, taken out only when the full edition goes in. A
// trial over a full installation leaves the full edition's entries alone.
constexpr const char* kTrialRuntimePackages[] = {"OS21Trial", "Os30TrialCtls", "Os30TrialDBCtls"};

void RegisterInIdeKey(int majorVersion, bool trialEdition) {
    TRegIniFile ideKey(IdeKeyPath(IdeKind::Delphi, majorVersion));
    ReplaceKnownPackages(IdeKind::Delphi, majorVersion, trialEdition, kOldDesignPackages, ideKey);
    UpdateSearchPath(IdeKind::Delphi, majorVersion, ideKey);
    DeleteOldPalettePages(ideKey);
}

void EditDefaultProjectOptions(int majorVersion, bool trialEdition) {
    const std::string path = ReadIdeRootDir(IdeKind::Delphi, majorVersion) + "\\Bin\\DefProj.dof";
    if (!KitPlatform::IsExistingFile(path)) return;

    TIniFile options(path);
    for (const char* name : kOldRuntimePackages) {
        RemoveDefaultPackage(DefaultPackageEntry(name, majorVersion), options);
    }
    if (!trialEdition) {
        for (const char* name : kTrialRuntimePackages) {
            RemoveDefaultPackage(DefaultPackageEntry(name, majorVersion), options);
        }
    }
    AddDefaultPackage(DefaultPackageEntry(StandardRuntimePackage(trialEdition), majorVersion),
                      options);
    if (DataAwareAllowed(IdeKind::Delphi, majorVersion)) {
        AddDefaultPackage(DefaultPackageEntry(DataAwareRuntimePackage(trialEdition), majorVersion),
                          options);
    }
}

}  // namespace

void RegisterDelphi(int majorVersion, bool trialEdition) noexcept {
    try {
        RegisterInIdeKey(majorVersion, trialEdition);
        EditDefaultProjectOptions(majorVersion, trialEdition);
    } catch (...) {
        // A failure ends the registration quietly; what was written stays, and
        // the objects held open were released on the way out.
    }
}

}  // namespace ComponentSetup
