// The library search path, run in-process on real keys:
// earlier suite versions under HKEY_LOCAL_MACHINE, the IDE's per-user key
// under HKEY_CURRENT_USER.
#include "setup/LibraryPath.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/RegistryError.h"
#include "platform/RegistryProfile.h"
#include "setup/text/IdeTarget.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestRegistry.h"

namespace {

using ComponentSetup::IdeKind;
using KitTest::ReadString;
using KitTest::SetString;

const std::string kSuite = "D:\\Suite\\";

class LibraryPath : public KitTest::Sandbox {
protected:
    // The current suite's directory comes with the request's target.
    static ComponentSetup::IdeTarget TargetFor(IdeKind kind, int version) {
        return {kind, version, false, kSuite};
    }

    static void InstallEarlier(const std::string& version, const std::string& dir) {
        SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Ostrel\\Ostrel Components\\" + version,
                  "InstallDir", dir);
    }

    static std::string IdeKey(IdeKind kind, int version) {
        return ComponentSetup::IdeKeyPath(kind, version);
    }

    static void SetSearchPath(IdeKind kind, int version, const std::string& path) {
        SetString(HKEY_CURRENT_USER, IdeKey(kind, version) + "\\Library", "Search Path", path);
    }

    static std::optional<std::string> SearchPath(IdeKind kind, int version) {
        return ReadString(HKEY_CURRENT_USER, IdeKey(kind, version) + "\\Library", "Search Path");
    }

    static std::optional<std::string> Update(IdeKind kind, int version) {
        {
            const KitPlatform::RegistryProfile ideKey(IdeKey(kind, version));
            ComponentSetup::UpdateSearchPath(TargetFor(kind, version), ideKey);
        }
        return SearchPath(kind, version);
    }
};

TEST_F(LibraryPath, EarlierLibraryDirIsTheUpperCasedEntryOfThatVersion) {
    InstallEarlier("2.51", "d:\\suite251\\");
    EXPECT_EQ(ComponentSetup::EarlierLibraryDir("2.51", IdeKind::Delphi, 7), "D:\\SUITE251\\LIB7;");
    EXPECT_EQ(ComponentSetup::EarlierLibraryDir("2.51", IdeKind::CppBuilder, 5),
              "D:\\SUITE251\\LIBBCB5;");
    EXPECT_EQ(ComponentSetup::EarlierLibraryDir("2.5", IdeKind::Delphi, 7), "");
}

TEST_F(LibraryPath, EarlierLibraryDirIsEmptyForAVersionWithoutAUsableDirectory) {
    KitTest::CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Ostrel\\Ostrel Components\\1.5");
    InstallEarlier("1.6", "");
    KitTest::SetDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\Ostrel\\Ostrel Components\\2.0",
                      "InstallDir", 7);
    EXPECT_EQ(ComponentSetup::EarlierLibraryDir("1.5", IdeKind::Delphi, 7), "");
    EXPECT_EQ(ComponentSetup::EarlierLibraryDir("1.6", IdeKind::Delphi, 7), "");
    EXPECT_EQ(ComponentSetup::EarlierLibraryDir("2.0", IdeKind::Delphi, 7), "");
}

TEST_F(LibraryPath, SemicolonIsEnsuredBeforeTheCurrentEntryIsAppended) {
    SetSearchPath(IdeKind::Delphi, 7, "D:\\Libs;D:\\Old\\Lib7");
    EXPECT_EQ(Update(IdeKind::Delphi, 7), "D:\\Libs;D:\\Old\\Lib7;D:\\Suite\\Lib7;");
}

TEST_F(LibraryPath, CurrentEntryInAnotherCaseIsKeptAndWrittenBackWithItsSemicolon) {
    SetSearchPath(IdeKind::Delphi, 7, "D:\\Libs;d:\\suite\\lib7");
    EXPECT_EQ(Update(IdeKind::Delphi, 7), "D:\\Libs;d:\\suite\\lib7;");
}

TEST_F(LibraryPath, MissingOrEmptySearchPathBecomesJustTheCurrentEntry) {
    EXPECT_EQ(Update(IdeKind::Delphi, 7), "D:\\Suite\\Lib7;");
    SetSearchPath(IdeKind::Delphi, 6, "");
    EXPECT_EQ(Update(IdeKind::Delphi, 6), "D:\\Suite\\Lib6;");
}

TEST_F(LibraryPath, EarlierEntryGoesWhateverItsCaseAndTheRestKeepsItsCase) {
    InstallEarlier("2.0", "D:\\Suite2\\");
    SetSearchPath(IdeKind::Delphi, 7, "c:\\A;d:\\suite2\\Lib7;c:\\B;");
    EXPECT_EQ(Update(IdeKind::Delphi, 7), "c:\\A;c:\\B;D:\\Suite\\Lib7;");
}

TEST_F(LibraryPath, EarlierEntryStandingLastWithoutSemicolonGoes) {
    InstallEarlier("2.52", "D:\\Suite2\\");
    SetSearchPath(IdeKind::Delphi, 7, "c:\\A;D:\\Suite2\\Lib7");
    EXPECT_EQ(Update(IdeKind::Delphi, 7), "c:\\A;D:\\Suite\\Lib7;");
}

