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
    for (const std::string& earlier : earlierEntries) {
        RemoveFirstWholeEntry(searchPath, earlier, EntryCase::IgnoreAscii);
    }
    AppendEntryUnlessPresent(searchPath, currentEntry, EntryCase::IgnoreAscii);
    return searchPath;
}

}  // namespace ComponentSetup
