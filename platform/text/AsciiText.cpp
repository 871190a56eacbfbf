#include "platform/text/AsciiText.h"

namespace KitText {

namespace {
bool IsBlank(char c) noexcept {
    return static_cast<unsigned char>(c) <= 32;
}
}  // namespace

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = UpperAsciiChar(c);
    return upper;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (UpperAsciiChar(a[i]) != UpperAsciiChar(b[i])) return false;
    }
    return true;
}

std::string_view TrimBlanks(std::string_view text) noexcept {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

bool EndsWith(std::string_view text, char c) noexcept {
    return !text.empty() && text.back() == c;
}

}  // namespace KitText
