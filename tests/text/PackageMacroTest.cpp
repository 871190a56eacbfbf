// The "PACKAGES = " macro of a C++Builder project: recognising, splitting and
// writing it, and rewriting it within the project's lines.
#include "setup/text/PackageMacro.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace ComponentSetup;
using Lines = std::vector<std::string>;

TEST(PackageMacro, RecognisesOnlyTheExactUpperCaseStartOnTheTrimmedLine) {
    EXPECT_TRUE(StartsPackageMacro("PACKAGES = vcl50.bpi"));
    EXPECT_TRUE(StartsPackageMacro(" \t PACKAGES = vcl50.bpi \\  \r"));
    // Trimming takes the blank behind "=" that the match needs.
    EXPECT_FALSE(StartsPackageMacro("PACKAGES = "));
    EXPECT_FALSE(StartsPackageMacro("PACKAGES =  "));
    EXPECT_FALSE(StartsPackageMacro("PACKAGES=vcl50.bpi"));
    EXPECT_FALSE(StartsPackageMacro("PACKAGES  = vcl50.bpi"));
    EXPECT_FALSE(StartsPackageMacro("Packages = vcl50.bpi"));
    EXPECT_FALSE(StartsPackageMacro("XPACKAGES = vcl50.bpi"));
    EXPECT_FALSE(StartsPackageMacro("# PACKAGES = vcl50.bpi"));
    EXPECT_FALSE(StartsPackageMacro(""));
}

TEST(PackageMacro, MacroLinesLoseTheirKeywordBackslashAndSurroundingBlanks) {
    MacroLineText first = FirstMacroLineText("  PACKAGES = a.bpi b.bpi \\  \t");
    EXPECT_EQ(first.names, "a.bpi b.bpi");
    EXPECT_TRUE(first.continues);

    // Without a backslash the text is not trimmed again: the blank behind
    // "PACKAGES = " is kept and later gives an empty piece.
    first = FirstMacroLineText("PACKAGES =  a.bpi  b.bpi ");
    EXPECT_EQ(first.names, " a.bpi  b.bpi");
    EXPECT_FALSE(first.continues);

    first = FirstMacroLineText("PACKAGES = \\");
    EXPECT_EQ(first.names, "");
    EXPECT_TRUE(first.continues);

    MacroLineText next = NextMacroLineText("    c.bpi   \\ ");
    EXPECT_EQ(next.names, "c.bpi");
    EXPECT_TRUE(next.continues);
    next = NextMacroLineText("\t d.bpi e.bpi\r");
    EXPECT_EQ(next.names, "d.bpi e.bpi");
    EXPECT_FALSE(next.continues);
    next = NextMacroLineText("   ");
    EXPECT_EQ(next.names, "");
    EXPECT_FALSE(next.continues);
}

TEST(PackageMacro, SplittingSeparatesAtEachBlankOnly) {
    Lines names = {"kept"};
    SplitPackageNames("a.bpi b.bpi", names);
    EXPECT_EQ(names, (Lines{"kept", "a.bpi", "b.bpi"}));

    names.clear();
    SplitPackageNames("", names);
    EXPECT_TRUE(names.empty());

    SplitPackageNames(" a  b ", names);
    EXPECT_EQ(names, (Lines{"", "a", "", "b"}));

    names.clear();
    SplitPackageNames("a\tb c", names);
    EXPECT_EQ(names, (Lines{"a\tb", "c"}));

    names.clear();
    SplitPackageNames(" ", names);
    EXPECT_EQ(names, (Lines{""}));
}

TEST(PackageMacro, APieceLosesTheControlBytesAtItsEndsAsALineEndWouldTakeThem) {
    Lines names;
    SplitPackageNames("a.bpi\t \tb.bpi \x01" "c\td.bpi\x1f \t", names);
    EXPECT_EQ(names, (Lines{"a.bpi", "b.bpi", "c\td.bpi", ""}));
}

