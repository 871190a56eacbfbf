// WholeLineAt, the reader's short cut past Feed: it hands out a line where it
// lies only when Feed would have given exactly that line, and a reader that
// takes it whenever it can reads what Feed alone reads.
#include "platform/text/LineSplitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using KitText::LineSplitter;
using namespace std::literals;

struct Whole {
    std::optional<std::string_view> line;
    std::size_t taken = 0;
};

Whole WholeLineAt(const LineSplitter& splitter, std::string_view ahead) {
    Whole whole;
    whole.taken = 12345;  // left alone when there is no whole line
    whole.line = splitter.WholeLineAt(ahead, whole.taken);
    return whole;
}

TEST(LineSplitterWholeLine, ALineEndedByLfOrCrLfIsHandedOutWhereItLies) {
    const LineSplitter fresh;
    const std::string_view crlf = "abc\r\ndef";
    const Whole first = WholeLineAt(fresh, crlf);
    ASSERT_TRUE(first.line.has_value());
    EXPECT_EQ(*first.line, "abc");
    EXPECT_EQ(first.line->data(), crlf.data());  // a view, not a copy
    EXPECT_EQ(first.taken, 5u);

    const Whole lf = WholeLineAt(fresh, "abc\ndef");
    ASSERT_TRUE(lf.line.has_value());
    EXPECT_EQ(*lf.line, "abc");
    EXPECT_EQ(lf.taken, 4u);

    const Whole empty = WholeLineAt(fresh, "\r\n\r\n");
    ASSERT_TRUE(empty.line.has_value());
    EXPECT_EQ(*empty.line, "");
    EXPECT_EQ(empty.taken, 2u);

    // Bytes from 128 up, tabs and other control bytes belong to the line.
    const std::string_view mixed = "\x80\xff\t\x01\x19\x1b x\n";
    const Whole high = WholeLineAt(fresh, mixed);
    ASSERT_TRUE(high.line.has_value());
    EXPECT_EQ(*high.line, mixed.substr(0, mixed.size() - 1));
}

TEST(LineSplitterWholeLine, WhatFeedWouldChangeOrCannotYetEndIsLeftToFeed) {
    const LineSplitter fresh;
    for (const std::string_view ahead :
         {"ab\rc\n"sv, "a\r\r\n"sv, "a\x1a\n"sv, "\x1a"sv, "abc"sv, "abc\r"sv, ""sv}) {
        const Whole whole = WholeLineAt(fresh, ahead);
        EXPECT_FALSE(whole.line.has_value()) << "ahead: " << std::string(ahead);
        EXPECT_EQ(whole.taken, 12345u);
    }
}

TEST(LineSplitterWholeLine, NothingIsHandedOutWhileALineIsPutTogetherOrWaitsOrTheTextEnded) {
    LineSplitter started;
    EXPECT_EQ(started.Feed("ab"), 2u);
    EXPECT_FALSE(WholeLineAt(started, "c\nd\n").line.has_value());

    LineSplitter waiting;
    EXPECT_EQ(waiting.Feed("ab\ncd\n"), 3u);
    ASSERT_TRUE(waiting.LineReady());
    EXPECT_FALSE(WholeLineAt(waiting, "cd\n").line.has_value());
    EXPECT_EQ(waiting.TakeLine(), "ab");
    EXPECT_TRUE(WholeLineAt(waiting, "cd\n").line.has_value());

    LineSplitter ended;
    ended.EndInput();
    EXPECT_FALSE(WholeLineAt(ended, "cd\n").line.has_value());
}

// Reads a text the way LineFile does, through a buffer refilled with chunks
// of changing sizes: until AtEnd, one line at a time, taking a whole line
// where it lies when shortCut is set and feeding the bytes otherwise.
class ChunkedReader {
public:
    ChunkedReader(const std::string& input, std::vector<std::size_t> chunkSizes, bool shortCut)
        : input_(input), chunkSizes_(std::move(chunkSizes)), shortCut_(shortCut) {}

