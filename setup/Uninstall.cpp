// IDEUninstall: the stores IDEInstall writes, each taken back on its own by
// the counterpart of the step that wrote it, so that a failure in one leaves
// that store as it was and the others still run.
#include <optional>
#include <string>

#include "platform/RegistryProfile.h"
#include "setup/DefaultProjectFile.h"
#include "setup/DefaultProjectOptions.h"
#include "setup/Discovery.h"
#include "setup/Entry.h"
#include "setup/HelpMerge.h"
#include "setup/KnownPackages.h"
#include "setup/LibraryPath.h"
#include "setup/PalettePages.h"
#include "setup/text/IdeTarget.h"
#include "setup/text/RegistrationTables.h"

namespace ComponentSetup {

using KitPlatform::RegistryProfile;

namespace {

// What one uninstall works on: the IDE (the edition does not matter, both
// editions' entries go), the suite's "InstallDir" (empty when unreadable: the
// setup program may have removed the suite's key already) and the IDE's
// "RootDir", used as read.
struct UninstallTarget {
    IdeTarget Ide;
    std::string RootDir;
};

// The uninstall never creates a key: where the IDE's per-user key is
// missing there is nothing to take out.
std::optional<RegistryProfile> ExistingIdeUserKey(const IdeTarget& ide) noexcept {
    return RegistryProfile::OpenExisting(IdeKeyPath(ide.Kind, ide.MajorVersion));
}

UninstallTarget UninstallTargetOf(const InstallRequest& request) {
    UninstallTarget target;
    target.Ide = TargetOf(request, ReadProductInstallDir());
    target.RootDir = ReadIdeRootDir(request.Kind, request.MajorVersion);
    return target;
}

// Each step ends quietly at its first failure, leaving its store as it was.
// The registry steps open the IDE's per-user key only when it exists.
void RemoveSuitePackages(const UninstallTarget& target) noexcept {
    try {
        if (const auto ideKey = ExistingIdeUserKey(target.Ide)) {
            RemoveSuiteKnownPackages(target.Ide.MajorVersion, *ideKey);
        }
    } catch (...) {
        // A key or value that cannot be read or deleted ends this step only.
    }
}

void RemoveSuiteLibraryDir(const UninstallTarget& target) noexcept {
    try {
        if (target.Ide.SuiteDir.empty()) return;  // the suite's key may be gone already
        if (const auto ideKey = ExistingIdeUserKey(target.Ide)) {
            RemoveSuiteSearchPathEntries(target.Ide, *ideKey);
        }
    } catch (...) {
    }
}

void RemoveSuitePalettePages(const UninstallTarget& target) noexcept {
    try {
        // The palette values the suite's versions leave are the ones the
        // install deletes.
        if (const auto ideKey = ExistingIdeUserKey(target.Ide)) DeleteEarlierPalettePages(*ideKey);
    } catch (...) {
    }
}

void RemoveSuiteDefaultProjectPackages(const UninstallTarget& target) noexcept {
    try {
        switch (IdeTableFor(target.Ide.Kind).Editor) {
        case DefaultProjectEditor::ProjectOptions:
            RemoveSuiteDefaultPackages(target.RootDir, target.Ide.MajorVersion);
            break;
        case DefaultProjectEditor::ProjectFile:
            RemoveSuiteProjectPackages(target.RootDir, target.Ide.MajorVersion);
            break;
        }
    } catch (...) {
    }
}

void RunUninstall(const UninstallTarget& target) {
    RemoveSuitePackages(target);
    RemoveSuiteLibraryDir(target);
    RemoveSuitePalettePages(target);
    RemoveSuiteDefaultProjectPackages(target);
    RemoveSuiteHelpLines(target.Ide.Kind, target.Ide.MajorVersion, target.RootDir);
}

}  // namespace

int IDEUninstall(const void* paramBlock) noexcept {
    try {
        const char* text = RequestTextOf(paramBlock);
        if (!text) return 0;
        const std::optional<InstallRequest> request = ParseInstallRequest(text);
        if (!request || !IdeKeyExists(request->Kind, request->MajorVersion)) return 0;
        RunUninstall(UninstallTargetOf(*request));
    } catch (...) {
        // Only a failure to get memory gets here; the setup program never
        // sees it.
    }
    return 0;
}

}  // namespace ComponentSetup
