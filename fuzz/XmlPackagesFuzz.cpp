// The PACKAGES value of an XML project file. Properties: decoding what was
// encoded gives the text back, and the encoded form can neither end the value
// nor split a name; the value found lies between two equal quotes; a rewrite
// keeps every byte outside the value, reads back as the edited names, and a
// second rewrite without edits changes nothing.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "setup/text/XmlPackages.h"

namespace {

using namespace ComponentSetup;
using Names = std::vector<std::string>;

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

Names DecodedNames(std::string_view value) {
    Names names;
    std::size_t at = 0;
    while (at < value.size()) {
        if (IsXmlSpace(value[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < value.size() && !IsXmlSpace(value[end])) ++end;
        names.push_back(DecodeXmlText(value.substr(at, end - at)));
        at = end;
    }
    return names;
}

void Edit(Names& names, std::uint8_t control) {
    if ((control & 1) && !names.empty()) names.erase(names.begin());
    if ((control & 2) && names.size() > 1) names.erase(names.begin() + 1);
    if ((control & 4) && !names.empty()) names.pop_back();
    if (control & 8) names.push_back("Os30Ctls60.bpi");
    if (control & 16) names.push_back("Os30DBCtls60.bpi");
    // A name with every character that needs a reference.
    if (control & 32) names.push_back("a&b<c>\"d'e f\tg");
}

void CheckEncoding(std::string_view text) {
    const std::string encoded = EncodeXmlText(text);
    FUZZ_CHECK(DecodeXmlText(encoded) == text);
    for (const char c : encoded) {
        FUZZ_CHECK(static_cast<unsigned char>(c) > 32);
        FUZZ_CHECK(c != '"' && c != '\'' && c != '<' && c != '>');
    }
    // Text without markup characters or separators is left as it is.
    bool plain = true;
    for (const char c : text) {
        plain = plain && static_cast<unsigned char>(c) > 32 && c != '&' && c != '"' &&
                c != '\'' && c != '<' && c != '>';
    }
    if (plain) FUZZ_CHECK(encoded == text);
}

void CheckSpan(std::string_view bytes, const XmlValueSpan& span) {
    FUZZ_CHECK(span.begin >= 1 && span.begin <= span.end && span.end < bytes.size());
    const char quote = bytes[span.begin - 1];
    FUZZ_CHECK(quote == '"' || quote == '\'');
    FUZZ_CHECK(bytes[span.end] == quote);
    FUZZ_CHECK(bytes.substr(span.begin, span.end - span.begin).find(quote) ==
               std::string_view::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const KitFuzz::SteeredInput input = KitFuzz::Steer(data, size);
    const std::string_view bytes = input.text;

    CheckEncoding(bytes);
    (void)IsXmlProject(bytes);

    const std::optional<XmlValueSpan> span = FindXmlPackagesValue(bytes);
    Names read;
    Names edited;
    const std::optional<std::string> rewritten =
        RewriteXmlPackages(bytes, [&](Names& names) {
            read = names;
            Edit(names, input.control);
            edited = names;
        });
    FUZZ_CHECK(span.has_value() == rewritten.has_value());
    if (!span) return 0;
    CheckSpan(bytes, *span);
    FUZZ_CHECK(read == DecodedNames(bytes.substr(span->begin, span->end - span->begin)));

    // Every byte outside the value is kept.
    const std::string& result = *rewritten;
    const std::size_t tail = bytes.size() - span->end;
    FUZZ_CHECK(result.size() >= span->begin + tail);
    FUZZ_CHECK(result.compare(0, span->begin, bytes, 0, span->begin) == 0);
    FUZZ_CHECK(result.compare(result.size() - tail, tail, bytes, span->end, tail) == 0);

    // The new value stands where the old one stood and holds the edited names.
    const std::optional<XmlValueSpan> again = FindXmlPackagesValue(result);
    FUZZ_CHECK(again.has_value());
    CheckSpan(result, *again);
    FUZZ_CHECK(again->begin == span->begin && again->end == result.size() - tail);
    FUZZ_CHECK(DecodedNames(std::string_view(result).substr(again->begin,
                                                            again->end - again->begin)) == edited);

    // A rewrite without edits leaves the result as it is.
    const std::optional<std::string> rerun = RewriteXmlPackages(result, [](Names&) {});
    FUZZ_CHECK(rerun.has_value() && *rerun == result);
    return 0;
}
