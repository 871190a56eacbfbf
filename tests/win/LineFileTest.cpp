// LineFile on real files: the line rules, the open modes, buffering and the
// error codes.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/LineFile.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestFiles.h"

namespace {

using KitPlatform::InOutError;
using KitPlatform::LineFile;
using KitTest::ReadBytes;
using KitTest::WriteBytes;

// The size of LineFile's buffer: lines that straddle it meet a refill.
constexpr std::size_t kBufferSize = 64 * 1024;

void ExpectInOutError(const std::function<void()>& operation, unsigned long code) {
    try {
        operation();
        ADD_FAILURE() << "no InOutError, expected code " << code;
    } catch (const InOutError& error) {
        EXPECT_EQ(error.Code(), code) << error.what();
    }
}

// The state a file is in, seen from outside: an operation of the other
// direction, or a close, is refused with the state's own code.
void ExpectOpenForReading(LineFile& file) {
    ExpectInOutError([&] { file.WriteTextLine("x"); }, InOutError::kFileNotOpenForOutput);
}
void ExpectOpenForWriting(LineFile& file) {
    ExpectInOutError([&] { file.ReadTextLine(); }, InOutError::kFileNotOpenForInput);
}
void ExpectClosed(LineFile& file) {
    ExpectInOutError([&] { file.CloseText(); }, InOutError::kFileNotOpen);
}

class LineFileReading : public KitTest::Sandbox {
protected:
    // Writes bytes to a new file and opens it for reading.
    LineFile& Open(const std::string& bytes) {
        const std::string path = PathIn("in" + std::to_string(files_.size()) + ".txt");
        WriteBytes(path, bytes);
        files_.push_back(std::make_unique<LineFile>(path));
        files_.back()->OpenTextForReading();
        return *files_.back();
    }

private:
    std::vector<std::unique_ptr<LineFile>> files_;
};

TEST_F(LineFileReading, LfAndCrLfEndLinesAndALoneCrIsDropped) {
    LineFile& file = Open("p\r\nq\nr");
    EXPECT_EQ(file.ReadTextLine(), "p");
    EXPECT_EQ(file.ReadTextLine(), "q");
    EXPECT_FALSE(file.AtEndOfText());
    EXPECT_EQ(file.ReadTextLine(), "r");
    EXPECT_TRUE(file.AtEndOfText());

    LineFile& other = Open("x\ry\n\r\n\n");
    EXPECT_EQ(other.ReadTextLine(), "xy");
    EXPECT_FALSE(other.AtEndOfText());
    EXPECT_EQ(other.ReadTextLine(), "");
    EXPECT_EQ(other.ReadTextLine(), "");
    EXPECT_TRUE(other.AtEndOfText());
}

TEST_F(LineFileReading, LastLineWithoutBreakIsWholeAndTheNextReadIsEmpty) {
    LineFile& file = Open("first\r\nlast");
    EXPECT_EQ(file.ReadTextLine(), "first");
    EXPECT_FALSE(file.AtEndOfText());
    EXPECT_EQ(file.ReadTextLine(), "last");
    EXPECT_TRUE(file.AtEndOfText());
    EXPECT_EQ(file.ReadTextLine(), "");
    EXPECT_EQ(file.ReadTextLine(), "");
    EXPECT_TRUE(file.AtEndOfText());
    ExpectOpenForReading(file);
}

TEST_F(LineFileReading, EmptyFileIsAtItsEndAtOnce) {
    LineFile& file = Open("");
    EXPECT_TRUE(file.AtEndOfText());
    EXPECT_EQ(file.ReadTextLine(), "");
    EXPECT_TRUE(file.AtEndOfText());
}

TEST_F(LineFileReading, Byte26EndsTheFileAndNothingAfterItIsRead) {
    LineFile& file = Open("one\r\ntw\x1a" "o\r\nthree\r\n");
    EXPECT_EQ(file.ReadTextLine(), "one");
    EXPECT_FALSE(file.AtEndOfText());
    EXPECT_EQ(file.ReadTextLine(), "tw");
    EXPECT_TRUE(file.AtEndOfText());
    EXPECT_EQ(file.ReadTextLine(), "");
    EXPECT_EQ(file.ReadTextLine(), "");

    // At the start of a line: the end test sees it before any read.
    LineFile& other = Open("a\r\n\x1a" "b\r\n");
    EXPECT_EQ(other.ReadTextLine(), "a");
    EXPECT_TRUE(other.AtEndOfText());
    EXPECT_EQ(other.ReadTextLine(), "");
}

TEST_F(LineFileReading, LinesOfAnyLengthComeBackWhole) {
    const std::string line300(300, 'a');
    std::string megabyte(1 << 20, 'm');
    for (std::size_t i = 0; i < megabyte.size(); i += 4099) megabyte[i] = static_cast<char>('0' + i % 10);
    LineFile& file = Open(line300 + "\r\n" + megabyte + "\r\n" + line300);
    EXPECT_EQ(file.ReadTextLine(), line300);
    EXPECT_EQ(file.ReadTextLine(), megabyte);
    EXPECT_EQ(file.ReadTextLine(), line300);
    EXPECT_TRUE(file.AtEndOfText());
}

TEST_F(LineFileReading, LineEndsAndByte26AtTheBufferBoundary) {
    // CR is the buffer's last byte, LF the next buffer's first.
    const std::string head(kBufferSize - 1, 'h');
    LineFile& file = Open(head + "\r\nnext\r\n");
    EXPECT_EQ(file.ReadTextLine(), head);
    EXPECT_EQ(file.ReadTextLine(), "next");
    EXPECT_TRUE(file.AtEndOfText());

    // A lone CR at the boundary is dropped; the line goes on.
    LineFile& lone = Open(head + "\rtail\n");
    EXPECT_EQ(lone.ReadTextLine(), head + "tail");

    // The buffer ends exactly after a line; the end mark opens the next one.
    const std::string full(kBufferSize - 2, 'f');
    LineFile& marked = Open(full + "\r\n\x1a" "hidden\r\n");
    EXPECT_EQ(marked.ReadTextLine(), full);
    EXPECT_TRUE(marked.AtEndOfText());
    EXPECT_EQ(marked.ReadTextLine(), "");

    // The buffer ends exactly at the end of the file.
    LineFile& exact = Open(full + "\r\n");
    EXPECT_EQ(exact.ReadTextLine(), full);
    EXPECT_TRUE(exact.AtEndOfText());
}

TEST_F(LineFileReading, ManyLinesAcrossManyBuffers) {
    std::string bytes;
    std::vector<std::string> lines;
    for (int i = 0; i < 20000; ++i) {
        lines.push_back(std::string(i % 37, static_cast<char>('a' + i % 26)) + std::to_string(i));
        bytes += lines.back() + (i % 3 ? "\r\n" : "\n");
    }
    LineFile& file = Open(bytes);
    std::vector<std::string> read;
    while (!file.AtEndOfText()) read.push_back(file.ReadTextLine());
    EXPECT_EQ(read, lines);
}

class LineFileWriting : public KitTest::Sandbox {};

TEST_F(LineFileWriting, EveryLineEndsWithCrLfAndBytesPassUnchanged) {
    LineFile file(PathIn("out.txt"));
    file.CreateTextForWriting();
    ExpectOpenForWriting(file);
    file.WriteTextLine("");
    file.WriteTextLine(std::string("a\tb\xe4\x00z", 6));
    file.WriteTextLine("ends with CR\r");
    file.CloseText();
    ExpectClosed(file);
    EXPECT_EQ(ReadBytes(PathIn("out.txt")), std::string("\r\na\tb\xe4\x00z\r\nends with CR\r\r\n", 25));

    file.CreateTextForWriting();
    file.WriteTextLine("");
    file.CloseText();
    EXPECT_EQ(ReadBytes(PathIn("out.txt")), "\r\n");
}

TEST_F(LineFileWriting, OutputReachesTheFileWhenTheBufferFillsAndAtClose) {
    LineFile file(PathIn("out.txt"));
    file.CreateTextForWriting();
    file.WriteTextLine("buffered");
    EXPECT_EQ(ReadBytes(PathIn("out.txt")), "");

    std::string expected = "buffered\r\n";
    for (int i = 0; i < 30000; ++i) {
        const std::string line = std::to_string(i) + std::string(i % 61, 'w');
        file.WriteTextLine(line);
        expected += line + "\r\n";
    }
    const std::string big(3 * kBufferSize + 5, 'B');
    file.WriteTextLine(big);
    expected += big + "\r\n";
    file.WriteTextLine("tail");
    expected += "tail\r\n";
    // Full buffers are out already; the tail waits for the close.
    const auto before = ReadBytes(PathIn("out.txt"));
    ASSERT_TRUE(before.has_value());
    EXPECT_GT(before->size(), 3 * kBufferSize);
    EXPECT_LT(before->size(), expected.size());
    EXPECT_EQ(*before, expected.substr(0, before->size()));
    file.CloseText();
    EXPECT_EQ(ReadBytes(PathIn("out.txt")), expected);
}

TEST_F(LineFileWriting, CreateEmptiesAndAppendGoesAfterTheLastByte) {
    WriteBytes(PathIn("out.txt"), "old content\r\n");
    LineFile file(PathIn("out.txt"));
    file.CreateTextForWriting();
    file.CloseText();
    EXPECT_EQ(ReadBytes(PathIn("out.txt")), "");

    file.CreateTextForWriting();
    file.WriteTextLine("a");
    file.WriteTextLine("b");
    file.CloseText();
    file.OpenTextForAppending();
    ExpectOpenForWriting(file);
    file.WriteTextLine("c");
    file.CloseText();
    EXPECT_EQ(ReadBytes(PathIn("out.txt")), "a\r\nb\r\nc\r\n");

    // No line break is added ahead of the appended lines.
    WriteBytes(PathIn("open.txt"), "x");
    LineFile open(PathIn("open.txt"));
    open.OpenTextForAppending();
    open.WriteTextLine("y");
    open.CloseText();
    EXPECT_EQ(ReadBytes(PathIn("open.txt")), "xy\r\n");
}

TEST_F(LineFileWriting, OpeningAnOpenFileClosesItFirst) {
    LineFile file(PathIn("out.txt"));
    file.CreateTextForWriting();
    file.WriteTextLine("kept");
    file.OpenTextForReading();
    ExpectOpenForReading(file);
    EXPECT_EQ(file.ReadTextLine(), "kept");
    file.OpenTextForAppending();
    file.WriteTextLine("more");
    file.OpenTextForReading();
    EXPECT_EQ(file.ReadTextLine(), "kept");
    // Reopening starts again at the first byte.
    file.OpenTextForReading();
    EXPECT_EQ(file.ReadTextLine(), "kept");
    EXPECT_EQ(file.ReadTextLine(), "more");
    file.CloseText();
}

TEST_F(LineFileWriting, DestructionWritesOutAndReleasesTheFile) {
    {
        LineFile file(PathIn("out.txt"));
        file.CreateTextForWriting();
        file.WriteTextLine("left open");
    }
    EXPECT_EQ(ReadBytes(PathIn("out.txt")), "left open\r\n");
    // Nobody holds the file any more: an exclusive open succeeds.
    HANDLE handle = CreateFileA(PathIn("out.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(handle, INVALID_HANDLE_VALUE);
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    {
        LineFile reader(PathIn("out.txt"));
        reader.OpenTextForReading();
    }
    EXPECT_TRUE(DeleteFileA(PathIn("out.txt").c_str()));
}

class LineFileErrors : public KitTest::Sandbox {};

TEST_F(LineFileErrors, OperationsOutOfStateRaiseTheirCodes) {
    WriteBytes(PathIn("in.txt"), "line\r\n");
    LineFile file(PathIn("in.txt"));
    ExpectInOutError([&] { file.CloseText(); }, 103);
    ExpectInOutError([&] { file.ReadTextLine(); }, 104);
    ExpectInOutError([&] { file.AtEndOfText(); }, 104);
    ExpectInOutError([&] { file.WriteTextLine("x"); }, 105);

    file.OpenTextForReading();
    ExpectInOutError([&] { file.WriteTextLine("x"); }, 105);
    EXPECT_EQ(file.ReadTextLine(), "line");
    file.CloseText();
    ExpectInOutError([&] { file.CloseText(); }, 103);

    file.OpenTextForAppending();
    ExpectInOutError([&] { file.ReadTextLine(); }, 104);
    ExpectInOutError([&] { file.AtEndOfText(); }, 104);
    file.CloseText();
    EXPECT_EQ(ReadBytes(PathIn("in.txt")), "line\r\n");
}

TEST_F(LineFileErrors, FailedOpensRaiseThePlatformCodeAndLeaveTheFileClosed) {
    LineFile missing(PathIn("missing.txt"));
    ExpectInOutError([&] { missing.OpenTextForReading(); }, ERROR_FILE_NOT_FOUND);
    ExpectClosed(missing);
    ExpectInOutError([&] { missing.OpenTextForAppending(); }, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(KitTest::FileExists(PathIn("missing.txt")));

    LineFile noDirectory(PathIn("no-such-dir\\file.txt"));
    ExpectInOutError([&] { noDirectory.CreateTextForWriting(); }, ERROR_PATH_NOT_FOUND);

    // A failed open after a successful one still leaves the file closed.
    WriteBytes(PathIn("locked.txt"), "locked\r\n");
    KitTest::SetReadOnly(PathIn("locked.txt"), true);
    LineFile locked(PathIn("locked.txt"));
    locked.OpenTextForReading();
    ExpectInOutError([&] { locked.CreateTextForWriting(); }, ERROR_ACCESS_DENIED);
    ExpectClosed(locked);
    ExpectInOutError([&] { locked.OpenTextForAppending(); }, ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadBytes(PathIn("locked.txt")), "locked\r\n");
    KitTest::SetReadOnly(PathIn("locked.txt"), false);
}

TEST_F(LineFileErrors, OthersMayReadButNotWriteAnOpenFile) {
    WriteBytes(PathIn("shared.txt"), "shared\r\n");
    LineFile first(PathIn("shared.txt"));
    LineFile second(PathIn("shared.txt"));
    first.OpenTextForReading();
    second.OpenTextForReading();
    EXPECT_EQ(second.ReadTextLine(), "shared");
    LineFile writer(PathIn("shared.txt"));
    ExpectInOutError([&] { writer.CreateTextForWriting(); }, ERROR_SHARING_VIOLATION);
    ExpectInOutError([&] { writer.OpenTextForAppending(); }, ERROR_SHARING_VIOLATION);
    first.CloseText();
    second.CloseText();
    EXPECT_EQ(ReadBytes(PathIn("shared.txt")), "shared\r\n");

    // A file held without read sharing can't be opened even for reading.
    HANDLE handle = CreateFileA(PathIn("shared.txt").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    ExpectInOutError([&] { first.OpenTextForReading(); }, ERROR_SHARING_VIOLATION);
    CloseHandle(handle);
}

TEST_F(LineFileErrors, PathsLongerThan259CharactersAreRefused) {
    std::string base = PathIn("");
    const std::string longest = base + std::string(259 - base.size(), 'n');
    ASSERT_EQ(longest.size(), 259u);
    LineFile fits(longest);
    fits.CreateTextForWriting();
    fits.WriteTextLine("fits");
    fits.OpenTextForReading();
    EXPECT_EQ(fits.ReadTextLine(), "fits");
    fits.CloseText();

    const std::string tooLong = longest + "x";
    LineFile refused(tooLong);
    for (const auto& open : std::vector<std::function<void()>>{
             [&] { refused.CreateTextForWriting(); }, [&] { refused.OpenTextForReading(); },
             [&] { refused.OpenTextForAppending(); }}) {
        ExpectInOutError(open, ERROR_FILENAME_EXCED_RANGE);
        ExpectClosed(refused);
    }
    EXPECT_FALSE(KitTest::FileExists(tooLong));

    // A NUL inside the path would name a different file.
    LineFile cut(std::string(longest.substr(0, base.size() + 3)) + std::string("\0.bak", 5));
    ExpectInOutError([&] { cut.CreateTextForWriting(); }, ERROR_INVALID_NAME);
    EXPECT_FALSE(KitTest::FileExists(longest.substr(0, base.size() + 3)));
}

}  // namespace
