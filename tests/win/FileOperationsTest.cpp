// The whole-file operations on real files, including targets that may not be
// replaced.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>

#include "platform/FileOperations.h"
#include "platform/LineFile.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestFiles.h"

namespace {

using KitPlatform::CopyFileOver;
using KitPlatform::IsExistingFile;
using KitPlatform::RemoveFile;
using KitPlatform::ReplaceFileContents;
using KitTest::ReadBytes;
using KitTest::WriteBytes;

class FileOperationsTest : public KitTest::Sandbox {
protected:
    // Names in the test's directory: nothing may be left behind.
    std::set<std::string> Names() const { return KitTest::NamesIn(Dir()); }
};

TEST_F(FileOperationsTest, IsExistingFileIsTrueOnlyForAnExistingFile) {
    WriteBytes(PathIn("a.txt"), "a");
    KitTest::MakeDirectories(PathIn("dir"));
    EXPECT_TRUE(IsExistingFile(PathIn("a.txt")));
    EXPECT_TRUE(IsExistingFile(PathIn("A.TXT")));
    EXPECT_FALSE(IsExistingFile(PathIn("dir")));
    EXPECT_FALSE(IsExistingFile(PathIn("missing.txt")));
    EXPECT_FALSE(IsExistingFile(PathIn("missing\\a.txt")));
    EXPECT_FALSE(IsExistingFile(""));
    // Wildcards would find a.txt under another name.
    EXPECT_FALSE(IsExistingFile(PathIn("*.txt")));
    EXPECT_FALSE(IsExistingFile(PathIn("a?txt")));
    EXPECT_FALSE(IsExistingFile(PathIn("?.txt")));
    // Neither does a NUL cut the path to a.txt.
    EXPECT_FALSE(IsExistingFile(PathIn(std::string("a.txt\0.bak", 10))));
}

TEST_F(FileOperationsTest, RemoveFileAndCopyFileOverReportTheirOutcome) {
    WriteBytes(PathIn("a.txt"), "a");
    EXPECT_TRUE(RemoveFile(PathIn("a.txt")));
    EXPECT_FALSE(KitTest::FileExists(PathIn("a.txt")));
    EXPECT_FALSE(RemoveFile(PathIn("a.txt")));
    WriteBytes(PathIn("b.txt"), "b");
    EXPECT_FALSE(RemoveFile(PathIn(std::string("b.txt\0.new", 10))));
    EXPECT_TRUE(KitTest::FileExists(PathIn("b.txt")));

    WriteBytes(PathIn("from.txt"), "new bytes");
    WriteBytes(PathIn("to.txt"), "old");
    EXPECT_TRUE(CopyFileOver(PathIn("from.txt"), PathIn("to.txt")));
    EXPECT_EQ(ReadBytes(PathIn("to.txt")), "new bytes");
    EXPECT_EQ(ReadBytes(PathIn("from.txt")), "new bytes");
    EXPECT_TRUE(CopyFileOver(PathIn("from.txt"), PathIn("fresh.txt")));
    EXPECT_EQ(ReadBytes(PathIn("fresh.txt")), "new bytes");
    EXPECT_FALSE(CopyFileOver(PathIn("missing.txt"), PathIn("to.txt")));
    EXPECT_EQ(ReadBytes(PathIn("to.txt")), "new bytes");

    WriteBytes(PathIn("locked.txt"), "locked");
    KitTest::SetReadOnly(PathIn("locked.txt"), true);
    EXPECT_FALSE(CopyFileOver(PathIn("from.txt"), PathIn("locked.txt")));
    EXPECT_EQ(ReadBytes(PathIn("locked.txt")), "locked");
    KitTest::SetReadOnly(PathIn("locked.txt"), false);
}

TEST_F(FileOperationsTest, ReplaceFileContentsPutsTheSourceBytesInPlace) {
    std::string content(1 << 20, 'c');
    for (std::size_t i = 0; i < content.size(); i += 511) content[i] = static_cast<char>(i % 251);
    WriteBytes(PathIn("Default.new"), content);
    WriteBytes(PathIn("Default.bpr"), "old project");
    EXPECT_TRUE(ReplaceFileContents(PathIn("Default.new"), PathIn("Default.bpr")));
    EXPECT_EQ(ReadBytes(PathIn("Default.bpr")), content);
    EXPECT_EQ(ReadBytes(PathIn("Default.new")), content);
    EXPECT_EQ(Names(), (std::set<std::string>{"Default.bpr", "Default.new"}));

    // A missing target is created; a read-only source doesn't lock the target.
    WriteBytes(PathIn("short.new"), "short");
    KitTest::SetReadOnly(PathIn("short.new"), true);
    EXPECT_TRUE(ReplaceFileContents(PathIn("short.new"), PathIn("created.txt")));
    EXPECT_EQ(ReadBytes(PathIn("created.txt")), "short");
    EXPECT_EQ(GetFileAttributesA(PathIn("created.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    KitTest::SetReadOnly(PathIn("short.new"), false);
    EXPECT_TRUE(ReplaceFileContents(PathIn("short.new"), PathIn("Default.bpr")));
    EXPECT_EQ(ReadBytes(PathIn("Default.bpr")), "short");
    EXPECT_EQ(Names(), (std::set<std::string>{"Default.bpr", "Default.new", "short.new",
                                              "created.txt"}));
}

TEST_F(FileOperationsTest, ReplaceFileContentsLeavesAReadOnlyTargetAlone) {
    WriteBytes(PathIn("work.new"), "new");
    WriteBytes(PathIn("D7.cnt"), "old contents");
    KitTest::SetReadOnly(PathIn("D7.cnt"), true);
    EXPECT_FALSE(ReplaceFileContents(PathIn("work.new"), PathIn("D7.cnt")));
    EXPECT_EQ(ReadBytes(PathIn("D7.cnt")), "old contents");
    EXPECT_NE(GetFileAttributesA(PathIn("D7.cnt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(Names(), (std::set<std::string>{"D7.cnt", "work.new"}));
    KitTest::SetReadOnly(PathIn("D7.cnt"), false);
}

TEST_F(FileOperationsTest, ReplaceFileContentsLeavesAHeldTargetAlone) {
    WriteBytes(PathIn("work.new"), "new");
    WriteBytes(PathIn("D7.ohi"), "old index");
    {
        // Held open for reading, shared for reading only.
        HANDLE held = CreateFileA(PathIn("D7.ohi").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(ReplaceFileContents(PathIn("work.new"), PathIn("D7.ohi")));
        CloseHandle(held);
        EXPECT_EQ(ReadBytes(PathIn("D7.ohi")), "old index");
        EXPECT_EQ(Names(), (std::set<std::string>{"D7.ohi", "work.new"}));
    }
    {
        // Held open by a reader that shares writing, but not deletion.
        HANDLE held = CreateFileA(PathIn("D7.ohi").c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(ReplaceFileContents(PathIn("work.new"), PathIn("D7.ohi")));
        CloseHandle(held);
        EXPECT_EQ(ReadBytes(PathIn("D7.ohi")), "old index");
        EXPECT_EQ(Names(), (std::set<std::string>{"D7.ohi", "work.new"}));
    }
    {
        KitPlatform::LineFile reader(PathIn("D7.ohi"));
        reader.OpenTextForReading();
        EXPECT_FALSE(ReplaceFileContents(PathIn("work.new"), PathIn("D7.ohi")));
        EXPECT_EQ(reader.ReadTextLine(), "old index");
    }
    EXPECT_EQ(ReadBytes(PathIn("D7.ohi")), "old index");
    // Released, it is replaced.
    EXPECT_TRUE(ReplaceFileContents(PathIn("work.new"), PathIn("D7.ohi")));
    EXPECT_EQ(ReadBytes(PathIn("D7.ohi")), "new");
}

TEST_F(FileOperationsTest, ReplaceFileContentsFailsCleanlyWithoutASource) {
    WriteBytes(PathIn("D7.ohl"), "old links");
    KitTest::MakeDirectories(PathIn("dir"));
    EXPECT_FALSE(ReplaceFileContents(PathIn("missing.new"), PathIn("D7.ohl")));
    EXPECT_FALSE(ReplaceFileContents(PathIn("D7.ohl"), PathIn("dir")));
    EXPECT_FALSE(ReplaceFileContents(PathIn("D7.ohl"), PathIn("missing\\D7.ohl")));
    EXPECT_EQ(ReadBytes(PathIn("D7.ohl")), "old links");
    EXPECT_EQ(Names(), (std::set<std::string>{"D7.ohl", "dir"}));
}

}  // namespace
