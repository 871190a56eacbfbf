// The parts of an IDE registration that Delphi and C++Builder share: the
// library "Search Path" and the palette pages that earlier suite versions left.
// Both work on the registration's open accessor of the IDE's per-user key.
#pragma once

#include <string>

#include "setup/text/InstallRequest.h"

namespace KitPlatform {
class TRegIniFile;
}  // namespace KitPlatform

namespace ComponentSetup {

// Earlier suite versions, in the order their entries are taken out.
inline constexpr const char* kEarlierSuiteVersions[] = {"1.5", "1.6", "2.0", "2.1",
                                                        "2.5", "2.51", "2.52"};

// Sections and values of the IDE's per-user key that this unit edits.
inline constexpr const char* kLibrarySection = "Library";
inline constexpr const char* kSearchPathValue = "Search Path";
inline constexpr const char* kPaletteSection = "Palette";

// The palette pages the suite's versions created: IDEInstall deletes what
// earlier versions left, IDEUninstall the same values again. Each page has its
// own value and the same name followed by ".Hidden".
inline constexpr const char* kOldPaletteValues[] = {
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
static_assert(sizeof kOldPaletteValues / sizeof kOldPaletteValues[0] == 26,
              "thirteen pages, each with its .Hidden value");

// One earlier version's library directory entry for this IDE, upper-cased and
// ending with ";"; empty when that version's key cannot be opened or holds no
// "InstallDir". Never fails outward.
std::string OldLibraryDir(const std::string& suiteVersion, IdeKind kind, int majorVersion) noexcept;

// Rewrites "Search Path" in section "Library": earlier versions' entries out,
// the current suite's library directory in. Raises what the registry raises.
void UpdateSearchPath(IdeKind kind, int majorVersion, KitPlatform::TRegIniFile& ideKey);

// Deletes the settings of the palette pages earlier suite versions created.
// Raises what the registry raises.
void DeleteOldPalettePages(KitPlatform::TRegIniFile& ideKey);

}  // namespace ComponentSetup
