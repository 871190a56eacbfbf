#include "setup/IdeRegistration.h"

#include "platform/RegistryProfile.h"
#include "setup/DefaultProjectFile.h"
#include "setup/DefaultProjectOptions.h"
#include "setup/Discovery.h"
#include "setup/KnownPackages.h"
#include "setup/LibraryPath.h"
#include "setup/PalettePages.h"
#include "setup/text/RegistrationPlan.h"

namespace ComponentSetup {

namespace {

// The per-user key is created when absent; it is released before the
// default project is edited.
void RegisterInIdeKey(const IdeTarget& target, const RegistrationPlan& plan) {
    const KitPlatform::RegistryProfile ideKey(IdeKeyPath(target.Kind, target.MajorVersion));
    ReplaceKnownPackages(plan, ideKey);
    UpdateSearchPath(target, ideKey);
    DeleteEarlierPalettePages(ideKey);
}

void EditDefaultProject(const IdeTarget& target, const RegistrationPlan& plan) {
    const std::string rootDir = ReadIdeRootDir(target.Kind, target.MajorVersion);
    switch (plan.Editor) {
    case DefaultProjectEditor::ProjectOptions: EditDefaultProjectOptions(rootDir, plan); break;
    case DefaultProjectEditor::ProjectFile: EditDefaultProjectFile(rootDir, plan); break;
    }
}

}  // namespace

void RegisterIde(const IdeTarget& target) noexcept {
    try {
        const RegistrationPlan plan =
            PlanRegistration(target, DataAwareAllowed(target.Kind, target.MajorVersion));
        RegisterInIdeKey(target, plan);
        EditDefaultProject(target, plan);
    } catch (...) {
        // A failure ends the registration quietly; the objects held open were
        // released on the way out, and the setup program is not told.
    }
}

}  // namespace ComponentSetup
