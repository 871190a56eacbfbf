#include "platform/text/LineSplitter.h"

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <utility>

// The line scan uses SSE2 where the processor has it, asked at run time: the
// library also runs on 32-bit processors without it.
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__i386__) || defined(__x86_64__))
#include <cpuid.h>
#include <emmintrin.h>
#define KITTEXT_SSE2 1
#define KITTEXT_SSE2_FUNCTION __attribute__((target("sse2")))
#elif defined(_MSC_VER) && (defined(_M_IX86) || defined(_M_X64))
#include <emmintrin.h>
#include <intrin.h>
#define KITTEXT_SSE2 1
#define KITTEXT_SSE2_FUNCTION
#else
#define KITTEXT_SSE2 0
#endif
#if defined(_MSC_VER)
#include <intrin.h>
#endif

namespace KitText {

namespace {

#if KITTEXT_SSE2
bool HasSse2() noexcept {
#if defined(_MSC_VER)
    int registers[4] = {};
    __cpuid(registers, 1);
    return (registers[3] & (1 << 26)) != 0;
#else
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & bit_SSE2) != 0;
#endif
}

#endif

unsigned LowestSetBit(std::uint32_t mask) noexcept {
#if defined(_MSC_VER)
    unsigned long index = 0;
    _BitScanForward(&index, mask);
    return static_cast<unsigned>(index);
#else
    return static_cast<unsigned>(__builtin_ctz(mask));
#endif
}

unsigned HighestSetBit(std::uint32_t mask) noexcept {
#if defined(_MSC_VER)
    unsigned long index = 0;
    _BitScanReverse(&index, mask);
    return static_cast<unsigned>(index);
#else
    return static_cast<unsigned>(31 - __builtin_clz(mask));
#endif
}

constexpr char kCr = '\r';
constexpr char kLf = '\n';

std::size_t FindSpecial(std::string_view text, std::size_t at) noexcept {
    return FindLineSpecial(text, at);
}

bool IsSpecialByte(char c) noexcept { return c == kCr || c == kLf || c == kEndOfTextMark; }

// All three specials are below 27: a group in which no byte is below 27 is
// passed at once.
std::size_t FindSpecialByWords(std::string_view text, std::size_t at) noexcept {
    constexpr std::uint32_t kOnes = 0x01010101u;
    constexpr std::uint32_t kBelow = kOnes * (static_cast<unsigned char>(kEndOfTextMark) + 1);
    constexpr std::uint32_t kHigh = kOnes * 0x80;
    const char* const data = text.data();
    while (text.size() - at >= 8) {
        std::uint32_t first;
        std::uint32_t second;
        std::memcpy(&first, data + at, sizeof first);
        std::memcpy(&second, data + at + 4, sizeof second);
        // Sets the high bit of some byte exactly when one is below 27.
        if ((((first - kBelow) & ~first) | ((second - kBelow) & ~second)) & kHigh) break;
        at += 8;
    }
    while (at < text.size() && !IsSpecialByte(data[at])) ++at;
    return at;
}

#if KITTEXT_SSE2
// One bit for each of the 16 bytes at data that is at most 26, the mark that
// ends the text: the line ends CR and LF are among them, and so are the other
// control bytes, which the callers pass over.
KITTEXT_SSE2_FUNCTION unsigned ControlByteMask(const char* data) noexcept {
    const __m128i highestControl = _mm_set1_epi8(static_cast<char>(kEndOfTextMark));
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
    // A byte is at most 26 when the larger of it and 26 is 26.
    const __m128i control = _mm_cmpeq_epi8(_mm_max_epu8(bytes, highestControl), highestControl);
    return static_cast<unsigned>(_mm_movemask_epi8(control));
}

KITTEXT_SSE2_FUNCTION std::size_t FindSpecialBySse2(std::string_view text,
                                                    std::size_t at) noexcept {
    const char* const data = text.data();
    while (text.size() - at >= 16) {
        unsigned mask = ControlByteMask(data + at);
        while (mask != 0) {
            const std::size_t found = at + LowestSetBit(mask);
            if (IsSpecialByte(data[found])) return found;
            mask &= mask - 1;  // another control byte, a tab say: not a line end
        }
        at += 16;
    }
    while (at < text.size() && !IsSpecialByte(data[at])) ++at;
    return at;
}

KITTEXT_SSE2_FUNCTION std::size_t FindSpecialsBySse2(std::string_view text, std::size_t at,
                                                     std::uint32_t* positions,
                                                     std::size_t capacity,
                                                     std::size_t& scannedTo) noexcept {
    const char* const data = text.data();
    std::size_t count = 0;
    while (text.size() - at >= 16) {
        unsigned mask = ControlByteMask(data + at);
        while (mask != 0) {
            const std::size_t position = at + LowestSetBit(mask);
            mask &= mask - 1;
            if (!IsSpecialByte(data[position])) continue;
            positions[count++] = static_cast<std::uint32_t>(position);
            if (count == capacity) {
                scannedTo = position + 1;
                return count;
            }
        }
        at += 16;
    }
    for (; at < text.size(); ++at) {
        if (!IsSpecialByte(data[at])) continue;
        positions[count++] = static_cast<std::uint32_t>(at);
        if (count == capacity) {
            scannedTo = at + 1;
            return count;
        }
    }
    scannedTo = text.size();
    return count;
}
#endif

std::size_t FindSpecialsByWords(std::string_view text, std::size_t at, std::uint32_t* positions,
                                std::size_t capacity, std::size_t& scannedTo) noexcept {
    std::size_t count = 0;
    for (at = FindSpecialByWords(text, at); at < text.size();
         at = FindSpecialByWords(text, at + 1)) {
        positions[count++] = static_cast<std::uint32_t>(at);
        if (count == capacity) {
            scannedTo = at + 1;
            return count;
        }
    }
    scannedTo = text.size();
    return count;
}

// Where the line ends and end marks stand in thirty-two bytes, one bit each.
struct BlockMasks {
    std::uint32_t lf;
    std::uint32_t cr;
    std::uint32_t endMark;
};

constexpr std::size_t kBlockSize = 32;

// The masks of count whole blocks from data on, into masks.
void BlockMasksByBytes(const char* data, std::size_t count, BlockMasks* masks) noexcept {
    for (std::size_t block = 0; block < count; ++block, data += kBlockSize) {
        BlockMasks found{0, 0, 0};
        for (std::size_t i = 0; i < kBlockSize; ++i) {
            const std::uint32_t bit = std::uint32_t{1} << i;
            if (data[i] == kLf) found.lf |= bit;
            if (data[i] == kCr) found.cr |= bit;
            if (data[i] == kEndOfTextMark) found.endMark |= bit;
        }
        masks[block] = found;
    }
}

#if KITTEXT_SSE2
KITTEXT_SSE2_FUNCTION inline std::uint32_t MaskOf(__m128i low, __m128i high,
                                                  char byte) noexcept {
    const __m128i wanted = _mm_set1_epi8(byte);
    const auto lowBits =
        static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(low, wanted)));
    const auto highBits =
        static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(high, wanted)));
    return lowBits | (highBits << 16);
}

