// Facts read from HKEY_LOCAL_MACHINE before anything is changed.
#include "setup/Discovery.h"

#include <gtest/gtest.h>

#include "tests/support/Sandbox.h"
#include "tests/support/TestRegistry.h"

namespace {

using namespace ComponentSetup;
using namespace KitTest;

const std::string kDelphi7 = "SOFTWARE\\Borland\\Delphi\\7.0";

class Discovery : public Sandbox {};

TEST_F(Discovery, IdeKeyPathsNameTheFamilyAndVersion) {
    EXPECT_EQ(IdeKeyPath(IdeKind::Delphi, 7), "SOFTWARE\\Borland\\Delphi\\7.0");
    EXPECT_EQ(IdeKeyPath(IdeKind::CppBuilder, 6), "SOFTWARE\\Borland\\C++Builder\\6.0");
}

TEST_F(Discovery, ProductInstallDirIsReturnedExactlyAsStored) {
    EXPECT_EQ(ReadProductInstallDir(), "");
    SetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", " D:\\Suite\\ ");
    EXPECT_EQ(ReadProductInstallDir(), " D:\\Suite\\ ");
    SetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", "%ProgramFiles%\\S\\", REG_EXPAND_SZ);
    EXPECT_EQ(ReadProductInstallDir(), "%ProgramFiles%\\S\\");
    SetRaw(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", REG_SZ, std::string("D:\\A\\\0junk", 10));
    EXPECT_EQ(ReadProductInstallDir(), "D:\\A\\");
}

TEST_F(Discovery, ProductInstallDirIsEmptyForAnyFailure) {
    CreateKey(HKEY_LOCAL_MACHINE, kProductKey);
    EXPECT_EQ(ReadProductInstallDir(), "");
    SetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", "");
    EXPECT_EQ(ReadProductInstallDir(), "");
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", 42);
    EXPECT_EQ(ReadProductInstallDir(), "");
    SetRaw(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", REG_BINARY, "D:\\");
    EXPECT_EQ(ReadProductInstallDir(), "");
    // The user's own hive is never consulted.
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kOstrelKey);
    SetString(HKEY_CURRENT_USER, kProductKey, "InstallDir", "D:\\User\\");
    EXPECT_EQ(ReadProductInstallDir(), "");
    DeleteKeyTree(HKEY_CURRENT_USER, kOstrelKey);
}

TEST_F(Discovery, IdeKeyExistsOnlyUnderTheMachineKey) {
    EXPECT_FALSE(IdeKeyExists(IdeKind::Delphi, 7));
    CreateKey(HKEY_CURRENT_USER, kDelphi7);
    EXPECT_FALSE(IdeKeyExists(IdeKind::Delphi, 7));
    CreateKey(HKEY_LOCAL_MACHINE, kDelphi7);
    EXPECT_TRUE(IdeKeyExists(IdeKind::Delphi, 7));
    EXPECT_FALSE(IdeKeyExists(IdeKind::CppBuilder, 7));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Borland\\C++Builder\\7.0"))
        << "discovery never creates a key";
}

TEST_F(Discovery, RootDirAndVersionAreReadAsStoredOrEmpty) {
    CreateKey(HKEY_LOCAL_MACHINE, kDelphi7);
    EXPECT_EQ(ReadIdeRootDir(IdeKind::Delphi, 7), "");
    EXPECT_TRUE(IdeKeyExists(IdeKind::Delphi, 7));
    SetString(HKEY_LOCAL_MACHINE, kDelphi7, "RootDir", "C:\\Program Files\\Delphi7");
    SetString(HKEY_LOCAL_MACHINE, kDelphi7, "Version", "PRO");
    EXPECT_EQ(ReadIdeRootDir(IdeKind::Delphi, 7), "C:\\Program Files\\Delphi7");
    EXPECT_EQ(ReadIdeVersion(IdeKind::Delphi, 7), "PRO");
    SetDword(HKEY_LOCAL_MACHINE, kDelphi7, "RootDir", 1);
    EXPECT_EQ(ReadIdeRootDir(IdeKind::Delphi, 7), "");
    EXPECT_EQ(ReadIdeRootDir(IdeKind::Delphi, 6), "");
}

TEST_F(Discovery, EditionGateRefusesOnlyTheStandardEditionFromItsThreshold) {
    auto gate = [](IdeKind kind, int version, const char* value) {
        const std::string key = IdeKeyPath(kind, version);
        SetString(HKEY_LOCAL_MACHINE, key, "Version", value);
        return DataAwareAllowed(kind, version);
    };
    EXPECT_FALSE(gate(IdeKind::Delphi, 7, "STD"));
    EXPECT_FALSE(gate(IdeKind::Delphi, 5, "STD"));
    EXPECT_TRUE(gate(IdeKind::Delphi, 4, "STD")) << "Delphi's threshold is 5";
    EXPECT_FALSE(gate(IdeKind::CppBuilder, 4, "STD")) << "C++Builder's threshold is 4";
    EXPECT_TRUE(gate(IdeKind::CppBuilder, 3, "STD"));
    EXPECT_TRUE(gate(IdeKind::Delphi, 7, "std"));
    EXPECT_TRUE(gate(IdeKind::Delphi, 7, "STD "));
    EXPECT_TRUE(gate(IdeKind::Delphi, 7, "PRO"));
    EXPECT_TRUE(gate(IdeKind::Delphi, 7, ""));
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kBorlandKey);
    CreateKey(HKEY_LOCAL_MACHINE, kDelphi7);
    EXPECT_TRUE(DataAwareAllowed(IdeKind::Delphi, 7)) << "no Version value";
    EXPECT_TRUE(DataAwareAllowed(IdeKind::Delphi, 6)) << "no key at all";
}

}  // namespace
