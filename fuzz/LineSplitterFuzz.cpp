// The line splitter, fed in chunks of any size: the lines it hands out, joined
// by LF, are the input with every CR dropped and cut at the first byte 26,
// whatever the chunking; and a reader that asks for the end before each line,
// as the product's loops do, gets exactly the lines that stand before the end.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "platform/text/LineSplitter.h"

namespace {

using KitFuzz::Chunks;
using KitText::LineSplitter;

// The input up to its first byte 26.
std::string_view BeforeEndMark(std::string_view input) {
    return input.substr(0, input.find(KitText::kEndOfTextMark));
}

std::string WithoutCr(std::string_view text) {
    std::string kept;
    for (const char c : text) {
        if (c != '\r') kept += c;
    }
    return kept;
}

std::vector<std::string> SplitAtLf(std::string_view text) {
    std::vector<std::string> pieces;
    for (;;) {
        const std::size_t lf = text.find('\n');
        pieces.emplace_back(text.substr(0, lf));
        if (lf == std::string_view::npos) return pieces;
        text.remove_prefix(lf + 1);
    }
}

// Every line up to the end of the text, the empty read at the end included.
std::vector<std::string> SplitInChunks(LineSplitter& splitter, std::string_view input,
                                       Chunks chunks) {
    std::vector<std::string> lines;
    std::size_t offset = 0;
    while (!splitter.Ended()) {
        while (!splitter.LineReady()) {
            if (offset == input.size()) {
                splitter.EndInput();
                break;
            }
            std::string_view chunk = input.substr(offset, chunks.Next(input.size() - offset));
            while (!chunk.empty() && !splitter.LineReady()) {
                const std::size_t taken = splitter.Feed(chunk);
                FUZZ_CHECK(taken <= chunk.size());
                FUZZ_CHECK(taken > 0 || splitter.LineReady());
                chunk.remove_prefix(taken);
                offset += taken;
            }
            // A waiting line takes nothing more; the rest of the chunk is
            // offered again after it has been taken.
            if (splitter.LineReady()) FUZZ_CHECK(splitter.Feed(chunk) == 0);
        }
        lines.push_back(splitter.TakeLine());
    }
    // Once ended, only empty lines follow and nothing is taken.
    FUZZ_CHECK(splitter.LineReady());
    FUZZ_CHECK(splitter.TakeLine().empty());
    FUZZ_CHECK(splitter.Feed("more\n") == 0);
    return lines;
}

// What a reader that tests for the end before each line sees: the text before
// byte 26 is read line by line while bytes remain; a final LF leaves nothing
// to read, but a lone CR behind it is one more (empty) line.
std::vector<std::string> LinesBeforeTheEnd(std::string_view input) {
    std::string_view text = BeforeEndMark(input);
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        lines.push_back(WithoutCr(text.substr(0, lf)));
        text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const KitFuzz::SteeredInput input = KitFuzz::Steer(data, size);
    const std::vector<std::string> expected =
        SplitAtLf(WithoutCr(BeforeEndMark(input.text)));

    // One splitter for every chunking: Reset must leave nothing behind.
    LineSplitter splitter;
    const std::size_t maxChunks[] = {0, 1, 2, 3, 1u + input.control % 17u, 64};
    for (const std::size_t maxChunk : maxChunks) {
        splitter.Reset();
        FUZZ_CHECK(SplitInChunks(splitter, input.text, Chunks(input.control, maxChunk)) ==
                   expected);
    }

    const std::vector<std::string> beforeEnd = LinesBeforeTheEnd(input.text);
    for (const std::size_t maxChunk : {std::size_t{0}, std::size_t{1}, std::size_t{1u + input.control % 7u}}) {
        KitFuzz::TextReader reader(input.text, Chunks(input.control + 1u, maxChunk));
        FUZZ_CHECK(reader.ReadAll() == beforeEnd);
        // At the end, reading gives empty lines and the end stays.
        FUZZ_CHECK(reader.ReadLine().empty());
        FUZZ_CHECK(reader.AtEnd());
    }
    return 0;
}
