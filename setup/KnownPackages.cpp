#include "setup/KnownPackages.h"

#include <algorithm>
#include <functional>

#include "platform/Registry.h"
#include "platform/StringList.h"
#include "platform/text/AsciiText.h"
#include "setup/ComponentSetup.h"
#include "setup/Discovery.h"
#include "setup/text/PackageNames.h"

namespace ComponentSetup {

using KitPlatform::TRegIniFile;
using KitPlatform::TStringList;

namespace {

void RegisterDesignPackage(bool dataAware, int majorVersion, bool trialEdition,
                           TRegIniFile& ideKey) {
    const std::string valueName =
        ProductInstallDir() + "Bin\\" +
        PackageFileName(/*designTime=*/true, dataAware, majorVersion, trialEdition);
    ideKey.WriteSectionString(kKnownPackagesSection, valueName,
                              PackageDescription(dataAware, trialEdition));
}

// The snapshot's names upper-cased, in its order: made once, searched for
// every old file name.
std::vector<std::string> UpperCasedNames(const TStringList& snapshot) {
    std::vector<std::string> upperNames;
    upperNames.reserve(static_cast<std::size_t>(snapshot.ItemCount()));
    for (int i = 0; i < snapshot.ItemCount(); ++i) {
        upperNames.push_back(KitText::UpperAscii(snapshot.ItemAt(i)));
    }
    return upperNames;
}

void RemoveKnownPackages(const std::string& oldFileName, const TStringList& snapshot,
                         const std::vector<std::string>& upperNames, TRegIniFile& ideKey) {
    const std::string pattern = KitText::UpperAscii(oldFileName);
    if (pattern.empty()) return;  // an empty name is never found
    // One skip table for the name serves the search in every value name.
    const std::boyer_moore_horspool_searcher search(pattern.begin(), pattern.end());
    for (int i = 0; i < snapshot.ItemCount(); ++i) {
        const std::string& upperName = upperNames[static_cast<std::size_t>(i)];
        if (std::search(upperName.begin(), upperName.end(), search) != upperName.end()) {
            ideKey.DeleteSectionValue(kKnownPackagesSection, snapshot.ItemAt(i));
        }
    }
}

}  // namespace

void RemoveKnownPackages(const std::string& oldFileName, const TStringList& snapshot,
                         TRegIniFile& ideKey) {
    RemoveKnownPackages(oldFileName, snapshot, UpperCasedNames(snapshot), ideKey);
}

void ReplaceKnownPackages(IdeKind kind, int majorVersion, bool trialEdition,
                          const std::vector<const char*>& oldFileNames, TRegIniFile& ideKey) {
    {
        // One listing serves every comparison; the deletions do not change it.
        TStringList snapshot;
        ideKey.ListSectionValues(kKnownPackagesSection, snapshot);
        const std::vector<std::string> upperNames = UpperCasedNames(snapshot);
        for (const char* oldFileName : oldFileNames) {
            RemoveKnownPackages(oldFileName, snapshot, upperNames, ideKey);
        }
    }
    RegisterDesignPackage(/*dataAware=*/false, majorVersion, trialEdition, ideKey);
    if (DataAwareAllowed(kind, majorVersion)) {
        RegisterDesignPackage(/*dataAware=*/true, majorVersion, trialEdition, ideKey);
    }
}

}  // namespace ComponentSetup
