// The registry key object and the profile over it, on real keys of the prefix.
#include "platform/RegistryKey.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/RegistryProfile.h"
#include "platform/StringList.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestRegistry.h"

namespace {

using KitPlatform::RegistryError;
using KitPlatform::KeyAccess;
using KitPlatform::RegistryKey;
using KitPlatform::RegistryProfile;
using KitPlatform::StringList;
using namespace KitTest;
using Names = std::vector<std::string>;

// The section's value names as the profile hands them out; nothing when it
// reports the section missing.
std::optional<Names> ListSectionValues(const RegistryProfile& profile, const std::string& section) {
    Names names;
    const auto collect = [&names](std::string_view name) { names.emplace_back(name); };
    if (!profile.ForEachSectionValue(section, collect)) {
        return std::nullopt;
    }
    return names;
}

const std::string kIdeKey = "SOFTWARE\\Borland\\Delphi\\7.0";

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const RegistryError& e) {
        return e.what();
    }
    return "(nothing raised)";
}

class RegistryAccess : public Sandbox {};

TEST_F(RegistryAccess, PathsWithAndWithoutALeadingBackslashOpenTheSameKey) {
    SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Borland\\Delphi\\7.0", "RootDir", "C:\\D7");
    const RegistryKey rooted =
        RegistryKey::Open(HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Borland\\Delphi\\7.0", KeyAccess::Read);
    ASSERT_TRUE(rooted.IsOpen());
    EXPECT_EQ(rooted.ReadString("RootDir"), "C:\\D7");

    const RegistryKey relative =
        RegistryKey::Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Borland\\Delphi\\7.0", KeyAccess::Read);
    ASSERT_TRUE(relative.IsOpen());
    EXPECT_EQ(relative.ReadString("RootDir"), "C:\\D7");
}

TEST_F(RegistryAccess, SubkeysResolveBelowTheirKeyAndRootedSectionsFromTheRoot) {
    SetString(HKEY_CURRENT_USER, "SOFTWARE\\Borland\\Delphi\\7.0\\Library", "Search Path", "below");
    SetString(HKEY_CURRENT_USER, "Library", "Search Path", "at root");
    const RegistryKey ide = RegistryKey::Open(HKEY_CURRENT_USER, kIdeKey, KeyAccess::ReadWrite);
    ASSERT_TRUE(ide.IsOpen());
    const RegistryKey library = RegistryKey::Open(ide.Handle(), "Library", KeyAccess::Read);
    ASSERT_TRUE(library.IsOpen());
    EXPECT_EQ(library.ReadString("Search Path"), "below");
    EXPECT_EQ(RegistryKey::Open(HKEY_CURRENT_USER, "\\Library", KeyAccess::Read)
                  .ReadString("Search Path"),
              "at root");

    const RegistryProfile profile(kIdeKey);
    EXPECT_EQ(profile.ReadSectionString("Library", "Search Path", ""), "below");
    EXPECT_EQ(profile.ReadSectionString("\\Library", "Search Path", ""), "at root");
    DeleteKeyTree(HKEY_CURRENT_USER, "Library");
}

TEST_F(RegistryAccess, AFailedOpenGivesAClosedKeyAndLeavesTheOthersAlone) {
    SetString(HKEY_CURRENT_USER, kIdeKey, "Name", "kept");
    const RegistryKey ide = RegistryKey::Open(HKEY_CURRENT_USER, kIdeKey, KeyAccess::ReadWrite);
    ASSERT_TRUE(ide.IsOpen());
    EXPECT_FALSE(RegistryKey::Open(ide.Handle(), "No Such Key", KeyAccess::ReadWrite).IsOpen());
    EXPECT_FALSE(RegistryKey::Open(HKEY_CURRENT_USER, "\\SOFTWARE\\No Such Key",
                                   KeyAccess::ReadWrite)
                     .IsOpen());
    EXPECT_EQ(ide.ReadString("Name"), "kept");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\No Such Key"));
}

TEST_F(RegistryAccess, CreatingMakesEveryMissingKeyOfThePath) {
    const RegistryKey created =
        RegistryKey::Create(HKEY_CURRENT_USER, "SOFTWARE\\Borland\\C++Builder\\6.0\\Known Packages",
                            KeyAccess::ReadWrite);
    EXPECT_TRUE(created.IsOpen());
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\Borland\\C++Builder\\6.0\\Known Packages"));
}

TEST_F(RegistryAccess, AKeyBelongsToItsRootAndMovesWithItsOwner) {
    SetString(HKEY_CURRENT_USER, kIdeKey, "Name", "user");
    RegistryKey user = RegistryKey::Open(HKEY_CURRENT_USER, kIdeKey, KeyAccess::ReadWrite);
    ASSERT_TRUE(user.IsOpen());
    EXPECT_FALSE(RegistryKey::Open(HKEY_LOCAL_MACHINE, kIdeKey, KeyAccess::Read).IsOpen())
        << "the same path under the other root is another key";
    RegistryKey moved = std::move(user);
    EXPECT_FALSE(user.IsOpen());
    EXPECT_EQ(user.ReadString("Name"), std::nullopt);
    EXPECT_EQ(moved.ReadString("Name"), "user");
}

TEST_F(RegistryAccess, MissingValuesAndClosedKeysReadAsMissingAndEmptyValuesAsEmpty) {
    CreateKey(HKEY_CURRENT_USER, kIdeKey);
    EXPECT_EQ(RegistryKey().ReadString("Anything"), std::nullopt);
    const RegistryKey ide = RegistryKey::Open(HKEY_CURRENT_USER, kIdeKey, KeyAccess::ReadWrite);
    ASSERT_TRUE(ide.IsOpen());
    EXPECT_EQ(ide.ReadString("Missing"), std::nullopt);
    SetRaw(HKEY_CURRENT_USER, kIdeKey, "Zero", REG_SZ, "");
    EXPECT_EQ(ide.ReadString("Zero"), "");
}

TEST_F(RegistryAccess, StringsAreReadAsStoredUpToTheFirstNul) {
    SetString(HKEY_CURRENT_USER, kIdeKey, "Expand", "%WINDIR%\\x", REG_EXPAND_SZ);
    SetRaw(HKEY_CURRENT_USER, kIdeKey, "Embedded", REG_SZ, std::string("abc\0def\0", 8));
    SetRaw(HKEY_CURRENT_USER, kIdeKey, "Unterminated", REG_SZ, "abc");
    const std::string big(65536, 'x');
    SetString(HKEY_CURRENT_USER, kIdeKey, "Big", big);
    const RegistryKey ide = RegistryKey::Open(HKEY_CURRENT_USER, kIdeKey, KeyAccess::Read);
    ASSERT_TRUE(ide.IsOpen());
    EXPECT_EQ(ide.ReadString("Expand"), "%WINDIR%\\x");
    EXPECT_EQ(ide.ReadString("Embedded"), "abc");
    EXPECT_EQ(ide.ReadString("Unterminated"), "abc");
    EXPECT_EQ(ide.ReadString("Big"), big);
}

// Whether a value fits the first read or needs a second one: the same text
// either way, for lengths around every size the read could stop at.
TEST_F(RegistryAccess, StringsOfEveryLengthAroundTheFirstReadComeBackWhole) {
    for (std::size_t length = 250; length < 262; ++length) {
        SetString(HKEY_CURRENT_USER, kIdeKey, "L" + std::to_string(length),
                  std::string(length, static_cast<char>('a' + length % 26)));
    }
    SetRaw(HKEY_CURRENT_USER, kIdeKey, "LongBlob", REG_BINARY, std::string(300, 'b'));
    const RegistryKey ide = RegistryKey::Open(HKEY_CURRENT_USER, kIdeKey, KeyAccess::Read);
    ASSERT_TRUE(ide.IsOpen());
    for (std::size_t length = 250; length < 262; ++length) {
        EXPECT_EQ(ide.ReadString("L" + std::to_string(length)),
                  std::string(length, static_cast<char>('a' + length % 26)));
    }
    EXPECT_EQ(MessageOf([&] { ide.ReadString("LongBlob"); }), "Invalid data type for 'LongBlob'");
}

// Read with room for the key's longest value: the same answers as ReadString,
// for values shorter and longer than that room and for the longest itself.
TEST_F(RegistryAccess, LongStringsReadAsReadStringReadsThem) {
    const std::string longest(90000, 'p');
    SetString(HKEY_CURRENT_USER, kIdeKey, "Longest", longest);
    SetString(HKEY_CURRENT_USER, kIdeKey, "Short", "C:\\Lib;");
    SetString(HKEY_CURRENT_USER, kIdeKey, "Empty", "");
    SetRaw(HKEY_CURRENT_USER, kIdeKey, "Unterminated", REG_SZ, std::string(300, 'u'));
    SetRaw(HKEY_CURRENT_USER, kIdeKey, "Embedded", REG_SZ, std::string("ab\0cd", 5));
    SetRaw(HKEY_CURRENT_USER, kIdeKey, "Blob", REG_BINARY, std::string(300, 'b'));
    const RegistryKey ide = RegistryKey::Open(HKEY_CURRENT_USER, kIdeKey, KeyAccess::Read);
    ASSERT_TRUE(ide.IsOpen());
    for (const char* name : {"Longest", "Short", "Empty", "Unterminated", "Embedded", "Missing"}) {
        EXPECT_EQ(ide.ReadLongString(name), ide.ReadString(name)) << name;
    }
    EXPECT_EQ(ide.ReadLongString("Longest"), longest);
    EXPECT_EQ(ide.ReadLongString("Unterminated"), std::string(300, 'u'));
    EXPECT_EQ(MessageOf([&] { ide.ReadLongString("Blob"); }), "Invalid data type for 'Blob'");
    EXPECT_EQ(RegistryKey().ReadLongString("Longest"), std::nullopt);
}

TEST_F(RegistryAccess, NonStringValuesRaiseInvalidDataType) {
    SetDword(HKEY_CURRENT_USER, kIdeKey, "Count", 7);
    SetRaw(HKEY_CURRENT_USER, kIdeKey, "Blob", REG_BINARY, "\x01\x02");
    SetRaw(HKEY_CURRENT_USER, kIdeKey, "Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    const RegistryKey ide = RegistryKey::Open(HKEY_CURRENT_USER, kIdeKey, KeyAccess::Read);
    ASSERT_TRUE(ide.IsOpen());
    EXPECT_EQ(MessageOf([&] { ide.ReadString("Count"); }), "Invalid data type for 'Count'");
    EXPECT_EQ(MessageOf([&] { ide.ReadString("Blob"); }), "Invalid data type for 'Blob'");
    EXPECT_EQ(MessageOf([&] { ide.ReadString("Multi"); }), "Invalid data type for 'Multi'");
}

TEST_F(RegistryAccess, WritingReplacesAValueOfAnotherTypeWithAString) {
    SetDword(HKEY_CURRENT_USER, kIdeKey, "Value", 1);
    const RegistryKey ide = RegistryKey::Open(HKEY_CURRENT_USER, kIdeKey, KeyAccess::ReadWrite);
    ASSERT_TRUE(ide.IsOpen());
    ide.WriteString("Value", "text");
    const auto stored = ReadValue(HKEY_CURRENT_USER, kIdeKey, "Value");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored->bytes, std::string("text\0", 5));
}

TEST_F(RegistryAccess, WritingWithoutAnOpenKeyOrThroughAReadOnlyOneRaises) {
    EXPECT_EQ(MessageOf([&] { RegistryKey().WriteString("Name", "x"); }),
              "Failed to set data for 'Name'");
    CreateKey(HKEY_CURRENT_USER, kIdeKey);
    const RegistryKey readOnly = RegistryKey::Open(HKEY_CURRENT_USER, kIdeKey, KeyAccess::Read);
    ASSERT_TRUE(readOnly.IsOpen());
    EXPECT_EQ(MessageOf([&] { readOnly.WriteString("Name", "x"); }),
              "Failed to set data for 'Name'");
    EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, kIdeKey, "Name"));
}

