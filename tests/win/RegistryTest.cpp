// The registry accessors on real keys of the prefix.
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/StringList.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestRegistry.h"

namespace {

using KitPlatform::ERegistryException;
using KitPlatform::TRegIniFile;
using KitPlatform::TRegistry;
using KitPlatform::TStringList;
using namespace KitTest;

const std::string kIdeKey = "SOFTWARE\\Borland\\Delphi\\7.0";

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ERegistryException& e) {
        return e.what();
    }
    return "(nothing raised)";
}

class RegistryAccess : public Sandbox {};

TEST_F(RegistryAccess, RootedAndRelativePathsOnAFreshAccessorOpenTheSameKey) {
    SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Borland\\Delphi\\7.0", "RootDir", "C:\\D7");
    TRegistry rooted;
    rooted.SelectRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(rooted.OpenKeyPath("\\SOFTWARE\\Borland\\Delphi\\7.0", false));
    EXPECT_EQ(rooted.CurrentPath(), "SOFTWARE\\Borland\\Delphi\\7.0");
    EXPECT_EQ(rooted.ReadStringValue("RootDir"), "C:\\D7");

    TRegistry relative;
    relative.SelectRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(relative.OpenKeyPath("SOFTWARE\\Borland\\Delphi\\7.0", false));
    EXPECT_EQ(relative.CurrentPath(), "SOFTWARE\\Borland\\Delphi\\7.0");
    EXPECT_EQ(relative.ReadStringValue("RootDir"), "C:\\D7");
}

TEST_F(RegistryAccess, RelativePathResolvesBelowTheCurrentKeyAndRootedFromTheRoot) {
    SetString(HKEY_CURRENT_USER, "SOFTWARE\\Borland\\Delphi\\7.0\\Library", "Search Path", "below");
    SetString(HKEY_CURRENT_USER, "Library", "Search Path", "at root");
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyPath(kIdeKey, false));
    ASSERT_TRUE(registry.OpenKeyPath("Library", false));
    EXPECT_EQ(registry.CurrentPath(), kIdeKey + "\\Library");
    EXPECT_EQ(registry.ReadStringValue("Search Path"), "below");

    ASSERT_TRUE(registry.OpenKeyPath("\\Library", false));
    EXPECT_EQ(registry.CurrentPath(), "Library");
    EXPECT_EQ(registry.ReadStringValue("Search Path"), "at root");
    DeleteKeyTree(HKEY_CURRENT_USER, "Library");
}

TEST_F(RegistryAccess, FailedOpenKeepsThePreviousKeyCurrent) {
    SetString(HKEY_CURRENT_USER, kIdeKey, "Name", "kept");
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyPath(kIdeKey, false));
    EXPECT_FALSE(registry.OpenKeyPath("No Such Key", false));
    EXPECT_FALSE(registry.OpenKeyPath("\\SOFTWARE\\No Such Key", false));
    EXPECT_EQ(registry.CurrentPath(), kIdeKey);
    EXPECT_EQ(registry.ReadStringValue("Name"), "kept");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\No Such Key"));
}

TEST_F(RegistryAccess, OpeningWithCreationMakesEveryMissingKeyOfThePath) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyPath("SOFTWARE\\Borland\\C++Builder\\6.0\\Known Packages", true));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\Borland\\C++Builder\\6.0\\Known Packages"));
}

TEST_F(RegistryAccess, SwitchingTheRootClosesTheCurrentKey) {
    SetString(HKEY_CURRENT_USER, kIdeKey, "Name", "user");
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyPath(kIdeKey, false));
    registry.SelectRootKey(HKEY_CURRENT_USER);
    EXPECT_NE(registry.CurrentKey(), nullptr) << "selecting the root in use changes nothing";
    registry.SelectRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(registry.CurrentKey(), nullptr);
    EXPECT_EQ(registry.CurrentPath(), "");
    EXPECT_EQ(registry.ReadStringValue("Name"), "");
}

TEST_F(RegistryAccess, ReadingMissingValuesOrWithoutAKeyGivesEmptyText) {
    CreateKey(HKEY_CURRENT_USER, kIdeKey);
    TRegistry registry;
    EXPECT_EQ(registry.ReadStringValue("Anything"), "");
    ASSERT_TRUE(registry.OpenKeyPath(kIdeKey, false));
    EXPECT_EQ(registry.ReadStringValue("Missing"), "");
    SetRaw(HKEY_CURRENT_USER, kIdeKey, "Zero", REG_SZ, "");
    EXPECT_EQ(registry.ReadStringValue("Zero"), "");
}

