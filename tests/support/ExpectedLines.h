// The line rules of the help and project rewrites, stated once more,
// independently of the library, for what the tests expect.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace KitTest {

// The lines a reader takes from bytes: up to the first byte 26, split at LF,
// without CRs; a final LF starts no further line.
std::vector<std::string> LinesOf(std::string_view bytes);

// A help file as a merge leaves it: every line listed in either list (in
// any ASCII case) taken out, the added lines and one empty line appended.
std::string MergedHelp(std::string_view original, const std::vector<std::string>& removeLines,
                       const std::vector<std::string>& addLines);

std::string CrLfLines(const std::vector<std::string>& lines);

// Every byte but the line ends and the end mark, in a line of its own.
std::string BinaryLine();

}  // namespace KitTest