    std::vector<std::string> ReadAll() {
        std::vector<std::string> lines;
        while (!AtEnd()) lines.push_back(ReadLine());
        return lines;
    }

private:
    std::string_view Ahead() const { return std::string_view(input_).substr(next_, end_ - next_); }

    bool Refill() {
        if (end_ == input_.size()) return false;
        next_ = end_;
        end_ = std::min(input_.size(), next_ + chunkSizes_[refills_++ % chunkSizes_.size()]);
        return true;
    }

    bool AtEnd() {
        if (!splitter_.Ended() && next_ == end_ && !Refill()) splitter_.EndInput();
        return splitter_.AtEnd(Ahead());
    }

    std::string ReadLine() {
        std::size_t taken = 0;
        if (shortCut_) {
            if (const auto line = splitter_.WholeLineAt(Ahead(), taken)) {
                EXPECT_GT(taken, line->size());
                EXPECT_LE(taken, Ahead().size());
                next_ += taken;
                return std::string(*line);
            }
        }
        while (!splitter_.LineReady()) {
            if (next_ == end_ && !Refill()) {
                splitter_.EndInput();
                break;
            }
            next_ += splitter_.Feed(Ahead());
        }
        return splitter_.TakeLine();
    }

    const std::string& input_;
    std::vector<std::size_t> chunkSizes_;
    bool shortCut_;
    LineSplitter splitter_;
    std::size_t next_ = 0;
    std::size_t end_ = 0;
    std::size_t refills_ = 0;
};

TEST(LineSplitterWholeLine, AReaderTakingWholeLinesReadsWhatFeedAloneReads) {
    // Bytes around every rule: both line ends, a lone CR, the end mark, and
    // bytes just below and above it and from 128 up, which the search for a
    // line end looks at four at a time.
    const char alphabet[] = {'a', 'b', ' ', '\r', '\n', '\x1a', '\t', '\x19', '\x1b', '\x80', '\xff'};
    std::uint32_t state = 12345;
    const auto random = [&state](std::uint32_t bound) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    };
    for (int round = 0; round < 2000; ++round) {
        std::string input;
        const std::uint32_t length = random(80);
        for (std::uint32_t i = 0; i < length; ++i) {
            // Plain letters mostly, so that lines run over several groups.
            input += random(3) == 0 ? alphabet[random(sizeof alphabet)] : 'x';
        }
        std::vector<std::size_t> chunks;
        for (int i = 0; i < 4; ++i) chunks.push_back(1 + random(20));
        ASSERT_EQ(ChunkedReader(input, chunks, true).ReadAll(),
                  ChunkedReader(input, chunks, false).ReadAll())
            << "round " << round << ", input of " << input.size() << " bytes";
    }
}

}  // namespace

namespace {

// The scan for line ends, sixteen or eight bytes at a time, against a byte by
// byte search: every start, every length, control and high bytes mixed in.
TEST(LineSplitterScan, FindsTheFirstLineEndOrEndMarkFromAnyPosition) {
    std::mt19937 random(1414);
    const char bytes[] = {'a', 'Z', ' ', '\t', '\x01', '\x19', '\x1a', '\x1b', '\r',
                          '\n', '\x7f', '\x80', '\xe9', '\xff', ':', '0'};
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 70, 'x');
        const unsigned density = 1 + random() % 40;
        for (char& c : text) {
            if (random() % density == 0) c = bytes[random() % sizeof bytes];
        }
        for (std::size_t at = 0; at <= text.size(); ++at) {
            std::size_t expected = at;
            while (expected < text.size() && text[expected] != '\r' && text[expected] != '\n' &&
                   text[expected] != '\x1a') {
                ++expected;
            }
            ASSERT_EQ(KitText::FindLineSpecial(text, at), expected) << "at " << at;
        }
        // In batches of any size the positions come out the same, in order.
        const std::size_t capacity = 1 + random() % 5;
        std::vector<std::uint32_t> batched;
        for (std::size_t at = 0; at < text.size();) {
            std::uint32_t positions[8] = {};
            std::size_t scannedTo = 0;
            const std::size_t count =
                KitText::FindLineSpecials(text, at, positions, capacity, scannedTo);
            ASSERT_LE(count, capacity);
            ASSERT_GT(scannedTo, at);
            batched.insert(batched.end(), positions, positions + count);
            at = scannedTo;
        }
        std::vector<std::uint32_t> expected;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' || text[i] == '\n' || text[i] == '\x1a') {
                expected.push_back(static_cast<std::uint32_t>(i));
            }
        }
        ASSERT_EQ(batched, expected);
    }
}

}  // namespace

