// Text rules shared by the registry, profile and project edits. All text is
// 8-bit ANSI; only the ASCII letters a-z take part in case folding, so an
// upper-cased copy keeps the length and the positions of the original.
// Free of any OS header so it also builds natively.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace KitText {

// Inline: it is called for every byte of long lists.
constexpr char UpperAsciiChar(char c) noexcept {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(std::string_view text);

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept;

// Removes every byte with a code of 32 or below from both ends.
std::string_view TrimBlanks(std::string_view text) noexcept;

bool EndsWith(std::string_view text, char c) noexcept;

}  // namespace KitText
