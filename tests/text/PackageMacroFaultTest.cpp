// Package macros that the fuzzer found to come back changed from a rewrite.
#include "setup/text/PackageMacro.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace ComponentSetup;
using Lines = std::vector<std::string>;

// Rewrites lines with an editor that removes the given names.
struct Rewrite {
    Lines seen;
    Lines output;
};

Rewrite RewriteRemoving(const Lines& input, const Lines& removed) {
    Rewrite run;
    std::size_t next = 0;
    RewritePackageMacro(
        {[&] { return next >= input.size(); },
         [&] { return next < input.size() ? input[next++] : std::string(); },
         [&](std::string_view line) { run.output.emplace_back(line); }},
        [&](Lines& names) {
            run.seen = names;
            for (const std::string& name : removed) {
                for (auto it = names.begin(); it != names.end(); ++it) {
                    if (*it == name) {
                        names.erase(it);
                        break;
                    }
                }
            }
        });
    return run;
}

TEST(PackageMacroFaults, ALastNameEndingWithABackslashGetsAMarkOfItsOwnAndAnEndingLine) {
    EXPECT_EQ(PackageMacroLines({"a.bpi", "b\\"}), (Lines{"PACKAGES = a.bpi b\\ \\", ""}));
    EXPECT_EQ(PackageMacroLines({"\\"}), (Lines{"PACKAGES = \\ \\", ""}));
    // A name of blanks behind it does not hide the backslash from the reader.
    EXPECT_EQ(PackageMacroLines({"b\\", "\t"}), (Lines{"PACKAGES = b\\ \t \\", ""}));
    // Elsewhere the backslash needs nothing: the line's own mark follows it.
    const std::string name59(59, 'x');
    EXPECT_EQ(PackageMacroLines({name59 + "\\", "y"}),
              (Lines{"PACKAGES = " + name59 + "\\ \\", "  y "}));
}

TEST(PackageMacroFaults, ALastNameEndingWithABackslashNeverSwallowsTheNextLine) {
    // Taking out the last name leaves "b\" last. Written as "b\ " alone, the
    // trimmed line would end with a backslash: the next run would read the
    // LIBRARIES line as package names and drop it from the file.
    const Lines first =
        RewriteRemoving({"PACKAGES = a.bpi b\\ c.bpi", "LIBRARIES = x.lib", "END"}, {"c.bpi"})
            .output;
    EXPECT_EQ(first, (Lines{"PACKAGES = a.bpi b\\ \\", "", "LIBRARIES = x.lib", "END"}));

    const Rewrite second = RewriteRemoving(first, {});
    EXPECT_EQ(second.seen, (Lines{"a.bpi", "b\\"}));
    EXPECT_EQ(second.output, first);
}

}  // namespace
