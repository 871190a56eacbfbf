#include "setup/text/XmlPackages.h"

#include <vector>

namespace ComponentSetup {

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kPackagesElement = "PACKAGES";
constexpr std::string_view kValueAttribute = "value";

bool StartsWith(std::string_view text, std::size_t at, std::string_view prefix) noexcept {
    return text.size() >= at && text.substr(at, prefix.size()) == prefix;
}

bool IsXmlSpace(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::size_t SkipXmlSpace(std::string_view text, std::size_t at) noexcept {
    while (at < text.size() && IsXmlSpace(text[at])) ++at;
    return at;
}

// Just behind the first occurrence of terminator at or after from, or npos.
std::size_t After(std::string_view text, std::size_t from, std::string_view terminator) noexcept {
    const std::size_t at = text.find(terminator, from);
    return at == std::string_view::npos ? at : at + terminator.size();
}

// Just behind the '>' that closes a declaration such as <!DOCTYPE ...>,
// whose internal subset may hold quoted text and nested declarations.
std::size_t AfterDeclaration(std::string_view text, std::size_t from) noexcept {
    int depth = 0;
    for (std::size_t at = from; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '"' || c == '\'') {
            at = text.find(c, at + 1);
            if (at == std::string_view::npos) return at;
        } else if (c == '[' || c == '<') {
            ++depth;
        } else if (c == ']' || (c == '>' && depth > 0)) {
            --depth;
        } else if (c == '>') {
            return at + 1;
        }
    }
    return std::string_view::npos;
}

// Just behind the '>' of a tag, skipping quoted attribute values.
std::size_t AfterTag(std::string_view text, std::size_t from) noexcept {
    for (std::size_t at = from; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '"' || c == '\'') {
            at = text.find(c, at + 1);
            if (at == std::string_view::npos) return at;
        } else if (c == '>') {
            return at + 1;
        }
    }
    return std::string_view::npos;
}

std::size_t EndOfName(std::string_view text, std::size_t at) noexcept {
    while (at < text.size() && !IsXmlSpace(text[at]) && text[at] != '=' && text[at] != '/' &&
           text[at] != '>') {
        ++at;
    }
    return at;
}

// The value attribute among the attributes that start at 'at' in a start tag.
std::optional<XmlValueSpan> FindValueAttribute(std::string_view text, std::size_t at) {
    for (;;) {
        at = SkipXmlSpace(text, at);
        if (at >= text.size() || text[at] == '>' || text[at] == '/') return std::nullopt;
        const std::size_t nameEnd = EndOfName(text, at);
        if (nameEnd == at) return std::nullopt;
        const std::string_view name = text.substr(at, nameEnd - at);
        at = SkipXmlSpace(text, nameEnd);
        if (at >= text.size() || text[at] != '=') return std::nullopt;
        at = SkipXmlSpace(text, at + 1);
        if (at >= text.size() || (text[at] != '"' && text[at] != '\'')) return std::nullopt;
        const std::size_t close = text.find(text[at], at + 1);
        if (close == std::string_view::npos) return std::nullopt;
        if (name == kValueAttribute) return XmlValueSpan{at + 1, close};
        at = close + 1;
    }
}

// The pieces of an attribute value as they stand in the file.
std::vector<std::string_view> SplitAtXmlSpace(std::string_view value) {
    std::vector<std::string_view> pieces;
    std::size_t at = SkipXmlSpace(value, 0);
    while (at < value.size()) {
        std::size_t end = at;
        while (end < value.size() && !IsXmlSpace(value[end])) ++end;
        pieces.push_back(value.substr(at, end - at));
        at = SkipXmlSpace(value, end);
    }
    return pieces;
}

std::string_view LineBreakOf(std::string_view bytes) noexcept {
    const std::size_t at = bytes.find_first_of("\r\n");
    if (at == std::string_view::npos || StartsWith(bytes, at, "\r\n")) return "\r\n";
    return bytes[at] == '\n' ? "\n" : "\r";
}

// Bytes from the start of the line holding position 'at' up to 'at'.
std::size_t LineLengthBefore(std::string_view bytes, std::size_t at) noexcept {
    const std::size_t lastBreak = bytes.find_last_of("\r\n", at == 0 ? 0 : at - 1);
    if (at == 0 || lastBreak == std::string_view::npos) return at;
    return at - (lastBreak + 1);
}

// A reference at the start of text ("&...;"): its character and length.
struct Reference {
    char character = 0;
    std::size_t length = 0;
};

std::optional<Reference> NumericReference(std::string_view text) {
    const bool hex = StartsWith(text, 0, "&#x");
    std::size_t at = hex ? 3 : 2;
    unsigned long code = 0;
    const std::size_t digitsStart = at;
    for (; at < text.size() && text[at] != ';'; ++at) {
        const char c = text[at];
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) return std::nullopt;
        code = code * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
        if (code > 127) return std::nullopt;
    }
    if (at == digitsStart || at >= text.size()) return std::nullopt;
    return Reference{static_cast<char>(code), at + 1};
}