KITTEXT_SSE2_FUNCTION void BlockMasksBySse2(const char* data, std::size_t count,
                                            BlockMasks* masks) noexcept {
    for (std::size_t block = 0; block < count; ++block, data += kBlockSize) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16));
        masks[block] = {MaskOf(low, high, kLf), MaskOf(low, high, kCr),
                        MaskOf(low, high, kEndOfTextMark)};
    }
}

// The LF masks of count whole blocks from data on, into lfMasks, when every
// CR in them is followed by LF and every LF but one at data[0] follows a CR,
// and no end mark stands among them; false otherwise, the masks then
// unfinished. Reads the byte after the last block too.
KITTEXT_SSE2_FUNCTION bool CrLfLineEndsBySse2(const char* data, std::size_t count,
                                              std::uint32_t* lfMasks) noexcept {
    const __m128i lf = _mm_set1_epi8(kLf);
    const __m128i cr = _mm_set1_epi8(kCr);
    const __m128i endMark = _mm_set1_epi8(kEndOfTextMark);
    __m128i strays = _mm_setzero_si128();
    for (std::size_t block = 0; block < count; ++block, data += kBlockSize) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16));
        const __m128i lowNext = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 1));
        const __m128i highNext = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 17));
        const __m128i lowLf = _mm_cmpeq_epi8(low, lf);
        const __m128i highLf = _mm_cmpeq_epi8(high, lf);
        // A CR whose next byte is no LF, or an LF whose byte before is no CR.
        strays = _mm_or_si128(
            strays, _mm_xor_si128(_mm_cmpeq_epi8(low, cr), _mm_cmpeq_epi8(lowNext, lf)));
        strays = _mm_or_si128(
            strays, _mm_xor_si128(_mm_cmpeq_epi8(high, cr), _mm_cmpeq_epi8(highNext, lf)));
        strays = _mm_or_si128(strays, _mm_cmpeq_epi8(low, endMark));
        strays = _mm_or_si128(strays, _mm_cmpeq_epi8(high, endMark));
        lfMasks[block] = static_cast<std::uint32_t>(_mm_movemask_epi8(lowLf)) |
                         (static_cast<std::uint32_t>(_mm_movemask_epi8(highLf)) << 16);
    }
    return _mm_movemask_epi8(strays) == 0;
}
#endif

