// ReadFilePrefix on real files: how much of a file it hands out, and its
// failures.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/WholeFile.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestFiles.h"

namespace {

using KitPlatform::InOutError;
using KitPlatform::ReadFilePrefix;
using KitTest::WriteBytes;
using namespace std::string_literals;

// Bytes that differ from one position to the next, so a piece read from the
// wrong place or twice shows.
std::string NumberedBytes(std::size_t count) {
    std::string bytes;
    for (std::size_t i = 0; bytes.size() < count; ++i) bytes += std::to_string(i) + ",";
    bytes.resize(count);
    return bytes;
}

class FilePrefix : public KitTest::Sandbox {};

TEST_F(FilePrefix, AShorterFileComesBackWhole) {
    // Every byte as it is: no line rules, no end mark, a NUL kept.
    const std::string bytes = "<?xml version='1.0'?>\r\n\x1a\0tail\r\n"s;
    WriteBytes(PathIn("short.bpr"), bytes);
    EXPECT_EQ(ReadFilePrefix(PathIn("short.bpr"), 64 * 1024), bytes);
    WriteBytes(PathIn("empty.bpr"), "");
    EXPECT_EQ(ReadFilePrefix(PathIn("empty.bpr"), 64 * 1024), "");
}

TEST_F(FilePrefix, ALongerFileIsCutAtTheLimitAcrossReads) {
    const std::string bytes = NumberedBytes(300 * 1024);
    WriteBytes(PathIn("long.bpr"), bytes);
    EXPECT_EQ(ReadFilePrefix(PathIn("long.bpr"), 64 * 1024), bytes.substr(0, 64 * 1024));
    // More than one read's worth, ending inside a read.
    EXPECT_EQ(ReadFilePrefix(PathIn("long.bpr"), 150001), bytes.substr(0, 150001));
    EXPECT_EQ(ReadFilePrefix(PathIn("long.bpr"), 0), "");
}

TEST_F(FilePrefix, AMissingFileRaisesWithThePlatformsCode) {
    try {
        ReadFilePrefix(PathIn("missing.bpr"), 16);
        ADD_FAILURE() << "no InOutError for a missing file";
    } catch (const InOutError& error) {
        EXPECT_EQ(error.Code(), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND)) << error.what();
    }
}

}  // namespace
