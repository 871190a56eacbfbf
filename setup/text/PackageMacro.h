// The run-time package list of a makefile-style C++Builder project file: the
// "PACKAGES = " macro, a blank-separated list of package file names that may
// continue over lines ending with a backslash. Reading and writing work on
// lines handed over by the caller, so these rules need no OS header.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ComponentSetup {

// The macro starts at the first line whose trimmed text begins with exactly
// these 11 characters (upper case, one blank on each side of "=").
inline constexpr std::string_view kPackagesMacroStart = "PACKAGES = ";
// A written macro line is ended once it has grown longer than this.
inline constexpr std::size_t kPackagesLineLimit = 70;

bool StartsPackageMacro(std::string_view line) noexcept;

// The names part of one macro line, and whether the macro goes on after it.
struct MacroLineText {
    std::string_view names;
    bool continues = false;
};
// For the line that StartsPackageMacro accepted.
MacroLineText FirstMacroLineText(std::string_view line) noexcept;
// For every line after it while the macro continues.
MacroLineText NextMacroLineText(std::string_view line) noexcept;

// Appends the pieces of text to names. Only the blank (code 32) separates:
// a blank at the start, or two adjacent blanks, give an empty piece, and a
// trailing blank gives none. A piece loses the bytes of code 32 or below at
// its ends (a tab beside a blank): the line's own trimming takes them from a
// name that ends or starts a line, so a name reads the same wherever the
// writer breaks the lines, and compares as the make tool sees it.
void SplitPackageNames(std::string_view text, std::vector<std::string>& names);

// The macro as written back: "PACKAGES = " and each name followed by one
// blank; a line that has grown past the limit ends there, with a backslash
// unless its last name is the list's last, and the next line starts with two
// blanks. An empty list gives the single line "PACKAGES = ". When the last
// name ends with a backslash, its line gets a backslash too and an empty line
// follows, so that the name and the lines behind the macro read back as
// written.
std::vector<std::string> PackageMacroLines(const std::vector<std::string>& names);

// Where the project's lines come from and go to. readLine at the end of the
// input yields an empty line. copyRest, when given, writes every line not yet
// read as it was read, as the loop over atEnd, readLine and writeLine does,
// but at the speed of a copy: the lines behind the macro are most of a file.
struct ProjectLineStreams {
    std::function<bool()> atEnd;
    std::function<std::string()> readLine;
    std::function<void(std::string_view)> writeLine;
    std::function<void()> copyRest = nullptr;
};

// Edits the package names in place: removals and additions only.
using PackageListEditor = std::function<void(std::vector<std::string>& names)>;

// Copies the project's lines, replacing the first macro by the edited one;
// when there is none, the macro holding only the editor's names is written
// after the last line. Passes on whatever the streams raise.
void RewritePackageMacro(const ProjectLineStreams& streams, const PackageListEditor& edit);

}  // namespace ComponentSetup