bool CrLfLineEndsByBytes(const char*, std::size_t, std::uint32_t*) noexcept { return false; }

// A CR followed by LF is a line end; a lone CR or an end mark stops the scan
// at the start of its line, which Feed must take. The last block is looked at
// through a copy padded with zero bytes, which are nothing special. The
// masks are worked out a batch of blocks at a time, so that the code that
// knows SSE2 is called once for many blocks.
//
// Most batches hold no line end but CR LF and no end mark, which CrLfLineEnds
// tells for all their blocks at once: their line ends are then written down
// without a branch that depends on how many a block holds, and one loop with
// no branch at all notes the lines of an asked length; only those are looked
// at again. Where line lengths vary, a branch per line end costs more than all
// the rest. Other batches go block by block.
template <void (*Masks)(const char*, std::size_t, BlockMasks*),
          bool (*CrLfLineEnds)(const char*, std::size_t, std::uint32_t*)>
std::size_t ScanNotableLinesWith(std::string_view ahead, const LineScreen& screen,
                                 NotableLineSink sink, void* context) {
    const char* const data = ahead.data();
    const std::size_t size = ahead.size();
    // A byte per length: a shift of 64 bits costs a 32-bit processor more.
    unsigned char asked[64];
    for (unsigned length = 0; length < 64; ++length) {
        asked[length] = static_cast<unsigned char>((screen.lengths >> length) & 1u);
    }
    constexpr std::size_t kBatch = 64;
    // Whether the line between two line ends this far apart (length and CR
    // LF) has an asked length, for every distance within a batch: no clamp
    // per line. The end before a batch's first line is taken as at most
    // kFarBack bytes before the batch, which keeps a longer line long.
    constexpr std::size_t kFarBack = 64;
    unsigned char askedAtDistance[kBatch * kBlockSize + kFarBack + 1];
    askedAtDistance[0] = askedAtDistance[1] = 0;
    std::memcpy(askedAtDistance + 2, asked, 63);
    std::memset(askedAtDistance + 65, asked[63], sizeof askedAtDistance - 65);
    std::size_t lineBegin = 0;
    BlockMasks batch[kBatch];
    std::uint32_t lfMasks[kBatch];
    // A block holds at most half as many CR LF ends as bytes; one place more
    // for the end before the batch, two for the writes made whatever the count.
    std::uint32_t lineEnds[kBatch * kBlockSize / 2 + 3];
    std::uint32_t picked[kBatch * kBlockSize / 2];
    for (std::size_t base = 0; base < size;) {
        // Whole blocks with a byte behind the last.
        const std::size_t batched = std::min(kBatch, (size - base - 1) / kBlockSize);
        const bool lfAtBaseFollowsCr =
            data[base] != kLf || (base > 0 && data[base - 1] == kCr);
        if (batched != 0 && lfAtBaseFollowsCr && CrLfLineEnds(data + base, batched, lfMasks)) {
            if (screen.lengths == 0) {
                // No length is asked about: only where the last line ends.
                std::size_t block = batched;
                while (block > 0 && lfMasks[block - 1] == 0) --block;
                if (block > 0) {
                    lineBegin = base + (block - 1) * kBlockSize +
                                HighestSetBit(lfMasks[block - 1]) + 1;
                }
                base += batched * kBlockSize;
                continue;
            }
            // lineEnds[0] is the end before the batch's first line, as the
            // others relative to base: it wraps below base.
            lineEnds[0] = static_cast<std::uint32_t>(
                base - lineBegin + 1 > kFarBack ? std::size_t{0} - kFarBack
                                                : lineBegin - base - 1);
            std::size_t count = 1;
            for (std::size_t block = 0; block < batched; ++block) {
                const std::uint32_t offset = static_cast<std::uint32_t>(block * kBlockSize);
                std::uint32_t rest = lfMasks[block];
                const std::uint32_t any = rest != 0 ? 1u : 0u;
                lineEnds[count] = offset + LowestSetBit(rest | 0x80000000u);
                rest &= rest - 1;
                lineEnds[count + 1] = offset + LowestSetBit(rest | 0x80000000u);
                count += any + (rest != 0 ? 1u : 0u);
                for (rest &= rest - 1; rest != 0; rest &= rest - 1) {
                    lineEnds[count++] = offset + LowestSetBit(rest);
                }
            }
            // The lines of an asked length are noted without a branch, and
            // only they are looked at again.
            std::size_t pickedCount = 0;
            for (std::size_t i = 1; i < count; ++i) {
                picked[pickedCount] = static_cast<std::uint32_t>(i);
                pickedCount += askedAtDistance[lineEnds[i] - lineEnds[i - 1]];
            }
            for (std::size_t p = 0; p < pickedCount; ++p) {
                const std::size_t i = picked[p];
                const std::size_t begin = i == 1 ? lineBegin : base + lineEnds[i - 1] + 1;
                const std::size_t lf = base + lineEnds[i];
                const std::string_view line = ahead.substr(begin, lf - 1 - begin);
                if (screen.AsksMiddleOf(line)) sink(context, line, begin, lf + 1);
            }
            if (count > 1) lineBegin = base + lineEnds[count - 1] + 1;
            base += batched * kBlockSize;
            continue;
        }
        std::size_t blocks = std::min(kBatch, (size - base) / kBlockSize);
        if (blocks != 0) {
            Masks(data + base, blocks, batch);
        } else {
            char padded[kBlockSize] = {};
            std::memcpy(padded, data + base, size - base);
            Masks(padded, 1, batch);
            blocks = 1;
        }
        std::uint32_t crBeforeBlock = base > 0 && data[base - 1] == kCr ? 1u : 0u;
        for (std::size_t next = 0; next < blocks; ++next, base += kBlockSize) {
            const BlockMasks masks = batch[next];
            const std::uint32_t lfAfterBlock =
                (size - base > kBlockSize && data[base + kBlockSize] == kLf) ? 1u : 0u;
            const std::uint32_t beforeLf = (masks.lf >> 1) | (lfAfterBlock << 31);
            const std::uint32_t stops = (masks.cr & ~beforeLf) | masks.endMark;
            std::uint32_t ends = masks.lf;
            if (stops != 0) ends &= (std::uint32_t{1} << LowestSetBit(stops)) - 1;
            // The LFs that follow a CR.
            const std::uint32_t crLfEnds = masks.lf & ((masks.cr << 1) | crBeforeBlock);
            while (ends != 0) {
                const unsigned bit = LowestSetBit(ends);
                ends &= ends - 1;
                const std::size_t lf = base + bit;
                const std::uint32_t crLf = (crLfEnds >> bit) & 1u;
                const std::size_t length = lf - crLf - lineBegin;
                const std::string_view line = ahead.substr(lineBegin, length);
                if (crLf == 0 || (asked[length < 63 ? length : 63] != 0 &&
                                  screen.AsksMiddleOf(line))) {
                    sink(context, line, lineBegin, lf + 1);
                }
                lineBegin = lf + 1;
            }
            if (stops != 0) return lineBegin;
            crBeforeBlock = masks.cr >> 31;
        }
    }
    return lineBegin;
}

