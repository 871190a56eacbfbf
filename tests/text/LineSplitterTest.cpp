#include "platform/text/LineSplitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using KitText::LineSplitter;

// Feeds input in chunks of chunkSize bytes, the way a file is read through a
// buffer, and collects every line up to the end of the text.
std::vector<std::string> SplitInChunks(const std::string& input, std::size_t chunkSize) {
    LineSplitter splitter;
    std::vector<std::string> lines;
    std::size_t offset = 0;
    while (!splitter.Ended()) {
        while (!splitter.LineReady()) {
            if (offset == input.size()) {
                splitter.EndInput();
                break;
            }
            const std::size_t size = std::min(chunkSize, input.size() - offset);
            std::size_t chunkOffset = 0;
            // A chunk may hold several lines: keep feeding what the splitter left.
            while (chunkOffset < size && !splitter.LineReady()) {
                const std::size_t taken =
                    splitter.Feed(std::string_view(input).substr(offset + chunkOffset,
                                                                 size - chunkOffset));
                if (taken == 0) {
                    ADD_FAILURE() << "nothing taken while no line was ready";
                    return lines;
                }
                chunkOffset += taken;
            }
            offset += chunkOffset;
        }
        lines.push_back(splitter.TakeLine());
    }
    return lines;
}

// Every chunking gives the lines that one chunk gives: a boundary inside
// CR LF, right after a CR or right before byte 26 changes nothing.
void ExpectLinesForEveryChunking(const std::string& input, const std::vector<std::string>& lines) {
    for (std::size_t chunk = 1; chunk <= input.size() + 1; ++chunk) {
        EXPECT_EQ(SplitInChunks(input, chunk), lines) << "chunk size " << chunk;
    }
}

TEST(LineSplitter, LfAndCrLfEndLinesAndALoneCrIsDropped) {
    // The last line is followed by the empty read at the end of the input.
    ExpectLinesForEveryChunking("p\r\nq\nr", {"p", "q", "r"});
    ExpectLinesForEveryChunking("x\ry\n", {"xy", ""});
    ExpectLinesForEveryChunking("a\r\r\nb\r", {"a", "b"});
    ExpectLinesForEveryChunking("\n\r\n\n", {"", "", "", ""});
    ExpectLinesForEveryChunking("", {""});
    // LF CR is not a line end pair: the CR after the LF is dropped.
    ExpectLinesForEveryChunking("a\n\rb\n", {"a", "b", ""});
}

TEST(LineSplitter, Byte26EndsTheTextAndNothingAfterItIsTaken) {
    ExpectLinesForEveryChunking("ab\x1a" "cd\nef\n", {"ab"});
    ExpectLinesForEveryChunking("ab\n\x1a" "cd\n", {"ab", ""});
    ExpectLinesForEveryChunking("\x1a\n", {""});

    LineSplitter splitter;
    EXPECT_EQ(splitter.Feed("ab\x1a" "cd"), 3u);
    EXPECT_TRUE(splitter.Ended());
    EXPECT_EQ(splitter.Feed("more"), 0u);
    EXPECT_EQ(splitter.TakeLine(), "ab");
    EXPECT_TRUE(splitter.LineReady());
    EXPECT_EQ(splitter.TakeLine(), "");
}

TEST(LineSplitter, FeedStopsAfterTheFirstLineEnd) {
    LineSplitter splitter;
    EXPECT_EQ(splitter.Feed("one\r\ntwo\n"), 5u);
    EXPECT_TRUE(splitter.LineReady());
    // Nothing more is taken until the waiting line is handed out.
    EXPECT_EQ(splitter.Feed("two\n"), 0u);
    EXPECT_EQ(splitter.TakeLine(), "one");
    EXPECT_FALSE(splitter.LineReady());
    EXPECT_EQ(splitter.Feed("tw"), 2u);
    EXPECT_FALSE(splitter.LineReady());
    EXPECT_EQ(splitter.Feed("o\r"), 2u);
    EXPECT_FALSE(splitter.LineReady());
    EXPECT_EQ(splitter.Feed("\n"), 1u);
    EXPECT_EQ(splitter.TakeLine(), "two");
}

TEST(LineSplitter, LinesHaveNoLengthLimitAndKeepEveryOtherByte) {
    std::string longLine(300000, 'x');
    for (std::size_t i = 0; i < longLine.size(); i += 977) longLine[i] = static_cast<char>(i % 9 + 1);
    ExpectLinesForEveryChunking(std::string("\t\x00\xff\x7f\x1b\n", 6),
                                {std::string("\t\x00\xff\x7f\x1b", 5), ""});
    EXPECT_EQ(SplitInChunks(longLine + "\r\nz", 4096),
              (std::vector<std::string>{longLine, "z"}));
    EXPECT_EQ(SplitInChunks(longLine + "\r\nz", 65536),
              (std::vector<std::string>{longLine, "z"}));
}

TEST(LineSplitter, AtEndLooksAheadWithoutConsuming) {
    LineSplitter splitter;
    EXPECT_FALSE(splitter.AtEnd("a"));
    EXPECT_TRUE(splitter.AtEnd("\x1a" "a"));
    EXPECT_TRUE(splitter.AtEnd(""));
    // A CR is a further byte, even though no character of a line comes of it.
    EXPECT_FALSE(splitter.AtEnd("\r"));
    EXPECT_EQ(splitter.Feed("a"), 1u);
    splitter.EndInput();
    EXPECT_TRUE(splitter.AtEnd("b"));
    EXPECT_EQ(splitter.TakeLine(), "a");

    splitter.Reset();
    EXPECT_FALSE(splitter.Ended());
    EXPECT_FALSE(splitter.LineReady());
    EXPECT_FALSE(splitter.AtEnd("b"));
    EXPECT_EQ(splitter.Feed("b\n"), 2u);
    EXPECT_EQ(splitter.TakeLine(), "b");
}

}  // namespace
