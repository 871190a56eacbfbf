// The one set of rules the file accessors apply before a path reaches a file
// function, and the one way they open a file.
#include "platform/DiskFile.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "platform/InOutError.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestFiles.h"

namespace {

using KitPlatform::InOutError;
using KitPlatform::OpenDiskFile;

unsigned long CodeOf(const std::string& path, DWORD access, DWORD disposition) {
    try {
        OpenDiskFile(path, access, disposition);
    } catch (const InOutError& e) {
        return e.Code();
    }
    return 0;
}

class DiskFile : public KitTest::Sandbox {};

TEST_F(DiskFile, PathsUpTo259CharactersWithoutNulArePassedOn) {
    EXPECT_EQ(KitPlatform::FilePathProblem(std::string(259, 'a')), 0u);
    EXPECT_EQ(KitPlatform::FilePathProblem(std::string(260, 'a')),
              static_cast<unsigned long>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(KitPlatform::FilePathProblem(std::string("C:\\a\0b", 6)),
              static_cast<unsigned long>(ERROR_INVALID_NAME));
    EXPECT_EQ(CodeOf(std::string(260, 'a'), GENERIC_READ, OPEN_EXISTING),
              static_cast<unsigned long>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(CodeOf(PathIn("x") + std::string(1, '\0') + "y", GENERIC_WRITE, CREATE_ALWAYS),
              static_cast<unsigned long>(ERROR_INVALID_NAME));
    EXPECT_FALSE(KitTest::FileExists(PathIn("x")));
}

TEST_F(DiskFile, AReadOnlyFileOpensForReadingButNeverForWriting) {
    const std::string path = PathIn("locked.txt");
    KitTest::WriteBytes(path, "kept");
    KitTest::SetReadOnly(path, true);
    EXPECT_TRUE(KitPlatform::IsReadOnlyFile(path));
    EXPECT_EQ(CodeOf(path, GENERIC_READ, OPEN_EXISTING), 0u);
    EXPECT_EQ(CodeOf(path, GENERIC_WRITE, CREATE_ALWAYS),
              static_cast<unsigned long>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CodeOf(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING),
              static_cast<unsigned long>(ERROR_ACCESS_DENIED));
    KitTest::SetReadOnly(path, false);
    EXPECT_FALSE(KitPlatform::IsReadOnlyFile(path));
    EXPECT_EQ(KitTest::ReadBytes(path), std::optional<std::string>("kept"));
}

TEST_F(DiskFile, OnlyDiskFilesAreAcceptedWhateverTheMode) {
    EXPECT_EQ(CodeOf("NUL", GENERIC_READ, OPEN_EXISTING), InOutError::kFileNotOpenForInput);
    EXPECT_EQ(CodeOf("NUL", GENERIC_WRITE, CREATE_ALWAYS), InOutError::kFileNotOpenForOutput);
    EXPECT_EQ(CodeOf(PathIn("missing.txt"), GENERIC_READ, OPEN_EXISTING),
              static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(CodeOf(PathIn("new.txt"), GENERIC_WRITE, CREATE_ALWAYS), 0u);
    EXPECT_TRUE(KitTest::FileExists(PathIn("new.txt")));
}

}  // namespace
