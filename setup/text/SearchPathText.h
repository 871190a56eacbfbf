// The IDE's library "Search Path": directories, each followed by ";". The
// suite puts one entry there, its library directory for the IDE and version,
// after taking out the entries of earlier suite versions. Free of any OS header.
#pragma once

#include <string>
#include <vector>

#include "setup/text/InstallRequest.h"

namespace ComponentSetup {

// installDir, "Lib" (Delphi) or "LibBCB" (C++Builder), the major version and
// ";", joined directly: installDir is expected to end with a backslash.
std::string LibraryDirEntry(const std::string& installDir, IdeKind kind, int majorVersion);

// The same entry for an earlier suite version, upper-cased before the ";".
// Empty when installDir is empty: the bare "LIB7;" would match the tail of an
// unrelated entry.
std::string EarlierLibraryDirEntry(const std::string& installDir, IdeKind kind,
                                   int majorVersion);

// The new search path: searchPath ending with ";" (unless empty), without the
// first whole occurrence of each earlier entry (letter case ignored, empty
// entries skipped, in the given order), and with currentEntry appended unless
// it already stands there in any letter case.
std::string EditSearchPath(std::string searchPath, const std::vector<std::string>& earlierEntries,
                           const std::string& currentEntry);

}  // namespace ComponentSetup