std::optional<Reference> ReferenceAt(std::string_view text) {
    static constexpr struct {
        std::string_view name;
        char character;
    } kNamed[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    for (const auto& named : kNamed) {
        if (StartsWith(text, 0, named.name)) return Reference{named.character, named.name.size()};
    }
    if (StartsWith(text, 0, "&#")) return NumericReference(text);
    return std::nullopt;
}

// What a name is written as: as it stood in the file when the edit kept it
// (matched in order, since the edit only removes and appends), else encoded.
std::vector<std::string> WrittenForms(const std::vector<std::string>& names,
                                      const std::vector<std::string>& decoded,
                                      const std::vector<std::string_view>& raw) {
    std::vector<std::string> forms;
    forms.reserve(names.size());
    std::size_t next = 0;
    for (const std::string& name : names) {
        std::size_t k = next;
        while (k < decoded.size() && decoded[k] != name) ++k;
        if (k < decoded.size()) {
            forms.emplace_back(raw[k]);
            next = k + 1;
        } else {
            forms.push_back(EncodeXmlText(name));
        }
    }
    return forms;
}

}  // namespace

bool IsXmlProject(std::string_view bytes) noexcept {
    if (StartsWith(bytes, 0, kUtf8ByteOrderMark)) bytes.remove_prefix(kUtf8ByteOrderMark.size());
    std::size_t at = 0;
    while (at < bytes.size() && static_cast<unsigned char>(bytes[at]) <= 32) ++at;
    return StartsWith(bytes, at, "<?xml");
}

std::string DecodeXmlText(std::string_view raw) {
    std::string text;
    text.reserve(raw.size());
    for (std::size_t at = 0; at < raw.size();) {
        if (raw[at] == '&') {
            if (const auto reference = ReferenceAt(raw.substr(at))) {
                text += reference->character;
                at += reference->length;
                continue;
            }
        }
        text += raw[at++];
    }
    return text;
}

std::string EncodeXmlText(std::string_view text) {
    std::string raw;
    raw.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': raw += "&amp;"; break;
            case '<': raw += "&lt;"; break;
            case '>': raw += "&gt;"; break;
            case '"': raw += "&quot;"; break;
            case '\'': raw += "&apos;"; break;
            default:
                if (static_cast<unsigned char>(c) <= 32) {
                    raw += "&#" + std::to_string(static_cast<unsigned char>(c)) + ";";
                } else {
                    raw += c;
                }
        }
    }
    return raw;
}

std::optional<XmlValueSpan> FindXmlPackagesValue(std::string_view bytes) {
    std::size_t at = 0;
    for (;;) {
        at = bytes.find('<', at);
        if (at == std::string_view::npos) return std::nullopt;
        if (StartsWith(bytes, at, "<!--")) {
            at = After(bytes, at + 4, "-->");
        } else if (StartsWith(bytes, at, "<![CDATA[")) {
            at = After(bytes, at + 9, "]]>");
        } else if (StartsWith(bytes, at, "<?")) {
            at = After(bytes, at + 2, "?>");
        } else if (StartsWith(bytes, at, "<!")) {
            at = AfterDeclaration(bytes, at + 2);
        } else if (StartsWith(bytes, at, "</")) {
            at = AfterTag(bytes, at + 2);
        } else {
            const std::size_t nameEnd = EndOfName(bytes, at + 1);
            if (bytes.substr(at + 1, nameEnd - at - 1) == kPackagesElement) {
                return FindValueAttribute(bytes, nameEnd);
            }
            at = AfterTag(bytes, nameEnd);
        }
        if (at == std::string_view::npos) return std::nullopt;
    }
}

std::optional<std::string> RewriteXmlPackages(std::string_view bytes,
                                              const PackageListEditor& edit) {
    const std::optional<XmlValueSpan> span = FindXmlPackagesValue(bytes);
    if (!span) return std::nullopt;

    const std::vector<std::string_view> raw =
        SplitAtXmlSpace(bytes.substr(span->begin, span->end - span->begin));
    std::vector<std::string> decoded;
    decoded.reserve(raw.size());
    for (const std::string_view piece : raw) decoded.push_back(DecodeXmlText(piece));

    std::vector<std::string> names = decoded;
    edit(names);
    const std::vector<std::string> forms = WrittenForms(names, decoded, raw);

    const std::string_view lineBreak = LineBreakOf(bytes);
    const std::string indent(kXmlPackagesIndent, ' ');
    std::string result(bytes.substr(0, span->begin));
    std::size_t lineLength = LineLengthBefore(bytes, span->begin);
    for (std::size_t i = 0; i < forms.size(); ++i) {
        result += forms[i];
        lineLength += forms[i].size();
        if (i + 1 == forms.size()) break;
        result += ' ';
        ++lineLength;
        if (lineLength > kPackagesLineLimit) {
            result += lineBreak;
            result += indent;
            lineLength = indent.size();
        }
    }
    result += bytes.substr(span->end);
    return result;
}

}  // namespace ComponentSetup
