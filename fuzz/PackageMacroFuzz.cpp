// The "PACKAGES = " macro of a makefile-style project file, read and written
// through the same line rules as the real file. Properties: every line that
// is not part of the macro comes out unchanged and in place; the macro lines
// follow the 70-character rule and hold exactly the edited names; and a
// second run reads back the names the first one wrote and keeps every other
// line again (a written macro never swallows the line behind it).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "platform/text/AsciiText.h"
#include "setup/text/PackageMacro.h"

namespace {

using namespace ComponentSetup;
using KitFuzz::Chunks;
using Lines = std::vector<std::string>;

// ---- The edit ---------------------------------------------------------------
// Removals by name (letter case ignored, first match only) and by position,
// and additions unless present, steered by the control byte; so the macro's
// last name may be one read from the file or one the edit added.

void RemoveFirstEqual(Lines& names, std::string_view name) {
    for (auto it = names.begin(); it != names.end(); ++it) {
        if (KitText::EqualsIgnoringAsciiCase(*it, name)) {
            names.erase(it);
            return;
        }
    }
}

void AddUnlessPresent(Lines& names, const std::string& name) {
    for (const std::string& present : names) {
        if (KitText::EqualsIgnoringAsciiCase(present, name)) return;
    }
    names.push_back(name);
}

void Edit(Lines& names, std::uint8_t control) {
    if (control & 1) RemoveFirstEqual(names, "Os251N50.bpi");
    if ((control & 2) && !names.empty()) names.erase(names.begin());
    if ((control & 4) && !names.empty()) names.pop_back();
    if (control & 8) AddUnlessPresent(names, "Os30Ctls50.bpi");
    if (control & 16) AddUnlessPresent(names, "Os30DBCtls50.bpi");
    if (control & 32) AddUnlessPresent(names, "A_Very_Long_Package_Name_That_Fills_Most_Of_A_Line_50.bpi");
}

// ---- An independent reading of where the macro stands -------------------------

bool TrimmedEndsWithBackslash(std::string_view line) {
    return KitText::EndsWith(KitText::TrimBlanks(line), '\\');
}

struct MacroPlace {
    std::size_t first = 0;  // the "PACKAGES = " line, or the line count when none
    std::size_t end = 0;    // behind the macro's last line
};

// The first line whose trimmed text begins with "PACKAGES = " starts the
// macro; it goes on while the line before ends (trimmed) with a backslash.
// An empty line, also the one read at the end of the file, ends it.
MacroPlace FindMacro(const Lines& lines) {
    MacroPlace place{lines.size(), lines.size()};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (KitText::TrimBlanks(lines[i]).substr(0, 11) == "PACKAGES = ") {
            place.first = i;
            place.end = i + 1;
            while (TrimmedEndsWithBackslash(lines[place.end - 1]) && place.end < lines.size()) {
                const bool empty = KitText::TrimBlanks(lines[place.end]).empty();
                ++place.end;
                if (empty) break;
            }
            return place;
        }
    }
    return place;
}

Lines OutsideMacro(const Lines& lines, const MacroPlace& place) {
    Lines kept(lines.begin(), lines.begin() + place.first);
    kept.insert(kept.end(), lines.begin() + place.end, lines.end());
    return kept;
}

// What a name means to the make tool: its pieces between bytes of code 32 or
// below. Such bytes at a name's edge (a tab, an empty name between two
// blanks) may be lost where a macro line is trimmed; the pieces must all
// survive a rewrite, in order, none lost, none merged.
Lines Words(const Lines& names) {
    Lines words;
    for (const std::string& name : names) {
        std::string word;
        for (const char c : name) {
            if (static_cast<unsigned char>(c) > 32) {
                word += c;
            } else if (!word.empty()) {
                words.push_back(std::move(word));
                word.clear();
            }
        }
        if (!word.empty()) words.push_back(std::move(word));
    }
    return words;
}

Lines NonEmpty(const Lines& names) {
    Lines kept;
    for (const std::string& name : names) {
        if (!name.empty()) kept.push_back(name);
    }
    return kept;
}

// ---- The written macro ---------------------------------------------------------