TEST_F(RegistryAccess, StringsAreReadAsStoredUpToTheFirstNul) {
    SetString(HKEY_CURRENT_USER, kIdeKey, "Expand", "%WINDIR%\\x", REG_EXPAND_SZ);
    SetRaw(HKEY_CURRENT_USER, kIdeKey, "Embedded", REG_SZ, std::string("abc\0def\0", 8));
    SetRaw(HKEY_CURRENT_USER, kIdeKey, "Unterminated", REG_SZ, "abc");
    const std::string big(65536, 'x');
    SetString(HKEY_CURRENT_USER, kIdeKey, "Big", big);
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyPath(kIdeKey, false));
    EXPECT_EQ(registry.ReadStringValue("Expand"), "%WINDIR%\\x");
    EXPECT_EQ(registry.ReadStringValue("Embedded"), "abc");
    EXPECT_EQ(registry.ReadStringValue("Unterminated"), "abc");
    EXPECT_EQ(registry.ReadStringValue("Big"), big);
}

TEST_F(RegistryAccess, NonStringValuesRaiseInvalidDataType) {
    SetDword(HKEY_CURRENT_USER, kIdeKey, "Count", 7);
    SetRaw(HKEY_CURRENT_USER, kIdeKey, "Blob", REG_BINARY, "\x01\x02");
    SetRaw(HKEY_CURRENT_USER, kIdeKey, "Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyPath(kIdeKey, false));
    EXPECT_EQ(MessageOf([&] { registry.ReadStringValue("Count"); }),
              "Invalid data type for 'Count'");
    EXPECT_EQ(MessageOf([&] { registry.ReadStringValue("Blob"); }), "Invalid data type for 'Blob'");
    EXPECT_EQ(MessageOf([&] { registry.ReadStringValue("Multi"); }),
              "Invalid data type for 'Multi'");
}

TEST_F(RegistryAccess, WritingReplacesAValueOfAnotherTypeWithAString) {
    SetDword(HKEY_CURRENT_USER, kIdeKey, "Value", 1);
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyPath(kIdeKey, false));
    registry.WriteStringValue("Value", "text");
    const auto stored = ReadValue(HKEY_CURRENT_USER, kIdeKey, "Value");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored->bytes, std::string("text\0", 5));
}

TEST_F(RegistryAccess, WritingWithoutAnOpenKeyRaises) {
    TRegistry registry;
    EXPECT_EQ(MessageOf([&] { registry.WriteStringValue("Name", "x"); }),
              "Failed to set data for 'Name'");
}

// ---- TRegIniFile -----------------------------------------------------------

class ProfileKey : public Sandbox {};

TEST_F(ProfileKey, ConstructionCreatesTheProfileKeyBelowTheCurrentUser) {
    TRegIniFile ide(kIdeKey);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kIdeKey));
    EXPECT_EQ(ide.CurrentPath(), kIdeKey);
    EXPECT_EQ(ide.ProfilePath(), kIdeKey);
}

TEST_F(ProfileKey, ReadGivesTheDefaultOnlyForAMissingSectionOrEntry) {
    SetString(HKEY_CURRENT_USER, kIdeKey + "\\Library", "Search Path", "");
    SetString(HKEY_CURRENT_USER, kIdeKey + "\\Library", "Browsing Path", "C:\\B;");
    TRegIniFile ide(kIdeKey);
    EXPECT_EQ(ide.ReadSectionString("Missing", "Search Path", "dflt"), "dflt");
    EXPECT_EQ(ide.ReadSectionString("Library", "Missing", "dflt"), "dflt");
    EXPECT_EQ(ide.ReadSectionString("Library", "Search Path", "dflt"), "");
    EXPECT_EQ(ide.ReadSectionString("Library", "Browsing Path", "dflt"), "C:\\B;");
}

TEST_F(ProfileKey, WriteCreatesAMissingSectionAndStoresAString) {
    TRegIniFile ide(kIdeKey);
    ide.WriteSectionString("Known Packages", "C:\\S\\Bin\\A.bpl", "Desc");
    const auto stored = ReadValue(HKEY_CURRENT_USER, kIdeKey + "\\Known Packages", "C:\\S\\Bin\\A.bpl");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored->Text(), "Desc");
}

TEST_F(ProfileKey, ListingFillsNamesOnlyAndLeavesTheListAloneForAMissingSection) {
    SetString(HKEY_CURRENT_USER, kIdeKey + "\\Known Packages", "C:\\A.bpl", "a");
    SetDword(HKEY_CURRENT_USER, kIdeKey + "\\Known Packages", "C:\\B.bpl", 2);
    CreateKey(HKEY_CURRENT_USER, kIdeKey + "\\Empty");
    TRegIniFile ide(kIdeKey);

    TStringList list;
    list.AddItem("before");
    ide.ListSectionValues("Missing", list);
    ASSERT_EQ(list.ItemCount(), 1);
    EXPECT_EQ(list.ItemAt(0), "before");

    ide.ListSectionValues("Empty", list);
    EXPECT_EQ(list.ItemCount(), 0);

    ide.ListSectionValues("Known Packages", list);
    ASSERT_EQ(list.ItemCount(), 2);
    EXPECT_NE(list.FindItem("C:\\A.bpl"), -1);
    EXPECT_NE(list.FindItem("C:\\B.bpl"), -1);
}