TEST(PackageMacro, WritingBreaksOnlyAfterALineHasPassedSeventyCharacters) {
    EXPECT_EQ(PackageMacroLines({}), (Lines{"PACKAGES = "}));
    EXPECT_EQ(PackageMacroLines({"Os30Ctls60.bpi"}), (Lines{"PACKAGES = Os30Ctls60.bpi "}));
    // An empty entry comes back as an extra blank.
    EXPECT_EQ(PackageMacroLines({"a", "", "b"}), (Lines{"PACKAGES = a  b "}));

    const Lines written = PackageMacroLines({"A50.bpi", "B50.bpi", "C50.bpi", "D50.bpi", "E50.bpi",
                                             "F50.bpi", "G50.bpi", "H50.bpi", "Os30Ctls50.bpi",
                                             "Os30DBCtls50.bpi"});
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0],
              "PACKAGES = A50.bpi B50.bpi C50.bpi D50.bpi E50.bpi F50.bpi G50.bpi H50.bpi \\");
    EXPECT_EQ(written[0].size(), 76u);
    EXPECT_EQ(written[1], "  Os30Ctls50.bpi Os30DBCtls50.bpi ");
    EXPECT_EQ(written[1].size(), 34u);
}

TEST(PackageMacro, ALineOfExactlySeventyCharactersIsNotBroken) {
    // 11 + 58 + 1 = 70: stays open; the next name pushes it past the limit.
    const std::string name58(58, 'x');
    EXPECT_EQ(PackageMacroLines({name58, "y"}), (Lines{"PACKAGES = " + name58 + " y "}));
    // 11 + 59 + 1 = 71: broken after the first name.
    const std::string name59(59, 'x');
    EXPECT_EQ(PackageMacroLines({name59, "y"}),
              (Lines{"PACKAGES = " + name59 + " \\", "  y "}));
}

TEST(PackageMacro, TheLastNameNeverCarriesABackslashNorLeavesAnEmptyLine) {
    const std::string name59(59, 'x');
    // The last name itself ends a line: no backslash and no further line.
    EXPECT_EQ(PackageMacroLines({name59}), (Lines{"PACKAGES = " + name59 + " "}));
    const std::string name68(68, 'z');
    EXPECT_EQ(PackageMacroLines({name59, name68}),
              (Lines{"PACKAGES = " + name59 + " \\", "  " + name68 + " "}));
    // Three lines: every line but the last is longer than 70 characters.
    const std::string name67(67, 'w');
    const Lines three = PackageMacroLines({name59, name68, name67, "q"});
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(three[1], "  " + name68 + " \\");
    EXPECT_EQ(three[2], "  " + name67 + " q ");
}

// Lines read from a vector, written to another.
struct VectorStreams {
    explicit VectorStreams(Lines lines) : input(std::move(lines)) {}

    ProjectLineStreams Streams() {
        return {[this] { return next >= input.size(); },
                [this] { return next < input.size() ? input[next++] : std::string(); },
                [this](std::string_view line) { output.emplace_back(line); }};
    }

    Lines input;
    std::size_t next = 0;
    Lines output;
};

// Records what it was given and applies the usual removals and additions.
struct RecordingEditor {
    Lines seen;
    Lines removed;
    Lines added;

    PackageListEditor Editor() {
        return [this](Lines& names) {
            seen = names;
            for (const std::string& name : removed) {
                for (auto it = names.begin(); it != names.end(); ++it) {
                    if (*it == name) {
                        names.erase(it);
                        break;
                    }
                }
            }
            for (const std::string& name : added) names.push_back(name);
        };
    }
};

TEST(PackageMacro, RewriteReplacesAContinuedMacroInPlace) {
    VectorStreams files({"# top", "", "  PACKAGES = vcl50.bpi Os252N50.bpi \\ ",
                         "\t  vclx50.bpi \\", "    bcbsmp50.bpi", "USERDEFINES = _DEBUG", ""});
    RecordingEditor editor;
    editor.removed = {"Os252N50.bpi"};
    editor.added = {"Os30Ctls50.bpi"};
    RewritePackageMacro(files.Streams(), editor.Editor());

    EXPECT_EQ(editor.seen, (Lines{"vcl50.bpi", "Os252N50.bpi", "vclx50.bpi", "bcbsmp50.bpi"}));
    EXPECT_EQ(files.output,
              (Lines{"# top", "", "PACKAGES = vcl50.bpi vclx50.bpi bcbsmp50.bpi Os30Ctls50.bpi ",
                     "USERDEFINES = _DEBUG", ""}));
}