// ---- RegistryProfile ---------------------------------------------------------

class ProfileKey : public Sandbox {};

TEST_F(ProfileKey, ConstructionCreatesTheProfileKeyBelowTheCurrentUser) {
    const RegistryProfile ide(kIdeKey);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kIdeKey));
    ide.WriteSectionString("Library", "Search Path", "x;");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kIdeKey + "\\Library", "Search Path"), "x;");
}

TEST_F(ProfileKey, ReadGivesTheDefaultOnlyForAMissingSectionOrEntry) {
    SetString(HKEY_CURRENT_USER, kIdeKey + "\\Library", "Search Path", "");
    SetString(HKEY_CURRENT_USER, kIdeKey + "\\Library", "Browsing Path", "C:\\B;");
    const RegistryProfile ide(kIdeKey);
    EXPECT_EQ(ide.ReadSectionString("Missing", "Search Path", "dflt"), "dflt");
    EXPECT_EQ(ide.ReadSectionString("Library", "Missing", "dflt"), "dflt");
    EXPECT_EQ(ide.ReadSectionString("Library", "Search Path", "dflt"), "");
    EXPECT_EQ(ide.ReadSectionString("Library", "Browsing Path", "dflt"), "C:\\B;");
}

TEST_F(ProfileKey, WriteCreatesAMissingSectionAndStoresAString) {
    const RegistryProfile ide(kIdeKey);
    ide.WriteSectionString("Known Packages", "C:\\S\\Bin\\A.bpl", "Desc");
    const auto stored =
        ReadValue(HKEY_CURRENT_USER, kIdeKey + "\\Known Packages", "C:\\S\\Bin\\A.bpl");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored->Text(), "Desc");
}

