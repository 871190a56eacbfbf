// Helpers shared by the fuzz targets: a failed property stops the run with a
// message libFuzzer keeps beside the input, the input is cut into fields, and
// a text file is read line by line the way the product's LineFile reads it
// through its buffer, in chunks of changing size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/LineSplitter.h"

namespace KitFuzz {

[[noreturn]] inline void Fail(const char* property, const char* file, int line) {
    std::fprintf(stderr, "\nproperty broken at %s:%d: %s\n", file, line, property);
    std::abort();
}

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::KitFuzz::Fail(#condition, __FILE__, __LINE__))

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The input less its first byte, which steers the target (chunk sizes, which
// edits to make); an empty input steers with 0.
struct SteeredInput {
    std::uint8_t control = 0;
    std::string_view text;
};

inline SteeredInput Steer(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return {};
    return {data[0], AsText(data + 1, size - 1)};
}

// The pieces of text between LF bytes; a text without LF is one field.
inline std::vector<std::string> Fields(std::string_view text) {
    std::vector<std::string> fields;
    for (;;) {
        const std::size_t lf = text.find('\n');
        fields.emplace_back(text.substr(0, lf));
        if (lf == std::string_view::npos) return fields;
        text.remove_prefix(lf + 1);
    }
}

// A small deterministic generator for chunk sizes.
class Chunks {
public:
    // maxSize 0 hands out the whole rest at once.
    Chunks(std::uint32_t seed, std::size_t maxSize) : state_(seed | 1u), maxSize_(maxSize) {}

    std::size_t Next(std::size_t available) {
        if (maxSize_ == 0) return available;
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        const std::size_t size = 1 + state_ % maxSize_;
        return size < available ? size : available;
    }

private:
    std::uint32_t state_;
    std::size_t maxSize_;
};

// Reads bytes as a text file: the buffer is refilled with the next chunk only
// when the splitter has used up the previous one, and the end of the input
// is announced only when a refill finds nothing, as with a real file.
class TextReader {
public:
    TextReader(std::string_view bytes, Chunks chunks) : bytes_(bytes), chunks_(chunks) {}

    std::string ReadLine() {
        while (!splitter_.LineReady()) {
            if (bufferBegin_ == bufferEnd_ && !Refill()) {
                splitter_.EndInput();
                break;
            }
            const std::size_t taken = splitter_.Feed(Ahead());
            FUZZ_CHECK(taken <= bufferEnd_ - bufferBegin_);
            // Feed only declines while a line waits or the text has ended.
            FUZZ_CHECK(taken > 0 || splitter_.LineReady());
            bufferBegin_ += taken;
        }
        return splitter_.TakeLine();
    }

    bool AtEnd() {
        if (!splitter_.Ended() && bufferBegin_ == bufferEnd_ && !Refill()) splitter_.EndInput();
        return splitter_.AtEnd(Ahead());
    }

    // Every line up to the end of the text, as the product's loops take them.
    std::vector<std::string> ReadAll() {
        std::vector<std::string> lines;
        while (!AtEnd()) lines.push_back(ReadLine());
        return lines;
    }

private:
    std::string_view Ahead() const { return bytes_.substr(bufferBegin_, bufferEnd_ - bufferBegin_); }

    bool Refill() {
        const std::size_t size = chunks_.Next(bytes_.size() - bufferEnd_);
        bufferBegin_ = bufferEnd_;
        bufferEnd_ += size;
        return size != 0;
    }

    std::string_view bytes_;
    Chunks chunks_;
    KitText::LineSplitter splitter_;
    std::size_t bufferBegin_ = 0;
    std::size_t bufferEnd_ = 0;
};

// The bytes a LineFile writes for these lines: each followed by CR LF.
inline std::string WrittenText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

}  // namespace KitFuzz
