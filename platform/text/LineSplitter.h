// Splits 8-bit text, fed in chunks of any size, into lines.
//
// LF ends a line. A CR never belongs to a line: followed by LF it is part of
// the line end, alone it is dropped. Because a CR is never kept, a CR at the
// end of one chunk and its LF at the start of the next need no look-ahead.
// Byte 26 (Ctrl-Z) ends the text: it and everything after it are never taken.
// The end of the input ends the last line, so a last line without a line break
// comes back whole. Lines have no length limit; only the current line is held.
// Free of any OS header so it also builds natively.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/text/AsciiText.h"

namespace KitText {

inline constexpr char kEndOfTextMark = '\x1a';

// Where the first CR, LF or end mark at or after at stands, or the text's
// size. Sixteen bytes at a time where the processor has SSE2, eight otherwise.
std::size_t FindLineSpecial(std::string_view text, std::size_t at) noexcept;

// The positions of the CR, LF and end-mark bytes at or after at, in order, at
// most capacity of them; gives back their number. scannedTo receives where
// the scan stopped: every such byte between at and it is among the positions.
std::size_t FindLineSpecials(std::string_view text, std::size_t at, std::uint32_t* positions,
                             std::size_t capacity, std::size_t& scannedTo) noexcept;

// The lines ended by CR LF that a reader has to look at: a line whose length
// has its bit in lengths (bit n for a line of n bytes, bit 63 for every line
// of 63 bytes or more) and, where middleBytes is given and the line holds 1
// to 62 bytes, whose middle byte (at half its length, ASCII letters
// upper-cased) is in middleBytes[its length]. A reader that can drop only
// lines equal to a few texts asks about those texts' lengths and middle bytes,
// and every other line passes it unseen.
struct LineScreen {
    static constexpr unsigned kLongLineBit = 63;
    static constexpr unsigned LengthBit(std::size_t length) noexcept {
        return length < kLongLineBit ? static_cast<unsigned>(length) : kLongLineBit;
    }

    std::uint64_t lengths = ~std::uint64_t{0};
    const std::bitset<256>* middleBytes = nullptr;  // kLongLineBit sets, or none

    bool AsksLength(std::size_t length) const noexcept {
        return ((lengths >> LengthBit(length)) & 1u) != 0;
    }
    bool AsksMiddleOf(std::string_view line) const noexcept {
        return middleBytes == nullptr || line.empty() || line.size() >= kLongLineBit ||
               middleBytes[line.size()].test(
                   static_cast<unsigned char>(UpperAsciiChar(line[line.size() / 2])));
    }
    bool Asks(std::string_view line) const noexcept {
        return AsksLength(line.size()) && AsksMiddleOf(line);
    }
};

// Receives one line of ScanNotableLines: context, the line, and the positions
// of its first byte and of the byte after its line end.
using NotableLineSink = void (*)(void* context, std::string_view line, std::size_t begin,
                                 std::size_t end);

// The whole lines at the start of ahead, as LineSplitter::ForEachWholeLine
// finds them, but only the ones a reader has to look at go to sink: a line
// the screen asks about and a line ended by a lone LF. Every other line is
// ended by CR LF and lies in ahead as it would be written. Returns the bytes
// the whole lines took. Thirty-two bytes are looked at a time, so a line that
// goes to no sink costs a few instructions.
std::size_t ScanNotableLines(std::string_view ahead, const LineScreen& screen,
                             NotableLineSink sink, void* context);

class LineSplitter {
public:
    // Takes bytes from chunk into the current line until a line end or the end
    // mark is met or the chunk is used up. Returns the number of bytes taken,
    // the line end and the end mark included; takes nothing while a complete
    // line waits or once the text has ended.
    std::size_t Feed(std::string_view chunk);

    // No input follows: the current line, however long, is complete.
    void EndInput() noexcept;

    // A complete line waits for TakeLine. Once the text has ended this stays
    // true: every further line is empty.
    bool LineReady() const noexcept { return lineReady_ || ended_; }

    // Hands out the waiting line (empty once the text has ended) and starts
    // the next one.
    std::string TakeLine();

    // A reader's short cut past Feed and TakeLine: when no line is being put
    // together and ahead begins with a line that Feed would take unchanged
    // (ended by LF or CR LF, holding no other CR and no end mark), that line
    // without its line end, as a view into ahead; taken is then the number of
    // bytes it occupies, line end included. Otherwise nothing: the bytes must
    // go through Feed. Changes no state either way.
    std::optional<std::string_view> WholeLineAt(std::string_view ahead,
                                                std::size_t& taken) const noexcept;

    // WholeLineAt for every line in turn from the start of ahead: each line
    // goes to onLine(line, begin, end), where begin and end are the positions
    // in ahead of its first byte and of the byte after its line end. Stops at
    // the first bytes that must go through Feed (a lone CR, the end mark, a
    // line not ended within ahead) and returns the bytes the lines took.
    // Changes no state.
    template <typename OnLine>
    std::size_t ForEachWholeLine(std::string_view ahead, OnLine&& onLine) const {
        if (LineReady() || !line_.empty()) return 0;
        // The line ends ahead are found a batch at a time, so that a line
        // costs no call of its own.
        constexpr std::size_t kBatch = 32;
        std::uint32_t found[kBatch];
        std::size_t count = 0;
        std::size_t next = 0;
        std::size_t scannedTo = 0;
        const auto specialFrom = [&](std::size_t from) {
            for (;;) {
                while (next < count && found[next] < from) ++next;
                if (next < count) return static_cast<std::size_t>(found[next]);
                if (scannedTo >= ahead.size()) return ahead.size();
                count = FindLineSpecials(ahead, from > scannedTo ? from : scannedTo, found,
                                         kBatch, scannedTo);
                next = 0;
            }
        };
        std::size_t begin = 0;
        for (;;) {
            const std::size_t stop = specialFrom(begin);
            if (stop == ahead.size()) return begin;
            std::size_t end = stop;
            if (ahead[end] == '\r' && end + 1 < ahead.size()) ++end;
            if (ahead[end] != '\n') return begin;
            onLine(ahead.substr(begin, stop - begin), begin, end + 1);
            begin = end + 1;
        }
    }

    // ForEachWholeLine for a reader that passes most lines on unseen: only
    // the lines ScanNotableLines picks by the screen go to onLine; the others
    // lie between them, each ended by CR LF. Returns the bytes every whole
    // line took. Changes no state.
    template <typename OnLine>
    std::size_t ForEachNotableWholeLine(std::string_view ahead, const LineScreen& screen,
                                        OnLine&& onLine) const {
        if (LineReady() || !line_.empty()) return 0;
        using Target = std::remove_reference_t<OnLine>;
        return ScanNotableLines(
            ahead, screen,
            [](void* context, std::string_view line, std::size_t begin, std::size_t end) {
                (*static_cast<Target*>(context))(line, begin, end);
            },
            const_cast<void*>(static_cast<const void*>(&onLine)));
    }

    // The end mark was taken or the input ended: nothing more is read.
    bool Ended() const noexcept { return ended_; }

    // True when no further character can be read, given the bytes not yet fed
    // (ahead): the text has ended, or ahead is empty because the input is used
    // up, or the next byte is the end mark. Consumes nothing.
    bool AtEnd(std::string_view ahead) const noexcept;

    // Back to the start of a new text.
    void Reset() noexcept;

private:
    std::string line_;
    bool lineReady_ = false;
    bool ended_ = false;
};

}  // namespace KitText
