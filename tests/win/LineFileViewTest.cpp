// LineFile's line views and single-copy writes on real files: a view is the
// line ReadTextLine gives, wherever it lies against the buffer, and written
// lines come out byte for byte across buffer boundaries.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/LineFile.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestFiles.h"

namespace {

using KitPlatform::EInOutError;
using KitPlatform::LineFile;
using KitTest::ReadBytes;
using KitTest::WriteBytes;

// The size of LineFile's buffer: lines that straddle it meet a refill.
constexpr std::size_t kBufferSize = 64 * 1024;

class LineFileView : public KitTest::Sandbox {
protected:
    // Every line until the end of the file, read one way or the other.
    std::vector<std::string> ReadAll(const std::string& bytes, bool views) {
        const std::string path = PathIn(views ? "views.txt" : "lines.txt");
        WriteBytes(path, bytes);
        LineFile file(path);
        file.OpenTextForReading();
        std::vector<std::string> lines;
        while (!file.AtEndOfText()) {
            lines.emplace_back(views ? std::string(file.ReadTextLineView()) : file.ReadTextLine());
        }
        // At the end a view is empty, as a read line is.
        EXPECT_EQ(file.ReadTextLineView(), "");
        file.CloseText();
        return lines;
    }

    void ExpectViewsReadAsLines(const std::string& bytes) {
        const std::vector<std::string> lines = ReadAll(bytes, false);
        EXPECT_EQ(ReadAll(bytes, true), lines);
    }
};

TEST_F(LineFileView, ViewsAreTheLinesReadTextLineGives) {
    ExpectViewsReadAsLines("p\r\nq\nr");
    ExpectViewsReadAsLines("x\ry\n\r\n\n");
    ExpectViewsReadAsLines("one\r\ntw\x1a" "o\r\nthree\r\n");
    ExpectViewsReadAsLines("");
    ExpectViewsReadAsLines("\x80\xff\t\x01 high and low bytes\r\n\x19\x1b\r\n");
}

TEST_F(LineFileView, ViewsAcrossTheBufferBoundary) {
    // Lines of every length around the boundary: the line that straddles it,
    // a CR LF split by it, a lone CR just before it and the end mark at it.
    for (std::size_t shift = 0; shift < 6; ++shift) {
        const std::string head(kBufferSize - 3 - shift, 'h');
        ExpectViewsReadAsLines(head + "\r\nnext\r\nlast");
        ExpectViewsReadAsLines(head + "ab\rcd\r\nafter\n");
        ExpectViewsReadAsLines(head + "\x1a" "gone\r\n");
    }
    std::string many;
    for (int i = 0; many.size() < 3 * kBufferSize; ++i) {
        many += "line " + std::to_string(i) + std::string(i % 97, '.') + (i % 3 ? "\r\n" : "\n");
    }
    ExpectViewsReadAsLines(many);
}

TEST_F(LineFileView, AViewLastsUntilTheNextOperation) {
    WriteBytes(PathIn("in.txt"), "first\r\nsecond\r\n");
    LineFile file(PathIn("in.txt"));
    file.OpenTextForReading();
    const std::string_view first = file.ReadTextLineView();
    EXPECT_EQ(first, "first");
    EXPECT_FALSE(file.AtEndOfText());
    EXPECT_EQ(file.ReadTextLineView(), "second");
    EXPECT_TRUE(file.AtEndOfText());
}

TEST_F(LineFileView, AViewNeedsAFileOpenForReading) {
    LineFile file(PathIn("out.txt"));
    try {
        file.ReadTextLineView();
        ADD_FAILURE() << "a closed file gave a view";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.Code(), EInOutError::kFileNotOpenForInput);
    }
    file.CreateTextForWriting();
    try {
        file.ReadTextLineView();
        ADD_FAILURE() << "a file open for writing gave a view";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.Code(), EInOutError::kFileNotOpenForInput);
    }
}

TEST_F(LineFileView, WrittenLinesComeOutWholeAcrossTheBufferBoundary) {
    // Lines that end exactly at the boundary, one byte before and after it,
    // a CR LF split by it, and lines longer than the buffer.
    std::vector<std::string> lines;
    std::string expected;
    for (std::size_t fill : {kBufferSize - 2, kBufferSize - 1, kBufferSize, kBufferSize + 1}) {
        lines.push_back(std::string(fill, 'f'));
        lines.push_back("");
        lines.push_back("short");
    }
    lines.push_back(std::string(3 * kBufferSize + 5, 'L'));
    for (int i = 0; i < 5000; ++i) lines.push_back("entry " + std::to_string(i));
    for (const std::string& line : lines) expected += line + "\r\n";

    LineFile file(PathIn("written.txt"));
    file.CreateTextForWriting();
    for (const std::string& line : lines) file.WriteTextLine(line);
    file.CloseText();
    EXPECT_EQ(ReadBytes(PathIn("written.txt")), expected);
}

}  // namespace