TEST(PackageMacro, RewriteAppendsAMacroWhenNoneIsRecognised) {
    VectorStreams files({"Packages = vcl60.bpi", "PACKAGES=rtl60.bpi", "PACKAGES = "});
    RecordingEditor editor;
    editor.added = {"Os30Ctls60.bpi", "Os30DBCtls60.bpi"};
    RewritePackageMacro(files.Streams(), editor.Editor());

    EXPECT_TRUE(editor.seen.empty());
    EXPECT_EQ(files.output, (Lines{"Packages = vcl60.bpi", "PACKAGES=rtl60.bpi", "PACKAGES = ",
                                   "PACKAGES = Os30Ctls60.bpi Os30DBCtls60.bpi "}));
}

TEST(PackageMacro, RewriteOfAnEmptyFileWritesOnlyTheMacro) {
    VectorStreams files({});
    RecordingEditor editor;
    editor.added = {"Os30Ctls60.bpi"};
    RewritePackageMacro(files.Streams(), editor.Editor());
    EXPECT_EQ(files.output, (Lines{"PACKAGES = Os30Ctls60.bpi "}));
}

TEST(PackageMacro, AnEmptyLineAfterABackslashEndsTheMacroAndIsConsumed) {
    VectorStreams files({"PACKAGES = a.bpi \\", "", "b.bpi", "after"});
    RecordingEditor editor;
    RewritePackageMacro(files.Streams(), editor.Editor());
    EXPECT_EQ(editor.seen, (Lines{"a.bpi"}));
    EXPECT_EQ(files.output, (Lines{"PACKAGES = a.bpi ", "b.bpi", "after"}));
}

TEST(PackageMacro, ABackslashOnTheLastLineEndsTheMacroAtTheEndOfTheFile) {
    VectorStreams files({"x", "PACKAGES = a.bpi b.bpi \\"});
    RecordingEditor editor;
    editor.added = {"c.bpi"};
    RewritePackageMacro(files.Streams(), editor.Editor());
    EXPECT_EQ(editor.seen, (Lines{"a.bpi", "b.bpi"}));
    EXPECT_EQ(files.output, (Lines{"x", "PACKAGES = a.bpi b.bpi c.bpi "}));
}

TEST(PackageMacro, OnlyTheFirstMacroIsRewrittenAndEmptyEntriesSurvive) {
    VectorStreams files({"PACKAGES =  a.bpi  b.bpi", "PACKAGES = z.bpi"});
    RecordingEditor editor;
    RewritePackageMacro(files.Streams(), editor.Editor());
    EXPECT_EQ(editor.seen, (Lines{"", "a.bpi", "", "b.bpi"}));
    EXPECT_EQ(files.output, (Lines{"PACKAGES =  a.bpi  b.bpi ", "PACKAGES = z.bpi"}));
}

TEST(PackageMacro, ALongMacroIsRebuiltByTheSeventyCharacterRule) {
    VectorStreams files({"PACKAGES = A50.bpi B50.bpi C50.bpi D50.bpi \\",
                         "  E50.bpi F50.bpi G50.bpi H50.bpi", "END"});
    RecordingEditor editor;
    editor.added = {"Os30Ctls50.bpi", "Os30DBCtls50.bpi"};
    RewritePackageMacro(files.Streams(), editor.Editor());
    EXPECT_EQ(files.output,
              (Lines{"PACKAGES = A50.bpi B50.bpi C50.bpi D50.bpi E50.bpi F50.bpi G50.bpi H50.bpi \\",
                     "  Os30Ctls50.bpi Os30DBCtls50.bpi ", "END"}));
}

// ---- The lines behind the macro ----------------------------------------------
// RewritePackageMacro hands the lines behind the macro to copyRest when the
// streams offer it, and reads them itself when they do not.

