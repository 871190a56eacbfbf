#include "setup/text/InstallRequest.h"

#include <gtest/gtest.h>

namespace {

using ComponentSetup::IdeKind;
using ComponentSetup::ParseInstallRequest;

TEST(InstallRequest, KindVersionAndEditionFollowTheText) {
    const auto d7 = ParseInstallRequest("D7");
    ASSERT_TRUE(d7);
    EXPECT_EQ(d7->Kind, IdeKind::Delphi);
    EXPECT_EQ(d7->MajorVersion, 7);
    EXPECT_FALSE(d7->TrialEdition);

    const auto c6t = ParseInstallRequest("C6T");
    ASSERT_TRUE(c6t);
    EXPECT_EQ(c6t->Kind, IdeKind::CppBuilder);
    EXPECT_EQ(c6t->MajorVersion, 6);
    EXPECT_TRUE(c6t->TrialEdition);
}

TEST(InstallRequest, OnlyAnUpperCaseDSelectsDelphi) {
    EXPECT_EQ(ParseInstallRequest("d7")->Kind, IdeKind::CppBuilder);
    EXPECT_EQ(ParseInstallRequest("X5")->Kind, IdeKind::CppBuilder);
}

TEST(InstallRequest, OnlyExactlyThreeCharactersSelectTheTrialEdition) {
    EXPECT_TRUE(ParseInstallRequest("D5x")->TrialEdition);
    EXPECT_FALSE(ParseInstallRequest("D7XY")->TrialEdition);
    EXPECT_FALSE(ParseInstallRequest("D7")->TrialEdition);
}

TEST(InstallRequest, AnyDigitIsAVersion) {
    EXPECT_EQ(ParseInstallRequest("D0")->MajorVersion, 0);
    EXPECT_EQ(ParseInstallRequest("C9")->MajorVersion, 9);
}

TEST(InstallRequest, TextsThatNameNoVersionAreRefused) {
    EXPECT_FALSE(ParseInstallRequest(""));
    EXPECT_FALSE(ParseInstallRequest("D"));
    EXPECT_FALSE(ParseInstallRequest("DX"));
    EXPECT_FALSE(ParseInstallRequest("D/"));
    EXPECT_FALSE(ParseInstallRequest("D:"));
    EXPECT_FALSE(ParseInstallRequest(std::string_view("D\0", 2)));
}

}  // namespace