#if KITTEXT_SSE2
KITTEXT_SSE2_FUNCTION std::size_t ScanNotableLinesBySse2(std::string_view ahead,
                                                         const LineScreen& screen,
                                                         NotableLineSink sink, void* context) {
    return ScanNotableLinesWith<BlockMasksBySse2, CrLfLineEndsBySse2>(ahead, screen, sink,
                                                                      context);
}
#endif

std::size_t ScanNotableLinesByBytes(std::string_view ahead, const LineScreen& screen,
                                    NotableLineSink sink, void* context) {
    return ScanNotableLinesWith<BlockMasksByBytes, CrLfLineEndsByBytes>(ahead, screen, sink,
                                                                        context);
}

}  // namespace

std::size_t ScanNotableLines(std::string_view ahead, const LineScreen& screen,
                             NotableLineSink sink, void* context) {
#if KITTEXT_SSE2
    static const bool sse2 = HasSse2();
    if (sse2) return ScanNotableLinesBySse2(ahead, screen, sink, context);
#endif
    return ScanNotableLinesByBytes(ahead, screen, sink, context);
}

std::size_t FindLineSpecials(std::string_view text, std::size_t at, std::uint32_t* positions,
                             std::size_t capacity, std::size_t& scannedTo) noexcept {
#if KITTEXT_SSE2
    static const bool sse2 = HasSse2();
    if (sse2) return FindSpecialsBySse2(text, at, positions, capacity, scannedTo);
#endif
    return FindSpecialsByWords(text, at, positions, capacity, scannedTo);
}

