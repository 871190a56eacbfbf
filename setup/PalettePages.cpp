#include "setup/PalettePages.h"

#include <string>

#include "platform/RegistryProfile.h"
#include "setup/text/RegistrationTables.h"

namespace ComponentSetup {

void DeleteEarlierPalettePages(const KitPlatform::RegistryProfile& ideKey) {
    ideKey.DeleteSectionValues("Palette", kEarlierPaletteValues);
}

}  // namespace ComponentSetup