TEST_F(ProfileKey, ListingGivesNamesOnlyAndNothingForAMissingSection) {
    SetString(HKEY_CURRENT_USER, kIdeKey + "\\Known Packages", "C:\\A.bpl", "a");
    SetDword(HKEY_CURRENT_USER, kIdeKey + "\\Known Packages", "C:\\B.bpl", 2);
    CreateKey(HKEY_CURRENT_USER, kIdeKey + "\\Empty");
    const RegistryProfile ide(kIdeKey);

    EXPECT_EQ(ListSectionValues(ide, "Missing"), std::nullopt);
    EXPECT_EQ(ListSectionValues(ide, "Empty"), Names{});

    const std::optional<Names> names = ListSectionValues(ide, "Known Packages");
    ASSERT_TRUE(names);
    ASSERT_EQ(names->size(), 2u);
    StringList list;
    for (const std::string& name : *names) list.AddItem(name);
    EXPECT_NE(list.FindItem("C:\\A.bpl"), -1);
    EXPECT_NE(list.FindItem("C:\\B.bpl"), -1);
}

TEST_F(ProfileKey, ListingReadsLongNamesWhole) {
    const std::string longName = "C:\\" + std::string(5000, 'n') + ".bpl";
    SetString(HKEY_CURRENT_USER, kIdeKey + "\\Known Packages", longName, "x");
    SetString(HKEY_CURRENT_USER, kIdeKey + "\\Known Packages", "short", "x");
    const RegistryProfile ide(kIdeKey);
    const std::optional<Names> names = ListSectionValues(ide, "Known Packages");
    ASSERT_TRUE(names);
    ASSERT_EQ(names->size(), 2u);
    EXPECT_TRUE(std::find(names->begin(), names->end(), longName) != names->end());
}

