// LineFile's line views, single-copy writes and line copies on real files: a
// view is the line ReadTextLine gives, wherever it lies against the buffer;
// written lines come out byte for byte across buffer boundaries; and copying
// the kept lines writes what reading and writing them one by one writes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
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
    } catch (const InOutError& error) {
        EXPECT_EQ(error.Code(), InOutError::kFileNotOpenForInput);
    }
    file.CreateTextForWriting();
    try {
        file.ReadTextLineView();
        ADD_FAILURE() << "a file open for writing gave a view";
    } catch (const InOutError& error) {
        EXPECT_EQ(error.Code(), InOutError::kFileNotOpenForInput);
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

// ---- CopyTextLinesTo ----------------------------------------------------------

using Keep = std::function<bool(std::string_view)>;

class LineFileCopy : public KitTest::Sandbox {
protected:
    // What out holds after "before", the kept lines of input, then "after",
    // copied one way or the other.
    std::string Copy(const std::string& input, const Keep& keep, bool oneByOne) {
        return Copy(input, KitPlatform::LineSelection{{}, keep}, oneByOne);
    }

    std::string Copy(const std::string& input, const KitPlatform::LineSelection& keep,
                     bool oneByOne) {
        const std::string name = oneByOne ? "one-by-one" : "copied";
        WriteBytes(PathIn(name + ".in"), input);
        LineFile in(PathIn(name + ".in"));
        in.OpenTextForReading();
        LineFile out(PathIn(name + ".out"));
        out.CreateTextForWriting();
        out.WriteTextLine("before");
        if (oneByOne) {
            while (!in.AtEndOfText()) {
                const std::string line = in.ReadTextLine();
                if (keep.Keeps(line)) out.WriteTextLine(line);
            }
        } else {
            in.CopyTextLinesTo(out, keep);
        }
        EXPECT_TRUE(in.AtEndOfText());
        out.WriteTextLine("after");
        in.CloseText();
        out.CloseText();
        return ReadBytes(PathIn(name + ".out")).value_or("<missing>");
    }

    void ExpectCopyAsOneByOne(const std::string& input, const Keep& keep) {
        EXPECT_EQ(Copy(input, keep, false), Copy(input, keep, true));
    }
};

const Keep kAll = [](std::string_view) { return true; };
const Keep kNoDrop = [](std::string_view line) {
    return line.find("drop") == std::string_view::npos;
};

TEST_F(LineFileCopy, KeptLinesComeOutAsReadingAndWritingThemWould) {
    EXPECT_EQ(Copy("a\r\nb\nc", kAll, false), "before\r\na\r\nb\r\nc\r\nafter\r\n");
    EXPECT_EQ(Copy("a\r\ndrop\r\nc\r\n", kNoDrop, false), "before\r\na\r\nc\r\nafter\r\n");
    ExpectCopyAsOneByOne("", kAll);
    ExpectCopyAsOneByOne("x\ry\r\n\r\n\n", kAll);
    ExpectCopyAsOneByOne("one\r\ndrop me\r\ntw\x1a" "o\r\nthree\r\n", kNoDrop);
    ExpectCopyAsOneByOne("\x1a" "nothing\r\n", kAll);
    ExpectCopyAsOneByOne("keep\r\ndrop\nkeep\ndrop\r\n\r\nlast", kNoDrop);
    ExpectCopyAsOneByOne("all\r\ndrop\r\ndrop\r\n", [](std::string_view) { return false; });
}

TEST_F(LineFileCopy, LinesAcrossTheBufferBoundaryAndEveryLineEnd) {
    for (std::size_t shift = 0; shift < 6; ++shift) {
        const std::string head(kBufferSize - 3 - shift, 'h');
        ExpectCopyAsOneByOne(head + "\r\nnext\r\nlast", kAll);
        ExpectCopyAsOneByOne("a\r\n" + head + "ab\rcd\r\ndrop\r\nafter\n", kNoDrop);
        ExpectCopyAsOneByOne(head + "\x1a" "gone\r\n", kAll);
    }
    // Lines about half the buffer long, cut by its end: the shorter ones are
    // moved to its front before the next read, the longer ones put together.
    for (std::size_t length = kBufferSize / 2 - 3; length < kBufferSize / 2 + 3; ++length) {
        std::string halves;
        for (int i = 0; halves.size() < 3 * kBufferSize; ++i) {
            halves += std::string(length - i % 2, i % 3 ? 'k' : 'd') + (i % 4 ? "\r\n" : "\n");
        }
        ExpectCopyAsOneByOne(halves, kAll);
        ExpectCopyAsOneByOne(halves + "\rtail", [](std::string_view line) {
            return line.empty() || line.front() != 'd';
        });
    }
    // Many lines, some ended by LF alone, some dropped, over several buffers.
    std::string many;
    for (int i = 0; many.size() < 3 * kBufferSize; ++i) {
        many += (i % 7 == 3 ? "drop " : "line ") + std::to_string(i) + std::string(i % 97, '.') +
                (i % 5 ? "\r\n" : "\n");
    }
    ExpectCopyAsOneByOne(many, kNoDrop);
    ExpectCopyAsOneByOne(many, kAll);
}

// Over many buffers: long runs of kept lines (written without a copy), lines
// the buffer's end cuts through, lone LFs, a lone CR, a line longer than the
// buffer, and dropped lines of the asked lengths; the selection is asked only
// about lines of those lengths, and the copy reads as one line at a time does.
TEST_F(LineFileCopy, LinesOfLengthsNotAskedAboutPassUnseenAndComeOutAsReadingLineByLine) {
    std::string input;
    std::uint64_t askLengths = 0;
    for (int i = 0; input.size() < 6 * kBufferSize; ++i) {
        std::string line = "line " + std::to_string(i) + std::string(i % 71, '.');
        if (i % 2003 == 1000) line = "drop " + std::to_string(i % 7);
        if (i % 2003 == 1500) line = std::string(kBufferSize + 100 + i % 3, 'L');
        if (i % 3001 == 2000) line += "\rlone";
        if (line.rfind("drop", 0) == 0) {
            askLengths |= std::uint64_t{1} << KitText::LineScreen::LengthBit(line.size());
        }
        input += line + (i % 97 == 5 ? "\n" : "\r\n");
    }
    input += "drop 1\r\nunended last";
    std::size_t asked = 0;
    const KitPlatform::LineSelection selection{
        {askLengths}, [&](std::string_view line) {
            ++asked;
            EXPECT_NE((askLengths >> KitText::LineScreen::LengthBit(line.size())) & 1u, 0u)
                << "asked about a line of " << line.size() << " bytes";
            return line.rfind("drop", 0) != 0;
        }};
    const std::string copied = Copy(input, selection, false);
    EXPECT_GT(asked, 0u);
    EXPECT_EQ(copied, Copy(input, selection, true));
    EXPECT_EQ(copied.find("drop"), std::string::npos);
    EXPECT_NE(copied.find(std::string(kBufferSize + 100, 'L') + "\r\nline"), std::string::npos);
}

TEST_F(LineFileCopy, BothFilesMustBeOpenTheRightWay) {
    WriteBytes(PathIn("in.txt"), "line\r\n");
    LineFile in(PathIn("in.txt"));
    LineFile out(PathIn("out.txt"));
    out.CreateTextForWriting();
    try {
        in.CopyTextLinesTo(out, kAll);
        ADD_FAILURE() << "copied from a closed file";
    } catch (const InOutError& error) {
        EXPECT_EQ(error.Code(), InOutError::kFileNotOpenForInput);
    }
    in.OpenTextForReading();
    out.CloseText();
    try {
        in.CopyTextLinesTo(out, kAll);
        ADD_FAILURE() << "copied to a closed file";
    } catch (const InOutError& error) {
        EXPECT_EQ(error.Code(), InOutError::kFileNotOpenForOutput);
    }
    // Nothing was taken from the reader.
    EXPECT_EQ(in.ReadTextLine(), "line");
}

}  // namespace
