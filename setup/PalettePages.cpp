#include "setup/PalettePages.h"

#include <string>

#include "platform/RegistryProfile.h"
#include "setup/text/RegistrationTables.h"

namespace ComponentSetup {

void DeleteEarlierPalettePages(const KitPlatform::RegistryProfile& ideKey) {
    for (std::string_view value : kEarlierPaletteValues) {
        ideKey.DeleteSectionValue("Palette", std::string(value));
    }
}

}  // namespace ComponentSetup