TEST_F(ProfileKey, DeletingMissingValuesOrSectionsHasNoEffect) {
    SetString(HKEY_CURRENT_USER, kIdeKey + "\\Palette", "Other", "x");
    const RegistryProfile ide(kIdeKey);
    ide.DeleteSectionValues("Palette", Names{"Missing"});
    ide.DeleteSectionValues("No Section", Names{"Other"});
    ide.DeleteSectionValues("Palette", Names{"Missing", "Other"});
    EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, kIdeKey + "\\Palette", "Other"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kIdeKey + "\\Palette")) << "keys are never deleted";
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kIdeKey + "\\No Section"));
}

TEST_F(ProfileKey, TheProfileKeyServesEveryOperationAfterOneThatRaised) {
    SetDword(HKEY_CURRENT_USER, kIdeKey + "\\Library", "Search Path", 5);
    SetString(HKEY_CURRENT_USER, kIdeKey, "Marker", "profile");
    const RegistryProfile ide(kIdeKey);

    EXPECT_EQ(MessageOf([&] { ide.ReadSectionString("Library", "Search Path", ""); }),
              "Invalid data type for 'Search Path'");
    // The empty section is the profile key itself.
    EXPECT_EQ(ide.ReadSectionString("", "Marker", ""), "profile");

    ide.WriteSectionString("Library", "Other", "x");
    std::optional<Names> names = ListSectionValues(ide, "Library");
    ASSERT_TRUE(names);
    std::sort(names->begin(), names->end());
    EXPECT_EQ(names, (Names{"Other", "Search Path"}));
    ide.DeleteSectionValues("Library", Names{"Other"});
    EXPECT_EQ(ListSectionValues(ide, "Library"), (Names{"Search Path"}));
    EXPECT_EQ(ide.ReadSectionString("", "Marker", ""), "profile");
}

