#include "platform/text/LineSplitter.h"

#include <utility>

namespace KitText {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

bool IsSpecial(char c) noexcept { return c == kCr || c == kLf || c == kEndOfTextMark; }

}  // namespace

std::size_t LineSplitter::Feed(std::string_view chunk) {
    if (LineReady()) return 0;
    std::size_t next = 0;
    while (next < chunk.size()) {
        std::size_t stop = next;
        while (stop < chunk.size() && !IsSpecial(chunk[stop])) ++stop;
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

bool LineSplitter::AtEnd(std::string_view ahead) const noexcept {
    return ended_ || ahead.empty() || ahead.front() == kEndOfTextMark;
}

void LineSplitter::Reset() noexcept {
    line_.clear();
    lineReady_ = false;
    ended_ = false;
}

}  // namespace KitText
