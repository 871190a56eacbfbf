// The component palette pages that earlier suite versions left in the IDE's
// per-user key ("Palette": each page and its ".Hidden" value).
#pragma once

namespace KitPlatform {
class RegistryProfile;
}  // namespace KitPlatform

namespace ComponentSetup {

// Deletes the 26 values; absent ones and an absent "Palette" key are no error.
// Raises what the registry raises.
void DeleteEarlierPalettePages(const KitPlatform::RegistryProfile& ideKey);

}  // namespace ComponentSetup
