#include "setup/text/DefaultPackagesText.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

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

// What a profile file hands back of a value written to it: blanks and control
// bytes at its ends dropped, then one pair of quotation marks around it.
std::string ReadBack(std::string value) {
    while (!value.empty() && static_cast<unsigned char>(value.front()) <= ' ') value.erase(0, 1);
    while (!value.empty() && static_cast<unsigned char>(value.back()) <= ' ') value.pop_back();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

// The edits one at a time, each written and read back, as the profile
// functions would see them.
std::string EditStepByStep(std::string packages, const std::vector<std::string>& removeEntries,
                           const std::vector<std::string>& addEntries) {
    for (const std::string& entry : removeEntries) {
        if (auto edited = WithoutDefaultPackage(packages, entry)) packages = ReadBack(*edited);
    }
    for (const std::string& entry : addEntries) {
        if (auto edited = WithDefaultPackage(packages, entry)) packages = ReadBack(*edited);
    }
    return packages;
}

TEST(DefaultPackagesText, OneWriteOfTheEditedListLeavesWhatWritingEachEditWould) {
    const std::vector<std::string> removeEntries = {"OSLPND70;", "OS252N70;", "Os30TrialCtls70;"};
    const std::vector<std::string> addEntries = {"Os30Ctls70;", "Os30DBCtls70;"};
    const std::vector<std::string> pieces = {"OSLPND70",  "OS252N70", "Os30TrialCtls70",
                                             "Os30Ctls70", "Vcl70",    "rtl70",
                                             " Indy70",   "\"Q70",    "x\xe9" "70",
                                             "",          "os30ctls70"};
    std::mt19937 random(14);
    for (int round = 0; round < 3000; ++round) {
        std::string packages;
        const int count = static_cast<int>(random() % 6);
        for (int i = 0; i < count; ++i) {
            packages += pieces[random() % pieces.size()];
            if (i + 1 < count || random() % 2) packages += ';';
        }
        const DefaultPackagesEdit edit = EditDefaultPackages(packages, removeEntries, addEntries);
        const std::string stepByStep = EditStepByStep(packages, removeEntries, addEntries);
        SCOPED_TRACE(packages);
        EXPECT_EQ(edit.Changed, stepByStep != packages || edit.Packages != packages);
        if (edit.OneWriteSuffices) EXPECT_EQ(edit.Packages, stepByStep);
        if (!edit.Changed) EXPECT_EQ(edit.Packages, packages);
    }
}

TEST(DefaultPackagesText, OnlyPlainAsciiThatStartsWithANameReadsBackAsWritten) {
    EXPECT_TRUE(ReadsBackAsWritten(""));
    EXPECT_TRUE(ReadsBackAsWritten("Vcl70;Os30Ctls70;"));
    EXPECT_FALSE(ReadsBackAsWritten(" Vcl70;"));
    EXPECT_FALSE(ReadsBackAsWritten("\"Vcl70;\""));
    EXPECT_FALSE(ReadsBackAsWritten("'Vcl70;"));
    EXPECT_FALSE(ReadsBackAsWritten("Vcl70;\r\nX=1"));
    EXPECT_FALSE(ReadsBackAsWritten("x\xe9" "70;"));
    EXPECT_FALSE(ReadsBackAsWritten("Vcl70; "));
    // A removal that leaves a blank in front is written through the profile
    // functions one edit at a time.
    EXPECT_FALSE(EditDefaultPackages("OSLPND70; Vcl70;", {"OSLPND70;"}, {}).OneWriteSuffices);
    EXPECT_TRUE(EditDefaultPackages("Vcl70;OSLPND70;", {"OSLPND70;"}, {"Os30Ctls70;"})
                    .OneWriteSuffices);
}

}  // namespace
