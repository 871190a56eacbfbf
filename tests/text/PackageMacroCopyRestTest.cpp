// RewritePackageMacro hands the lines behind the macro to copyRest when the
// streams offer it, and reads them itself when they do not.
#include "setup/text/PackageMacro.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace ComponentSetup;
using Lines = std::vector<std::string>;

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

}  // namespace
