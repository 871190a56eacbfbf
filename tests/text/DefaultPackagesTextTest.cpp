#include "setup/text/DefaultPackagesText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using namespace ComponentSetup;

TEST(DefaultPackagesText, RemovalNeedsTheWholeEntryInItsOwnCase) {
    // The ";" ensured first lets an entry standing last without one be found.
    EXPECT_EQ(WithoutDefaultPackage("X50;OSLPND50", "OSLPND50;"), std::optional<std::string>("X50;"));
    EXPECT_EQ(WithoutDefaultPackage("OS252N60;Vcl60;OS252N60;", "OS252N60;"),
              std::optional<std::string>("Vcl60;OS252N60;"));
    // Not there: nothing to write, not even the ";".
    EXPECT_EQ(WithoutDefaultPackage("A50;B50", "OSLPND50;"), std::nullopt);
    EXPECT_EQ(WithoutDefaultPackage("oslpnd50;", "OSLPND50;"), std::nullopt);
    // Another package whose name ends the same way is not cut.
    EXPECT_EQ(WithoutDefaultPackage("MYOS20ND70;Vcl70", "OS20ND70;"), std::nullopt);
    EXPECT_EQ(WithoutDefaultPackage("", "OS20ND70;"), std::nullopt);
}

TEST(DefaultPackagesText, AddingAppendsBehindAnEnsuredSemicolonUnlessPresent) {
    EXPECT_EQ(WithDefaultPackage("A50;B50", "Os30Ctls50;"),
              std::optional<std::string>("A50;B50;Os30Ctls50;"));
    EXPECT_EQ(WithDefaultPackage("A50;Os30Ctls50;B50", "Os30Ctls50;"), std::nullopt);
    EXPECT_EQ(WithDefaultPackage("os30ctls50;", "Os30Ctls50;"),
              std::optional<std::string>("os30ctls50;Os30Ctls50;"));
    EXPECT_EQ(WithDefaultPackage("MyOs30Ctls50;", "Os30Ctls50;"),
              std::optional<std::string>("MyOs30Ctls50;Os30Ctls50;"));
    EXPECT_EQ(WithDefaultPackage("", "Os30Ctls50;"), std::optional<std::string>("Os30Ctls50;"));
}

}  // namespace