namespace {

struct SeenLine {
    std::string line;
    std::size_t begin;
    std::size_t end;
    bool operator==(const SeenLine& other) const {
        return line == other.line && begin == other.begin && end == other.end;
    }
};

// A screen's middle-byte sets, drawn from the bytes the texts hold, and the
// screen that refers to them.
struct RandomScreen {
    std::bitset<256> middleBytes[KitText::LineScreen::kLongLineBit];
    KitText::LineScreen screen;
};

// The line by line rule: a line of an asked length is looked at when no sets
// are given, when it is empty or 63 bytes or longer, or when the set of its
// length holds its middle byte with a-z upper-cased.
bool ScreenAsks(const KitText::LineScreen& screen, std::string_view line) {
    const unsigned bit = line.size() < 63 ? static_cast<unsigned>(line.size()) : 63;
    if (((screen.lengths >> bit) & 1u) == 0) return false;
    if (screen.middleBytes == nullptr || line.empty() || line.size() >= 63) return true;
    char middle = line[line.size() / 2];
    if (middle >= 'a' && middle <= 'z') middle = static_cast<char>(middle - 32);
    return screen.middleBytes[line.size()].test(static_cast<unsigned char>(middle));
}

// The notable lines of text as the line by line walk finds them: the same
// lines, those the screen asks about or ended by a lone LF, at the same
// places; every line passed over lies in the text ended by CR LF; the same
// bytes taken.
void ExpectNotableLinesAsTheWalkFinds(const std::string& text, const KitText::LineScreen& screen,
                                      int round) {
    const KitText::LineSplitter splitter;
    std::vector<SeenLine> expected;
    std::string passedOver;
    const std::size_t expectedTaken = splitter.ForEachWholeLine(
        text, [&](std::string_view line, std::size_t begin, std::size_t end) {
            const bool crLf = end - begin == line.size() + 2;
            if (!crLf || ScreenAsks(screen, line)) {
                expected.push_back({std::string(line), begin, end});
            } else {
                passedOver += std::string(line) + "\r\n";
            }
        });
    std::vector<SeenLine> seen;
    std::string between;
    std::size_t last = 0;
    const std::size_t taken = splitter.ForEachNotableWholeLine(
        text, screen, [&](std::string_view line, std::size_t begin, std::size_t end) {
            ASSERT_LE(last, begin);
            between += text.substr(last, begin - last);
            seen.push_back({std::string(line), begin, end});
            last = end;
        });
    between += text.substr(last, taken - last);
    ASSERT_EQ(taken, expectedTaken) << "round " << round;
    ASSERT_EQ(seen, expected) << "round " << round;
    ASSERT_EQ(between, passedOver) << "round " << round;
}

// Any lengths, a few (0, 5, 10 and the long ones) or none.
std::uint64_t RandomAskLengths(std::mt19937& random) {
    std::uint64_t askLengths = (std::uint64_t{random()} << 32) | random();
    if (random() % 3 == 0) askLengths &= 0x8000000000000421ull;
    if (random() % 5 == 0) askLengths = 0;
    return askLengths;
}

// In one round of three the asked lengths come with middle-byte sets, each
// a random choice of the given bytes (in upper case where they are letters).
void ScreenRandomly(RandomScreen& drawn, std::uint64_t lengths, std::string_view bytes,
                    std::mt19937& random) {
    drawn.screen = {lengths, nullptr};
    if (random() % 3 != 0) return;
    for (std::bitset<256>& set : drawn.middleBytes) {
        set.reset();
        for (const char c : bytes) {
            if (random() % 2 != 0) set.set(static_cast<unsigned char>(KitText::UpperAsciiChar(c)));
        }
    }
    drawn.screen.middleBytes = drawn.middleBytes;
}

// The notable-line scan, thirty-two bytes at a time, against the line by line
// walk. Texts span several blocks, line ends straddle their edges, and
// lengths run past 63.
TEST(LineSplitterScan, NotableLinesAreTheWholeLinesTheScreenAsksAboutOrEndedByALoneLf) {
    std::mt19937 random(2024);
    const char bytes[] = {'a', ' ', '\t', '\x19', '\x1a', '\x1b', '\r', '\n', '\n', '\r',
                          '\x80', '\xff', ':', '\0'};
    RandomScreen drawn;
    for (int round = 0; round < 3000; ++round) {
        std::string text(random() % 300, 'x');
        const unsigned density = 1 + random() % 60;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (random() % density != 0) continue;
            // Mostly CR LF, as in real files, so that scans run far.
            if (random() % 3 != 0 && i + 1 < text.size()) {
                text[i] = '\r';
                text[++i] = '\n';
            } else {
                text[i] = bytes[random() % sizeof bytes];
            }
        }
        ScreenRandomly(drawn, RandomAskLengths(random), "xa :\t\x80", random);
        ExpectNotableLinesAsTheWalkFinds(text, drawn.screen, round);
    }
}