// A profile key that can be neither opened nor created must not send the
// section operations to the root of HKEY_CURRENT_USER.
TEST_F(ProfileKey, WithoutItsProfileKeySectionsActOnNothing) {
    // A key path that no registry accepts: a name longer than 255 characters.
    const std::string impossible = "SOFTWARE\\Borland\\" + std::string(300, 'k');
    SetString(HKEY_CURRENT_USER, "Known Packages", "Sentinel", "root value");
    const RegistryProfile ide(impossible);
    ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, impossible));

    EXPECT_EQ(ide.ReadSectionString("Known Packages", "Sentinel", "dflt"), "dflt");
    EXPECT_EQ(ListSectionValues(ide, "Known Packages"), std::nullopt);
    EXPECT_EQ(MessageOf([&] { ide.WriteSectionString("Known Packages", "New", "x"); }),
              "Failed to create key Known Packages");
    ide.DeleteSectionValues("Known Packages", Names{"Sentinel"});

    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, "Known Packages", "Sentinel"), "root value");
    EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, "Known Packages", "New"));
    DeleteKeyTree(HKEY_CURRENT_USER, "Known Packages");
}

// ---- StringList -----------------------------------------------------------

TEST(StringList, FindIgnoresCaseAndYieldsTheFirstEqualEntry) {
    StringList list;
    list.AddItem("VCL50.BPI");
    list.AddItem("");
    list.AddItem("vcl50.bpi");
    EXPECT_EQ(list.FindItem("vcl50.bpi"), 0);
    EXPECT_EQ(list.FindItem(""), 1);
    EXPECT_EQ(list.FindItem("vcl50"), -1);
    EXPECT_EQ(list.FindItem("vcl50.bpi "), -1);
}

TEST(StringList, RemovingMovesTheLaterEntriesUp) {
    StringList list;
    for (const char* s : {"a", "b", "a", "c"}) list.AddItem(s);
    list.RemoveItemAt(list.FindItem("A"));
    EXPECT_EQ(list.Items(), (Names{"b", "a", "c"}));
}

TEST(StringList, IndexOutsideTheListRaisesWithTheIndex) {
    StringList list;
    list.AddItem("x");
    try {
        list.RemoveItemAt(1);
        FAIL() << "nothing raised";
    } catch (const KitPlatform::StringListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (1)");
    }
    EXPECT_THROW(list.RemoveItemAt(-1), KitPlatform::StringListError);
    EXPECT_EQ(list.Items(), Names{"x"});
}

TEST(StringList, TakingTheItemsEmptiesTheList) {
    StringList list;
    list.AddItem("Os30Ctls60.bpi");
    list.AddItem("x y");
    EXPECT_EQ(list.TakeItems(), (Names{"Os30Ctls60.bpi", "x y"}));
    EXPECT_EQ(list.Items(), Names{});
    EXPECT_EQ(list.FindItem("x y"), StringList::NotFound);
    list.AddItem("OS30CTLS60.BPI");
    EXPECT_EQ(list.FindItem("Os30Ctls60.bpi"), 0);
}

}  // namespace