TEST_F(ProfileKey, ListingReadsLongNamesWhole) {
    const std::string longName = "C:\\" + std::string(5000, 'n') + ".bpl";
    SetString(HKEY_CURRENT_USER, kIdeKey + "\\Known Packages", longName, "x");
    SetString(HKEY_CURRENT_USER, kIdeKey + "\\Known Packages", "short", "x");
    TRegIniFile ide(kIdeKey);
    TStringList list;
    ide.ListSectionValues("Known Packages", list);
    ASSERT_EQ(list.ItemCount(), 2);
    EXPECT_NE(list.FindItem(longName), -1);
}

TEST_F(ProfileKey, DeletingMissingValuesOrSectionsHasNoEffect) {
    SetString(HKEY_CURRENT_USER, kIdeKey + "\\Palette", "Other", "x");
    TRegIniFile ide(kIdeKey);
    ide.DeleteSectionValue("Palette", "Missing");
    ide.DeleteSectionValue("No Section", "Other");
    ide.DeleteSectionValue("Palette", "Other");
    EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, kIdeKey + "\\Palette", "Other"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kIdeKey + "\\Palette")) << "keys are never deleted";
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kIdeKey + "\\No Section"));
}

TEST_F(ProfileKey, TheProfileKeyIsCurrentAgainAfterEveryOperationEvenOneThatRaised) {
    SetDword(HKEY_CURRENT_USER, kIdeKey + "\\Library", "Search Path", 5);
    SetString(HKEY_CURRENT_USER, kIdeKey, "Marker", "profile");
    TRegIniFile ide(kIdeKey);
    const HKEY profile = ide.CurrentKey();

    EXPECT_EQ(MessageOf([&] { ide.ReadSectionString("Library", "Search Path", ""); }),
              "Invalid data type for 'Search Path'");
    EXPECT_EQ(ide.CurrentKey(), profile);
    EXPECT_EQ(ide.ReadStringValue("Marker"), "profile");

    ide.WriteSectionString("Library", "Other", "x");
    TStringList list;
    ide.ListSectionValues("Library", list);
    ide.DeleteSectionValue("Library", "Other");
    EXPECT_EQ(ide.CurrentKey(), profile);
    EXPECT_EQ(ide.CurrentPath(), kIdeKey);
    EXPECT_EQ(ide.ReadStringValue("Marker"), "profile");
}

// A profile key that can be neither opened nor created must not send the
// section operations to the root of HKEY_CURRENT_USER.
TEST_F(ProfileKey, WithoutItsProfileKeySectionsActOnNothing) {
    // A key path that no registry accepts: a name longer than 255 characters.
    const std::string impossible = "SOFTWARE\\Borland\\" + std::string(300, 'k');
    SetString(HKEY_CURRENT_USER, "Known Packages", "Sentinel", "root value");
    TRegIniFile ide(impossible);
    ASSERT_EQ(ide.CurrentKey(), nullptr);

    EXPECT_EQ(ide.ReadSectionString("Known Packages", "Sentinel", "dflt"), "dflt");
    TStringList list;
    list.AddItem("kept");
    ide.ListSectionValues("Known Packages", list);
    ASSERT_EQ(list.ItemCount(), 1);
    EXPECT_EQ(list.ItemAt(0), "kept");
    EXPECT_EQ(MessageOf([&] { ide.WriteSectionString("Known Packages", "New", "x"); }),
              "Failed to create key Known Packages");
    ide.DeleteSectionValue("Known Packages", "Sentinel");

    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, "Known Packages", "Sentinel"), "root value");
    EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, "Known Packages", "New"));
    DeleteKeyTree(HKEY_CURRENT_USER, "Known Packages");
}

// ---- TStringList -----------------------------------------------------------

TEST(StringList, FindIgnoresCaseAndYieldsTheFirstEqualEntry) {
    TStringList list;
    list.AddItem("VCL50.BPI");
    list.AddItem("");
    list.AddItem("vcl50.bpi");
    EXPECT_EQ(list.FindItem("vcl50.bpi"), 0);
    EXPECT_EQ(list.FindItem(""), 1);
    EXPECT_EQ(list.FindItem("vcl50"), -1);
    EXPECT_EQ(list.FindItem("vcl50.bpi "), -1);
}

TEST(StringList, RemovingMovesTheLaterEntriesUp) {
    TStringList list;
    for (const char* s : {"a", "b", "a", "c"}) list.AddItem(s);
    list.RemoveItemAt(list.FindItem("A"));
    ASSERT_EQ(list.ItemCount(), 3);
    EXPECT_EQ(list.ItemAt(0), "b");
    EXPECT_EQ(list.ItemAt(1), "a");
    EXPECT_EQ(list.ItemAt(2), "c");
}

TEST(StringList, IndexOutsideTheListRaisesWithTheIndex) {
    TStringList list;
    list.AddItem("x");
    try {
        list.ItemAt(1);
        FAIL() << "nothing raised";
    } catch (const KitPlatform::EStringListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (1)");
    }
    EXPECT_THROW(list.RemoveItemAt(-1), KitPlatform::EStringListError);
}

}  // namespace
