#include "setup/text/SearchPathText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace ComponentSetup;

const std::string kCurrent = "D:\\Suite\\Lib7;";

TEST(SearchPathText, EntriesJoinTheDirectoryTheLibraryFolderAndTheVersion) {
    EXPECT_EQ(LibraryDirEntry("D:\\Suite\\", IdeKind::Delphi, 7), "D:\\Suite\\Lib7;");
    EXPECT_EQ(LibraryDirEntry("d:\\suite\\", IdeKind::CppBuilder, 6), "d:\\suite\\LibBCB6;");
    EXPECT_EQ(EarlierLibraryDirEntry("d:\\suite2\\", IdeKind::Delphi, 6), "D:\\SUITE2\\LIB6;");
    EXPECT_EQ(EarlierLibraryDirEntry("d:\\suite2\\", IdeKind::CppBuilder, 5),
              "D:\\SUITE2\\LIBBCB5;");
    // Without a directory there is nothing of that version to look for.
    EXPECT_EQ(EarlierLibraryDirEntry("", IdeKind::Delphi, 7), "");
}

TEST(SearchPathText, TheCurrentEntryIsAppendedBehindAnEnsuredSemicolon) {
    EXPECT_EQ(EditSearchPath("D:\\Libs;D:\\Old\\Lib7", {}, kCurrent),
              "D:\\Libs;D:\\Old\\Lib7;D:\\Suite\\Lib7;");
    // Present in another case: not appended, the ";" still ensured.
    EXPECT_EQ(EditSearchPath("D:\\Libs;d:\\suite\\lib7", {}, kCurrent), "D:\\Libs;d:\\suite\\lib7;");
    // Nothing there yet: just the entry, no leading ";".
    EXPECT_EQ(EditSearchPath("", {}, kCurrent), kCurrent);
}

TEST(SearchPathText, EarlierEntriesGoWhateverTheirCaseAndTheRestKeepsItsCase) {
    EXPECT_EQ(EditSearchPath("c:\\A;d:\\suite2\\Lib7;c:\\B", {"D:\\SUITE2\\LIB7;"}, kCurrent),
              "c:\\A;c:\\B;D:\\Suite\\Lib7;");
    // Standing last without ";" it is still found.
    EXPECT_EQ(EditSearchPath("c:\\A;D:\\Suite2\\Lib7", {"D:\\SUITE2\\LIB7;"}, kCurrent),
              "c:\\A;D:\\Suite\\Lib7;");
    // An earlier version in the current directory: taken out, put back last.
    EXPECT_EQ(EditSearchPath("D:\\Suite\\Lib7;c:\\A;", {"D:\\SUITE\\LIB7;"}, kCurrent),
              "c:\\A;D:\\Suite\\Lib7;");
}

TEST(SearchPathText, EachEarlierVersionRemovesOneOccurrenceOfWhatTheOthersLeft) {
    const std::string twice = "D:\\S2\\Lib7;c:\\A;D:\\S2\\Lib7;";
    EXPECT_EQ(EditSearchPath(twice, {"D:\\S2\\LIB7;"}, kCurrent),
              "c:\\A;D:\\S2\\Lib7;D:\\Suite\\Lib7;");
    // Two versions installed in one directory take out one each.
    EXPECT_EQ(EditSearchPath(twice, {"D:\\S2\\LIB7;", "D:\\S2\\LIB7;"}, kCurrent),
              "c:\\A;D:\\Suite\\Lib7;");
}

TEST(SearchPathText, NeverCutsIntoAnotherEntry) {
    // A relative "Suite\" would match inside C:\MySuite\Lib7; the whole entry
    // behind it is the one to go.
    EXPECT_EQ(EditSearchPath("C:\\MySuite\\Lib7;Suite\\Lib7;", {"SUITE\\LIB7;"}, kCurrent),
              "C:\\MySuite\\Lib7;D:\\Suite\\Lib7;");
    EXPECT_EQ(EditSearchPath("C:\\MySuite\\Lib7;", {"SUITE\\LIB7;", ""}, kCurrent),
              "C:\\MySuite\\Lib7;D:\\Suite\\Lib7;");
}

}  // namespace