std::size_t FindLineSpecial(std::string_view text, std::size_t at) noexcept {
#if KITTEXT_SSE2
    static const bool sse2 = HasSse2();
    if (sse2) return FindSpecialBySse2(text, at);
#endif
    return FindSpecialByWords(text, at);
}

std::size_t LineSplitter::Feed(std::string_view chunk) {
    if (LineReady()) return 0;
    std::size_t next = 0;
    while (next < chunk.size()) {
        const std::size_t stop = FindSpecial(chunk, next);
        line_.append(chunk.data() + next, stop - next);
        if (stop == chunk.size()) return stop;
        const char special = chunk[stop];
        next = stop + 1;
        if (special == kLf) {
            lineReady_ = true;
            return next;
        }
        if (special == kEndOfTextMark) {
            ended_ = true;
            return next;
        }
        // A CR is left out, whether or not an LF follows.
    }
    return next;
}

void LineSplitter::EndInput() noexcept { ended_ = true; }

std::string LineSplitter::TakeLine() {
    std::string line = std::move(line_);
    line_.clear();
    lineReady_ = false;
    return line;
}

std::optional<std::string_view> LineSplitter::WholeLineAt(std::string_view ahead,
                                                         std::size_t& taken) const noexcept {
    if (LineReady() || !line_.empty()) return std::nullopt;
    const std::size_t stop = FindSpecial(ahead, 0);
    if (stop == ahead.size()) return std::nullopt;
    std::size_t end = stop;
    if (ahead[end] == kCr && end + 1 < ahead.size()) ++end;
    if (ahead[end] != kLf) return std::nullopt;
    taken = end + 1;
    return ahead.substr(0, stop);
}

bool LineSplitter::AtEnd(std::string_view ahead) const noexcept {
    return ended_ || ahead.empty() || ahead.front() == kEndOfTextMark;
}

void LineSplitter::Reset() noexcept {
    line_.clear();
    lineReady_ = false;
    ended_ = false;
}

}  // namespace KitText