TEST_F(LibraryPath, EarlierVersionInTheCurrentDirectoryEndsUpLast) {
    InstallEarlier("2.52", kSuite);
    SetSearchPath(IdeKind::Delphi, 7, "D:\\Suite\\Lib7;c:\\A;");
    EXPECT_EQ(Update(IdeKind::Delphi, 7), "c:\\A;D:\\Suite\\Lib7;");
}

TEST_F(LibraryPath, OnlyTheFirstOccurrenceOfAnEarlierEntryGoes) {
    InstallEarlier("2.1", "D:\\Suite2\\");
    SetSearchPath(IdeKind::Delphi, 7, "D:\\Suite2\\Lib7;c:\\A;D:\\Suite2\\Lib7;");
    EXPECT_EQ(Update(IdeKind::Delphi, 7), "c:\\A;D:\\Suite2\\Lib7;D:\\Suite\\Lib7;");
}

TEST_F(LibraryPath, EveryEarlierVersionIsLookedUp) {
    const std::vector<std::string> versions = {"1.5", "1.6", "2.0", "2.1", "2.5", "2.51", "2.52"};
    std::string path = "c:\\Keep;";
    for (const std::string& version : versions) {
        InstallEarlier(version, "E:\\Os" + version + "\\");
        path += "e:\\os" + version + "\\lib6;";
    }
    // A version that is not in the list is left alone.
    InstallEarlier("2.6", "E:\\Os2.6\\");
    path += "E:\\Os2.6\\Lib6;";
    SetSearchPath(IdeKind::Delphi, 6, path);
    EXPECT_EQ(Update(IdeKind::Delphi, 6), "c:\\Keep;E:\\Os2.6\\Lib6;D:\\Suite\\Lib6;");
}

TEST_F(LibraryPath, TwoEarlierVersionsInOneDirectoryTakeOutOneOccurrenceEach) {
    InstallEarlier("2.5", "D:\\Suite2\\");
    InstallEarlier("2.51", "D:\\Suite2\\");
    SetSearchPath(IdeKind::Delphi, 7, "D:\\Suite2\\Lib7;c:\\A;D:\\Suite2\\Lib7;c:\\B;");
    EXPECT_EQ(Update(IdeKind::Delphi, 7), "c:\\A;c:\\B;D:\\Suite\\Lib7;");
}

TEST_F(LibraryPath, CppBuilderUsesTheLibBcbEntries) {
    InstallEarlier("2.52", "D:\\Suite2\\");
    SetSearchPath(IdeKind::CppBuilder, 6, "D:\\Suite2\\Lib6;D:\\Suite2\\LibBCB6;c:\\A");
    EXPECT_EQ(Update(IdeKind::CppBuilder, 6), "D:\\Suite2\\Lib6;c:\\A;D:\\Suite\\LibBCB6;");
    // Delphi's key of the same version is not touched.
    EXPECT_FALSE(SearchPath(IdeKind::Delphi, 6).has_value());
}

TEST_F(LibraryPath, EarlierVersionWithoutDirectoryRemovesNothing) {
    // A bare "LIB7;" would cut the tail off C:\MyLib7; and off the suite's own entry.
    KitTest::CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Ostrel\\Ostrel Components\\1.5");
    InstallEarlier("2.0", "");
    SetSearchPath(IdeKind::Delphi, 7, "C:\\MyLib7;D:\\Suite\\Lib7;c:\\B;");
    EXPECT_EQ(Update(IdeKind::Delphi, 7), "C:\\MyLib7;D:\\Suite\\Lib7;c:\\B;");
}

TEST_F(LibraryPath, RemovalTakesTheWholeEntryBehindAnInnerMatch) {
    // An earlier version stored with a relative directory matches inside
    // C:\MySuite\Lib7; too; only the entry of its own goes.
    InstallEarlier("2.1", "Suite\\");
    SetSearchPath(IdeKind::Delphi, 7, "C:\\MySuite\\Lib7;Suite\\Lib7;c:\\B;");
    EXPECT_EQ(Update(IdeKind::Delphi, 7), "C:\\MySuite\\Lib7;c:\\B;D:\\Suite\\Lib7;");
    SetSearchPath(IdeKind::Delphi, 7, "C:\\MySuite\\Lib7;");
    EXPECT_EQ(Update(IdeKind::Delphi, 7), "C:\\MySuite\\Lib7;D:\\Suite\\Lib7;");
}

TEST_F(LibraryPath, UnreadableSearchPathPassesTheFailureOn) {
    KitTest::SetDword(HKEY_CURRENT_USER, IdeKey(IdeKind::Delphi, 7) + "\\Library", "Search Path", 1);
    const KitPlatform::RegistryProfile ideKey(IdeKey(IdeKind::Delphi, 7));
    EXPECT_THROW(ComponentSetup::UpdateSearchPath(TargetFor(IdeKind::Delphi, 7), ideKey),
                 KitPlatform::RegistryError);
}

}  // namespace
