#include "setup/KnownPackages.h"

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

}  // namespace

void RemoveKnownPackages(const std::string& oldFileName, const TStringList& snapshot,
                         TRegIniFile& ideKey) {
    const std::string pattern = KitText::UpperAscii(oldFileName);
    for (int i = 0; i < snapshot.ItemCount(); ++i) {
        const std::string& valueName = snapshot.ItemAt(i);
        if (KitText::FindText(KitText::UpperAscii(valueName), pattern) != KitText::NotFound) {
            ideKey.DeleteSectionValue(kKnownPackagesSection, valueName);
        }
    }
}

void ReplaceKnownPackages(IdeKind kind, int majorVersion, bool trialEdition,
                          const std::vector<const char*>& oldFileNames, TRegIniFile& ideKey) {
    {
        // One listing serves every comparison; the deletions do not change it.
        TStringList snapshot;
        ideKey.ListSectionValues(kKnownPackagesSection, snapshot);
        for (const char* oldFileName : oldFileNames) {
            RemoveKnownPackages(oldFileName, snapshot, ideKey);
        }
    }
    RegisterDesignPackage(/*dataAware=*/false, majorVersion, trialEdition, ideKey);
    if (DataAwareAllowed(kind, majorVersion)) {
        RegisterDesignPackage(/*dataAware=*/true, majorVersion, trialEdition, ideKey);
    }
}

}  // namespace ComponentSetup
