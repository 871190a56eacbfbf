#include "tests/support/ExpectedLines.h"

namespace KitTest {

namespace {

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

}  // namespace

std::vector<std::string> LinesOf(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\x1a'));
    std::vector<std::string> lines;
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        std::string line;
        for (const char c : bytes.substr(0, lf)) {
            if (c != '\r') line += c;
        }
        lines.push_back(std::move(line));
        bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);
    }
    return lines;
}

std::string MergedHelp(std::string_view original, const std::vector<std::string>& removeLines,
                       const std::vector<std::string>& addLines) {
    std::string merged;
    for (const std::string& line : LinesOf(original)) {
        bool listed = false;
        for (const auto* list : {&addLines, &removeLines}) {
            for (const std::string& entry : *list) listed = listed || Upper(line) == Upper(entry);
        }
        if (!listed) merged += line + "\r\n";
    }
    for (const std::string& line : addLines) merged += line + "\r\n";
    return merged + "\r\n";
}

std::string CrLfLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

std::string BinaryLine() {
    std::string line;
    for (int c = 0; c < 256; ++c) {
        if (c != '\n' && c != '\r' && c != 0x1a) line += static_cast<char>(c);
    }
    return line;
}

}  // namespace KitTest