struct Rewritten {
    Lines output;
    int copyRestCalls = 0;
    std::size_t readWhenCopied = 0;  // lines read when copyRest was called
};

Rewritten Rewrite(const Lines& input, bool withCopyRest) {
    Rewritten run;
    std::size_t next = 0;
    ProjectLineStreams streams{
        [&] { return next >= input.size(); },
        [&] { return next < input.size() ? input[next++] : std::string(); },
        [&](std::string_view line) { run.output.emplace_back(line); }};
    if (withCopyRest) {
        streams.copyRest = [&] {
            ++run.copyRestCalls;
            run.readWhenCopied = next;
            // Stands in for a bulk copy: everything not yet read, unchanged.
            while (next < input.size()) run.output.push_back("copied " + input[next++]);
        };
    }
    RewritePackageMacro(streams, [](Lines& names) { names.push_back("Os30Ctls60.bpi"); });
    return run;
}

TEST(PackageMacroCopyRest, TheLinesBehindTheMacroGoToCopyRestOnce) {
    const Lines input = {"top", "PACKAGES = a.bpi \\", "  b.bpi", "after", "last"};
    const Rewritten run = Rewrite(input, true);
    EXPECT_EQ(run.copyRestCalls, 1);
    EXPECT_EQ(run.readWhenCopied, 3u);  // the macro's lines were read, nothing behind them
    EXPECT_EQ(run.output, (Lines{"top", "PACKAGES = a.bpi b.bpi Os30Ctls60.bpi ", "copied after",
                                 "copied last"}));
    // Without it the same lines are read and written one by one.
    EXPECT_EQ(Rewrite(input, false).output,
              (Lines{"top", "PACKAGES = a.bpi b.bpi Os30Ctls60.bpi ", "after", "last"}));
}

TEST(PackageMacroCopyRest, WithoutAMacroCopyRestFindsNothingLeft) {
    const Rewritten run = Rewrite({"top", "bottom"}, true);
    EXPECT_EQ(run.copyRestCalls, 1);
    EXPECT_EQ(run.readWhenCopied, 2u);
    EXPECT_EQ(run.output, (Lines{"top", "bottom", "PACKAGES = Os30Ctls60.bpi "}));
}

// ---- Macros the fuzzer found ----------------------------------------------------
// Package macros that the fuzzer found to come back changed from a rewrite.

// Rewrites lines with an editor that removes the given names.
struct RemovingRun {
    Lines seen;
    Lines output;
};

RemovingRun RewriteRemoving(const Lines& input, const Lines& removed) {
    RemovingRun run;
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

    const RemovingRun second = RewriteRemoving(first, {});
    EXPECT_EQ(second.seen, (Lines{"a.bpi", "b\\"}));
    EXPECT_EQ(second.output, first);
}

TEST(PackageMacroFaults, ANameBesideATabReadsBackTheSameWhereverTheLineIsBroken) {
    // A tab typed beside a blank made the tab part of the name; written at a
    // line's end or a continuation line's start, the line's trimming took it
    // away, so the next run saw another name (and compared it as another).
    // Every name at every position of the line break, and a list whose edit
    // makes that name the last.
    for (std::size_t width = 1; width <= 70; ++width) {
        const std::string filler(width, 'f');
        const Lines input = {"PACKAGES = " + filler + " x.bpi\t \ty.bpi z.bpi\t \tw.bpi",
                             "LIBRARIES = l.lib"};
        const RemovingRun first = RewriteRemoving(input, {"w.bpi"});
        EXPECT_EQ(first.seen, (Lines{filler, "x.bpi", "y.bpi", "z.bpi", "w.bpi"}));
        const RemovingRun second = RewriteRemoving(first.output, {});
        EXPECT_EQ(second.seen, (Lines{filler, "x.bpi", "y.bpi", "z.bpi"})) << width;
        EXPECT_EQ(second.output, first.output) << width;
        EXPECT_EQ(second.output.back(), "LIBRARIES = l.lib");
    }
}

}  // namespace
