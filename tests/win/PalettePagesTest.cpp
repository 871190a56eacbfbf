// The palette clean-up, run in-process on the IDE's per-user key.
#include "setup/PalettePages.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/RegistryProfile.h"
#include "setup/text/IdeTarget.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestRegistry.h"

namespace {

using ComponentSetup::IdeKind;
using KitTest::ReadString;
using KitTest::SetString;

class PalettePages : public KitTest::Sandbox {};

TEST_F(PalettePages, AllTwentySixValuesGoAndOthersStay) {
    const std::string palette = ComponentSetup::IdeKeyPath(IdeKind::Delphi, 7) + "\\Palette";
    const std::vector<std::string> pages = {
        "Ostrel",        "OsData",         "Ostrel List Pack", "Ostrel List",   "Ostrel Data",
        "Ostrel Misc",   "Ostrel Panels",  "Ostrel Edits",     "Ostrel Lists",  "Ostrel Buttons",
        "Ostrel Display", "Ostrel Shell",  "Ostrel Widgets"};
    for (const std::string& page : pages) {
        SetString(HKEY_CURRENT_USER, palette, page, "TOsButton");
        SetString(HKEY_CURRENT_USER, palette, page + ".Hidden", "");
    }
    SetString(HKEY_CURRENT_USER, palette, "Standard", "TButton");
    SetString(HKEY_CURRENT_USER, palette, "Ostrel Extras", "TOsExtra");
    ASSERT_EQ(KitTest::ValueNames(HKEY_CURRENT_USER, palette).size(), 28u);
    {
        const KitPlatform::RegistryProfile ideKey(ComponentSetup::IdeKeyPath(IdeKind::Delphi, 7));
        ComponentSetup::DeleteEarlierPalettePages(ideKey);
    }
    EXPECT_EQ(KitTest::ValueNames(HKEY_CURRENT_USER, palette),
              (std::vector<std::string>{"Ostrel Extras", "Standard"}));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, palette, "Standard"), "TButton");
}

TEST_F(PalettePages, MissingPaletteKeyIsNoErrorAndStaysMissing) {
    const std::string ide = ComponentSetup::IdeKeyPath(IdeKind::CppBuilder, 5);
    {
        const KitPlatform::RegistryProfile ideKey(ide);
        EXPECT_NO_THROW(ComponentSetup::DeleteEarlierPalettePages(ideKey));
    }
    EXPECT_TRUE(KitTest::KeyExists(HKEY_CURRENT_USER, ide));
    EXPECT_FALSE(KitTest::KeyExists(HKEY_CURRENT_USER, ide + "\\Palette"));
}

}  // namespace
