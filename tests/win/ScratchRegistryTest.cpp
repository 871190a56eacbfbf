// No test may touch the IDE keys of the machine it runs on: the test process
// sees both registry roots redirected to its own scratch keys, KitSetup.dll
// loaded into it included, and the work that cannot be redirected (a child
// process on the real roots) is refused outside the build's Wine prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/BuildPrefix.h"
#include "tests/support/KitSetupDll.h"
#include "tests/support/Sandbox.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestRegistry.h"

namespace {

using namespace KitTest;

const std::string kProbeKey = "SOFTWARE\\KitSetup Isolation Probe";

class ScratchRegistryTest : public Sandbox {
protected:
    void SetUp() override {
        Sandbox::SetUp();
        scratch_ = ScratchRegistry::Current();
        ASSERT_NE(scratch_, nullptr) << "the test program runs without a redirection";
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kProbeKey);
        DeleteKeyTree(HKEY_CURRENT_USER, kProbeKey);
    }
    void TearDown() override {
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kProbeKey);
        DeleteKeyTree(HKEY_CURRENT_USER, kProbeKey);
        Sandbox::TearDown();
    }
    // Where a path below a redirected root really is, below the real
    // HKEY_CURRENT_USER; read only while the real roots are back.
    std::string InScratch(const char* root, const std::string& path) const {
        return scratch_->Path() + "\\" + root + "\\" + path;
    }

    ScratchRegistry* scratch_ = nullptr;
};

TEST_F(ScratchRegistryTest, TheScratchKeyLiesBelowTheTestOnlyPath) {
    EXPECT_EQ(scratch_->Path().rfind(std::string(ScratchRegistry::kParentPath) + "\\", 0), 0u)
        << scratch_->Path();
}

TEST_F(ScratchRegistryTest, AValueWrittenThroughEitherRootLandsInTheScratchKeyAlone) {
    SetString(HKEY_LOCAL_MACHINE, kProbeKey, "Written", "through the machine root");
    SetString(HKEY_CURRENT_USER, kProbeKey, "Written", "through the user root");
    ASSERT_EQ(ReadString(HKEY_LOCAL_MACHINE, kProbeKey, "Written"), "through the machine root");

    ScratchRegistry::RealRootsScope real(*scratch_);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, InScratch("HKLM", kProbeKey), "Written"),
              "through the machine root");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, InScratch("HKCU", kProbeKey), "Written"),
              "through the user root");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProbeKey));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProbeKey));
}

TEST_F(ScratchRegistryTest, TheLoadedDllReadsAndWritesTheScratchKeys) {
    const std::string delphi7 = "SOFTWARE\\Borland\\Delphi\\7.0";
    const std::string suiteDir = "D:\\Isolation Probe Suite\\";
    SetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", suiteDir);
    SetString(HKEY_LOCAL_MACHINE, delphi7, "RootDir", PathIn("Delphi7"));
    SetString(HKEY_LOCAL_MACHINE, delphi7, "Version", "PRO");
    const std::string knownPackages = delphi7 + "\\Known Packages";
    const std::string registered = suiteDir + "Bin\\Os30Ctls_Dsgn70.bpl";

    EXPECT_EQ(KitSetupDll().Call("D7").result, 0);
    ASSERT_TRUE(ReadString(HKEY_CURRENT_USER, knownPackages, registered).has_value());

    ScratchRegistry::RealRootsScope real(*scratch_);
    EXPECT_TRUE(
        ReadString(HKEY_CURRENT_USER, InScratch("HKCU", knownPackages), registered).has_value());
    EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, knownPackages, registered).has_value());
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir") == suiteDir);
}

TEST_F(ScratchRegistryTest, TheRealRootsComeBackOnlyForTheirScope) {
    {
        ScratchRegistry::RealRootsScope real(*scratch_);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, InScratch("HKLM", kProbeKey)));
    }
    SetString(HKEY_LOCAL_MACHINE, kProbeKey, "Written", "after the scope");
    ScratchRegistry::RealRootsScope real(*scratch_);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, InScratch("HKLM", kProbeKey)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProbeKey));
}

TEST_F(ScratchRegistryTest, TheGuardAcceptsOnlyWineWithTheBuildsMarker) {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const HMODULE notWine = GetModuleHandleA("kernel32.dll");  // no wine_get_version
    const std::string marker = PathIn("marker.txt");
    WriteBytes(marker, "a marked prefix");

    EXPECT_TRUE(IsWineNtdll(ntdll));
    EXPECT_FALSE(IsWineNtdll(notWine));
    EXPECT_EQ(OutsideBuildPrefixReason(ntdll, marker), "");
    EXPECT_NE(OutsideBuildPrefixReason(notWine, marker), "");
    EXPECT_NE(OutsideBuildPrefixReason(ntdll, PathIn("no-marker.txt")), "");
    EXPECT_NE(OutsideBuildPrefixReason(ntdll, Dir()), "") << "a directory is no marker";
    // This program runs in the prefix the build made and marked.
    EXPECT_EQ(OutsideBuildPrefixReason(), "");
}

}  // namespace
