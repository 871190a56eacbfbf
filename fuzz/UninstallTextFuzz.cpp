// The rules by which IDEUninstall takes the suite out of a store. The input's
// first byte picks the store, the rest is its text. Properties: what is taken
// out is the suite's and nothing else (entries and lines that stay keep their
// order and bytes), nothing of the suite is left behind, and a second pass
// over the result finds nothing to take out, so a second uninstall writes
// nothing.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "platform/text/AsciiText.h"
#include "setup/text/PackageMacro.h"
#include "setup/text/UninstallText.h"
#include "setup/text/XmlPackages.h"

namespace {

using namespace ComponentSetup;

constexpr int kVersion = 6;
const std::string kLibraryDir = "C:\\Suite\\Lib6";

constexpr std::string_view kSuiteLines[] = {":Index Ostrel Components 3.0=OC3Help.hlp",
                                            ":Link OC3Help.hlp"};

// The entries of a ";" list with their leading blanks dropped.
std::vector<std::string> Entries(std::string_view list) {
    std::vector<std::string> entries;
    std::size_t at = 0;
    while (at < list.size()) {
        std::size_t end = list.find(';', at);
        if (end == std::string_view::npos) end = list.size();
        std::string_view entry = list.substr(at, end - at);
        while (!entry.empty() && entry.front() == ' ') entry.remove_prefix(1);
        entries.emplace_back(entry);
        at = end + 1;
    }
    return entries;
}

bool IsLibraryDir(const std::string& entry) {
    return KitText::EqualsIgnoringAsciiCase(entry, kLibraryDir) ||
           KitText::EqualsIgnoringAsciiCase(entry, kLibraryDir + "\\");
}

void CheckSearchPath(std::string_view text) {
    const std::optional<std::string> edited = SearchPathWithoutLibraryDir(text, kLibraryDir);
    std::vector<std::string> expected;
    bool any = false;
    for (const std::string& entry : Entries(text)) {
        if (!entry.empty() && IsLibraryDir(entry)) {
            any = true;
        } else {
            expected.push_back(entry);
        }
    }
    FUZZ_CHECK(edited.has_value() == any);
    if (!edited) return;
    FUZZ_CHECK(Entries(*edited) == expected);
    FUZZ_CHECK(!SearchPathWithoutLibraryDir(*edited, kLibraryDir));
}

void CheckHelp(std::string_view text) {
    const std::optional<std::string> edited = HelpTextWithoutSuiteLines(text, kSuiteLines);
    const std::vector<std::string> lines = SplitTextLines(text);
    if (!edited) {
        for (const std::string& line : lines) {
            for (std::string_view suite : kSuiteLines) {
                FUZZ_CHECK(!KitText::EqualsIgnoringAsciiCase(line, suite));
            }
        }
        return;
    }
    const std::vector<std::string> kept = SplitTextLines(*edited);
    FUZZ_CHECK(kept.size() < lines.size());
    // The kept lines are the input's lines in order, less suite lines and at
    // most one empty line at the end.
    std::size_t next = 0;
    for (const std::string& line : kept) {
        while (next < lines.size() && lines[next] != line) ++next;
        FUZZ_CHECK(next < lines.size());
        ++next;
    }
    FUZZ_CHECK(!HelpTextWithoutSuiteLines(*edited, kSuiteLines));
}

// True when the rewrite took every name out of a makefile's macro: its line
// then reads "PACKAGES = " (with one more blank for each empty entry that two
// adjacent blanks made), which is no macro to the next run (trimming takes
// the blank the match needs), so that run edits the next "PACKAGES = " line
// of the file, if there is one. The lines ahead of the macro are copied, so
// the macro's line stands at the same index before and after.
bool EmptiedMakefileMacro(std::string_view text, const std::string& edited) {
    if (IsXmlProject(text)) return false;
    const std::vector<std::string> before = SplitTextLines(text);
    std::size_t macro = 0;
    while (macro < before.size() && !StartsPackageMacro(before[macro])) ++macro;
    const std::vector<std::string> after = SplitTextLines(edited);
    return macro < after.size() &&
           KitText::TrimBlanks(after[macro]) == KitText::TrimBlanks(kPackagesMacroStart);
}

// True when the rewritten makefile reads as XML: the line rules drop a lone
// CR, so "<?xm" CR "l" comes back as "<?xml", and the next run takes the file
// for an XML project.
bool BecameXml(std::string_view text, const std::string& edited) {
    return !IsXmlProject(text) && IsXmlProject(edited);
}

void CheckProject(std::string_view text) {
    const std::optional<std::string> edited = ProjectWithoutSuitePackages(text, kVersion);
    if (!edited) return;
    if (!EmptiedMakefileMacro(text, *edited) && !BecameXml(text, *edited)) {
        FUZZ_CHECK(!ProjectWithoutSuitePackages(*edited, kVersion));
    }
}

void CheckKnownPackage(std::string_view text) {
    const bool suite = IsSuiteDesignPackageValue(text, kVersion);
    const std::size_t separator = text.find_last_of("\\/");
    const std::string_view file =
        separator == std::string_view::npos ? text : text.substr(separator + 1);
    FUZZ_CHECK(suite == IsSuiteDesignPackageValue(file, kVersion));
    if (suite) FUZZ_CHECK(file.size() >= 19 && file.size() <= 26);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const KitFuzz::SteeredInput input = KitFuzz::Steer(data, size);
    switch (input.control % 4) {
        case 0: CheckSearchPath(input.text); break;
        case 1: CheckHelp(input.text); break;
        case 2: CheckProject(input.text); break;
        default: CheckKnownPackage(input.text); break;
    }
    return 0;
}
