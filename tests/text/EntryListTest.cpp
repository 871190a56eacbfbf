#include "setup/text/EntryList.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace ComponentSetup;
constexpr std::size_t npos = std::string::npos;

TEST(EntryList, EndIsEnsuredButAnEmptyListStaysEmpty) {
    EXPECT_EQ(WithEntryListEnd("A50;B50"), "A50;B50;");
    EXPECT_EQ(WithEntryListEnd("A50;B50;"), "A50;B50;");
    EXPECT_EQ(WithEntryListEnd(""), "");
    EXPECT_EQ(WithEntryListEnd(";"), ";");
}

TEST(EntryList, OnlyWholeEntriesAreFound) {
    // The tail of an unrelated entry is no match; a later whole one is.
    EXPECT_EQ(FindWholeEntry("C:\\MyLIB7;", "LIB7;", EntryCase::Sensitive), npos);
    EXPECT_EQ(FindWholeEntry("C:\\MyLIB7;LIB7;", "LIB7;", EntryCase::Sensitive), 10u);
    EXPECT_EQ(FindWholeEntry("LIB7;C:\\MyLIB7;", "LIB7;", EntryCase::Sensitive), 0u);
    // Blanks after the ";" do not hide an entry.
    EXPECT_EQ(FindWholeEntry("A50; B50;", "B50;", EntryCase::Sensitive), 5u);
    EXPECT_EQ(FindWholeEntry("A50;", "", EntryCase::Sensitive), npos);
    EXPECT_EQ(FindWholeEntry("", "A50;", EntryCase::IgnoreAscii), npos);
}

TEST(EntryList, LetterCaseCountsOnlyWhenAskedTo) {
    EXPECT_EQ(FindWholeEntry("x;os30ctls50;", "Os30Ctls50;", EntryCase::Sensitive), npos);
    EXPECT_EQ(FindWholeEntry("x;os30ctls50;", "Os30Ctls50;", EntryCase::IgnoreAscii), 2u);
    // Only a to z fold: a non-ASCII letter in another case is another entry.
    EXPECT_EQ(FindWholeEntry("\xe4;", "\xc4;", EntryCase::IgnoreAscii), npos);
}

TEST(EntryList, RemovalTakesOutTheFirstWholeEntryAndKeepsTheRestAsItWas) {
    std::string list = "c:\\A;D:\\Old\\lib7;e:\\B;D:\\OLD\\LIB7;";
    EXPECT_TRUE(RemoveFirstWholeEntry(list, "D:\\OLD\\LIB7;", EntryCase::IgnoreAscii));
    EXPECT_EQ(list, "c:\\A;e:\\B;D:\\OLD\\LIB7;");

    // A match inside another entry is passed over for the whole one behind it.
    list = "MYOS20ND70;VCL70;OS20ND70;";
    EXPECT_TRUE(RemoveFirstWholeEntry(list, "OS20ND70;", EntryCase::Sensitive));
    EXPECT_EQ(list, "MYOS20ND70;VCL70;");

    list = "MYOS20ND70;VCL70;";
    EXPECT_FALSE(RemoveFirstWholeEntry(list, "OS20ND70;", EntryCase::Sensitive));
    EXPECT_EQ(list, "MYOS20ND70;VCL70;");

    list = "Os30TrialCtls70;";
    EXPECT_FALSE(RemoveFirstWholeEntry(list, "os30trialctls70;", EntryCase::Sensitive));
    EXPECT_TRUE(RemoveFirstWholeEntry(list, "os30trialctls70;", EntryCase::IgnoreAscii));
    EXPECT_EQ(list, "");
}

TEST(EntryList, AppendingSkipsAnEntryAlreadyPresentAsAWhole) {
    std::string list = "A50;B50;";
    EXPECT_TRUE(AppendEntryUnlessPresent(list, "Os30Ctls50;", EntryCase::Sensitive));
    EXPECT_EQ(list, "A50;B50;Os30Ctls50;");
    EXPECT_FALSE(AppendEntryUnlessPresent(list, "Os30Ctls50;", EntryCase::Sensitive));
    EXPECT_EQ(list, "A50;B50;Os30Ctls50;");

    list = "os30ctls50;";
    EXPECT_TRUE(AppendEntryUnlessPresent(list, "Os30Ctls50;", EntryCase::Sensitive));
    EXPECT_EQ(list, "os30ctls50;Os30Ctls50;");
    list = "os30ctls50;";
    EXPECT_FALSE(AppendEntryUnlessPresent(list, "Os30Ctls50;", EntryCase::IgnoreAscii));

    // Standing only as another entry's tail does not count as present.
    list = "MyOs30Ctls50;";
    EXPECT_TRUE(AppendEntryUnlessPresent(list, "Os30Ctls50;", EntryCase::Sensitive));
    EXPECT_EQ(list, "MyOs30Ctls50;Os30Ctls50;");

    list = "";
    EXPECT_TRUE(AppendEntryUnlessPresent(list, "Os30Ctls50;", EntryCase::Sensitive));
    EXPECT_EQ(list, "Os30Ctls50;");
}

}  // namespace
