#include "platform/text/LineSplitter.h"

#include <utility>

namespace KitText {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

std::size_t FindSpecial(std::string_view text, std::size_t at) noexcept {
    return FindLineSpecial(text, at);
}

}  // namespace

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
