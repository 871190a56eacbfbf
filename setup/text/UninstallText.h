// What IDEUninstall takes out of an IDE's stores again: the rules that decide
// which registry values, list entries, package names and help lines are the
// suite's, and the texts without them. Names are compared whole, with the
// ASCII letters a-z folded and every other byte as it is; every occurrence
// goes. A result of nothing means "nothing to take out": the store is then
// left exactly as it is, not even written. Free of any OS header.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "setup/text/HelpPlans.h"

namespace ComponentSetup {

// True when the last path component of a "Known Packages" (or "Disabled
// Packages") value name is one of the version's four design-time package
// files of the suite (full and trial, standard and data-aware), in whatever
// directory. A name that merely contains one (MyOs30Ctls_Dsgn70.bpl) is not.
bool IsSuiteDesignPackageValue(std::string_view valueName, int majorVersion);

// "Search Path" without every entry equal to libraryDir, with or without a
// final backslash.
std::optional<std::string> SearchPathWithoutLibraryDir(std::string_view searchPath,
                                                       std::string_view libraryDir);

// Delphi's "Packages" option without the suite's run-time entries of the
// version (Os30Ctls70, Os30DBCtls70, Os30TrialCtls70, Os30TrialDBCtls70).
std::optional<std::string> DefaultPackagesWithoutSuite(std::string_view packages,
                                                       int majorVersion);

// A C++Builder default project without the suite's run-time package names:
// the XML PACKAGES value edited in place (every other byte kept), or the
// makefile "PACKAGES = " macro written again by the same rule as IDEInstall
// writes it, every line ending with CR LF. Nothing when no name went (also
// when there is no package list at all).
std::optional<std::string> ProjectWithoutSuitePackages(std::string_view bytes, int majorVersion);

// True when the list holds a line other than the empty one: a help file gets
// suite lines only from such a step (Delphi 6 and 7's contents file gets none).
bool AddsSuiteLines(HelpLineList addLines) noexcept;

// A help file's text without every line equal to one of suiteLines and
// without the empty line directly behind the last of them when it is the
// file's last line (the closing empty line IDEInstall writes). The lines
// that stay end with CR LF. Nothing when no line went.
std::optional<std::string> HelpTextWithoutSuiteLines(std::string_view bytes,
                                                     HelpLineList suiteLines);

// The text's lines by the line file's rules (LF or CR LF ends a line, a lone
// CR is dropped, byte 26 ends the text, a last line without a break counts).
std::vector<std::string> SplitTextLines(std::string_view bytes);

}  // namespace ComponentSetup