void CheckMacroLines(const Lines& names, Lines macro) {
    FUZZ_CHECK(!macro.empty());
    // The macro ends where it was written: its last line reads as not
    // continued, or (when the last name ends with a backslash) that line
    // carries a continuation mark of its own and an empty line ends it.
    if (macro.size() > 1 && macro.back().empty()) {
        macro.pop_back();
        FUZZ_CHECK(macro.back().size() >= 2);
        FUZZ_CHECK(macro.back().compare(macro.back().size() - 2, 2, " \\") == 0);
        macro.back().pop_back();
        FUZZ_CHECK(TrimmedEndsWithBackslash(macro.back()));
    } else {
        FUZZ_CHECK(!TrimmedEndsWithBackslash(macro.back()));
    }
    FUZZ_CHECK(macro.front().compare(0, 11, "PACKAGES = ") == 0);
    std::string body;
    for (std::size_t i = 0; i < macro.size(); ++i) {
        std::string_view line = macro[i];
        if (i > 0) {
            FUZZ_CHECK(line.substr(0, 2) == "  ");
            line.remove_prefix(2);
        } else {
            line.remove_prefix(11);
        }
        if (i + 1 < macro.size()) {
            // Every line but the last has grown past the limit and goes on.
            FUZZ_CHECK(macro[i].size() > kPackagesLineLimit);
            FUZZ_CHECK(KitText::EndsWith(line, '\\'));
            line.remove_suffix(1);
        }
        body += line;
    }
    // The last line ends with the blank behind the last name.
    FUZZ_CHECK(names.empty() || KitText::EndsWith(macro.back(), ' '));
    std::string expected;
    for (const std::string& name : names) expected += name + ' ';
    FUZZ_CHECK(body == expected);
}

// ---- One run over a file's bytes ---------------------------------------------------

struct Run {
    Lines input;   // the file's lines as read
    Lines read;    // the names the macro held
    Lines edited;  // the names after the edit
    Lines output;  // the lines written
};

Run RewriteFile(std::string_view bytes, std::uint8_t control, bool edit) {
    Run run;
    run.input = KitFuzz::TextReader(bytes, Chunks(control, 1u + control % 5u)).ReadAll();

    KitFuzz::TextReader reader(bytes, Chunks(control, 0));
    RewritePackageMacro({[&reader] { return reader.AtEnd(); },
                         [&reader] { return reader.ReadLine(); },
                         [&run](std::string_view line) { run.output.emplace_back(line); }},
                        [&run, control, edit](Lines& names) {
                            run.read = names;
                            if (edit) Edit(names, control);
                            run.edited = names;
                        });
    return run;
}

// The lines around the macro are kept and the new macro stands in its place,
// or at the end when there was none.
void CheckRewrite(const Run& run) {
    const MacroPlace place = FindMacro(run.input);
    const Lines macro = PackageMacroLines(run.edited);
    CheckMacroLines(run.edited, macro);
    Lines expected(run.input.begin(), run.input.begin() + place.first);
    expected.insert(expected.end(), macro.begin(), macro.end());
    expected.insert(expected.end(), run.input.begin() + place.end, run.input.end());
    FUZZ_CHECK(run.output == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const KitFuzz::SteeredInput input = KitFuzz::Steer(data, size);

    const Run first = RewriteFile(input.text, input.control, true);
    CheckRewrite(first);

    // What a line file reads back is what was written.
    const std::string written = KitFuzz::WrittenText(first.output);
    FUZZ_CHECK(KitFuzz::TextReader(written, Chunks(input.control, 3)).ReadAll() == first.output);

    // The next run finds the names this one wrote and the same other lines.
    // (A macro without names is not recognised again; the product's edit
    // always leaves the suite's names in it.)
    if (Words(first.edited).empty()) return 0;
    const Run second = RewriteFile(written, input.control, false);
    CheckRewrite(second);
    FUZZ_CHECK(Words(second.read) == Words(first.edited));
    // A name read from a file has no such bytes at its edges, so it comes
    // back whole wherever the lines were broken; only empty names may go.
    FUZZ_CHECK(NonEmpty(second.read) == NonEmpty(first.edited));
    FUZZ_CHECK(OutsideMacro(second.input, FindMacro(second.input)) ==
               OutsideMacro(first.input, FindMacro(first.input)));
    return 0;
}
