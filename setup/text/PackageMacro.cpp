#include "setup/text/PackageMacro.h"

#include <algorithm>

#include "platform/text/AsciiText.h"

namespace ComponentSetup {

namespace {

// A trimmed macro line that ends with a backslash continues the macro; its
// names are what stands before the backslash, trimmed again.
MacroLineText NamesOfTrimmedLine(std::string_view text) noexcept {
    if (!KitText::EndsWith(text, '\\')) return {text, false};
    text.remove_suffix(1);
    return {KitText::TrimBlanks(text), true};
}

}  // namespace

bool StartsPackageMacro(std::string_view line) noexcept {
    return KitText::TrimBlanks(line).substr(0, kPackagesMacroStart.size()) == kPackagesMacroStart;
}

MacroLineText FirstMacroLineText(std::string_view line) noexcept {
    std::string_view text = KitText::TrimBlanks(line);
    text.remove_prefix(std::min(text.size(), kPackagesMacroStart.size()));
    return NamesOfTrimmedLine(text);
}

MacroLineText NextMacroLineText(std::string_view line) noexcept {
    return NamesOfTrimmedLine(KitText::TrimBlanks(line));
}

void SplitPackageNames(std::string_view text, std::vector<std::string>& names) {
    while (!text.empty()) {
        const std::size_t blank = text.find(' ');
        if (blank == std::string_view::npos) {
            names.emplace_back(KitText::TrimBlanks(text));
            return;
        }
        names.emplace_back(KitText::TrimBlanks(text.substr(0, blank)));
        text.remove_prefix(blank + 1);
    }
}

std::vector<std::string> PackageMacroLines(const std::vector<std::string>& names) {
    std::vector<std::string> lines;
    std::string text(kPackagesMacroStart);
    bool lineOpen = true;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += names[i];
        text += ' ';
        lineOpen = true;
        if (text.size() > kPackagesLineLimit) {
            const bool last = i + 1 == names.size();
            if (!last) text += '\\';
            lines.push_back(std::move(text));
            text = "  ";
            lineOpen = false;
        }
    }
    if (lineOpen) lines.push_back(std::move(text));
    // A last name that ends with a backslash would be read as the line's
    // continuation mark: the name would lose it and the next run would take
    // the line behind the macro into the list. A mark of its own keeps the
    // name whole, and an empty line ends the macro, consumed with it.
    if (KitText::EndsWith(KitText::TrimBlanks(lines.back()), '\\')) {
        lines.back() += '\\';
        lines.emplace_back();
    }
    return lines;
}

void RewritePackageMacro(const ProjectLineStreams& streams, const PackageListEditor& edit) {
    bool found = false;
    std::string line;
    while (!found && !streams.atEnd()) {
        line = streams.readLine();
        if (StartsPackageMacro(line)) {
            found = true;
        } else {
            streams.writeLine(line);
        }
    }

    std::vector<std::string> names;
    if (found) {
        MacroLineText piece = FirstMacroLineText(line);
        SplitPackageNames(piece.names, names);
        while (piece.continues) {
            // An empty line (also the one read at the end of the file) ends
            // the macro and is consumed with it.
            line = streams.readLine();
            piece = NextMacroLineText(line);
            SplitPackageNames(piece.names, names);
        }
    }

    edit(names);
    for (const std::string& macroLine : PackageMacroLines(names)) streams.writeLine(macroLine);

    if (streams.copyRest) {
        streams.copyRest();
    } else {
        while (!streams.atEnd()) streams.writeLine(streams.readLine());
    }
}

}  // namespace ComponentSetup
