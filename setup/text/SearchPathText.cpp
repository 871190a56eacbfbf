#include "setup/text/SearchPathText.h"

#include <utility>

#include "platform/text/AsciiText.h"
#include "setup/text/EntryList.h"

namespace ComponentSetup {

namespace {

std::string LibraryDirWithoutEnd(const std::string& installDir, IdeKind kind, int majorVersion) {
    return installDir + (kind == IdeKind::CppBuilder ? "LibBCB" : "Lib") +
           std::to_string(majorVersion);
}

}  // namespace

std::string LibraryDirEntry(const std::string& installDir, IdeKind kind, int majorVersion) {
    return LibraryDirWithoutEnd(installDir, kind, majorVersion) + ";";
}

std::string EarlierLibraryDirEntry(const std::string& installDir, IdeKind kind,
                                   int majorVersion) {
    if (installDir.empty()) return {};
    return KitText::UpperAscii(LibraryDirWithoutEnd(installDir, kind, majorVersion)) + ";";
}

std::string EditSearchPath(std::string searchPath, const std::vector<std::string>& earlierEntries,
                           const std::string& currentEntry) {
    searchPath = WithEntryListEnd(std::move(searchPath));
    // The entries are looked up in one upper-cased copy of the list, edited in
    // step with it: upper-casing keeps every position, and the list may be
    // long.
    std::string folded = KitText::UpperAscii(searchPath);
    for (const std::string& earlier : earlierEntries) {
        const std::size_t at =
            FindWholeEntry(folded, KitText::UpperAscii(earlier), EntryCase::Sensitive);
        if (at == std::string::npos) continue;
        searchPath.erase(at, earlier.size());
        folded.erase(at, earlier.size());
    }
    if (AppendEntryUnlessPresent(folded, KitText::UpperAscii(currentEntry), EntryCase::Sensitive)) {
        searchPath += currentEntry;
    }
    return searchPath;
}

}  // namespace ComponentSetup