// Texts of many batches of blocks whose line ends are CR LF but for a rare
// stray byte (a lone CR or LF, an end mark), wherever it falls against the
// batches and blocks, and that start or end with either half of CR LF; asked
// about up to four lengths below 63 (each line of them found through the LF
// its length before it) or about any, with or without middle bytes.
TEST(LineSplitterScan, LongCrLfTextsWithRareStraysAreScannedAsTheWalkFinds) {
    std::mt19937 random(7);
    const char strays[] = {'\r', '\n', '\x1a'};
    const char letters[] = {'x', 'y', 'X', 'Y'};
    RandomScreen drawn;
    for (int round = 0; round < 600; ++round) {
        std::string text;
        const std::size_t size = random() % 9000;
        const unsigned longest = 1 + random() % 80;
        if (random() % 8 == 0) text += random() % 2 ? "\n" : "\r\n";
        while (text.size() < size) {
            for (std::size_t n = random() % longest; n > 0; --n) text += letters[random() % 4];
            text += "\r\n";
        }
        for (unsigned stray = random() % 3; stray > 0; --stray) {
            if (!text.empty()) text[random() % text.size()] = strays[random() % 3];
        }
        if (random() % 8 == 0) text += random() % 2 ? "\r" : "\n";
        std::uint64_t askLengths = 0;
        for (unsigned n = random() % 5; n > 0; --n) askLengths |= 1ull << (random() % longest % 63);
        if (round % 4 == 3) askLengths = RandomAskLengths(random);
        ScreenRandomly(drawn, askLengths, "xy", random);
        ExpectNotableLinesAsTheWalkFinds(text, drawn.screen, round);
    }
}

TEST(LineSplitterScan, NotableLinesAreNotScannedWhileALineIsPutTogether) {
    KitText::LineSplitter started;
    EXPECT_EQ(started.Feed("ab"), 2u);
    int calls = 0;
    EXPECT_EQ(started.ForEachNotableWholeLine("c\nd\n", KitText::LineScreen{},
                                              [&](std::string_view, std::size_t, std::size_t) {
                                                  ++calls;
                                              }),
              0u);
    EXPECT_EQ(calls, 0);
}

}  // namespace
