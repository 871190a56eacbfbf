#include "setup/text/RegistrationPlan.h"

#include <algorithm>
#include <functional>

#include "platform/text/AsciiText.h"
#include "setup/text/PackageNames.h"

namespace ComponentSetup {

namespace {

KnownPackageEntry KnownPackageOf(const IdeTarget& target, bool dataAware) {
    return {target.SuiteDir + "Bin\\" +
                DesignPackageFileName(dataAware, target.MajorVersion, target.TrialEdition),
            PackageDescription(dataAware, target.TrialEdition)};
}

void AppendRuntimeNames(const IdeTable& table, NameTable names, int majorVersion,
                        std::vector<std::string>& out) {
    for (std::string_view name : names) {
        std::string formed(name);
        if (table.RuntimeTablesNeedVersion) {
            formed += std::to_string(majorVersion) + std::string(table.RuntimeEnding);
        }
        out.push_back(std::move(formed));
    }
}

}  // namespace

std::vector<std::string> KnownPackagesToDelete(const std::vector<std::string>& snapshot,
                                               NameTable earlierFileNames) {
    // The snapshot's names upper-cased once, searched for every earlier name.
    std::vector<std::string> upperNames;
    upperNames.reserve(snapshot.size());
    for (const std::string& name : snapshot) upperNames.push_back(KitText::UpperAscii(name));

    std::vector<std::string> toDelete;
    for (std::string_view earlier : earlierFileNames) {
        const std::string pattern = KitText::UpperAscii(earlier);
        if (pattern.empty()) continue;  // an empty name is never found
        // One skip table for the name serves the search in every value name.
        const std::boyer_moore_horspool_searcher search(pattern.begin(), pattern.end());
        for (std::size_t i = 0; i < snapshot.size(); ++i) {
            const std::string& upperName = upperNames[i];
            if (std::search(upperName.begin(), upperName.end(), search) != upperName.end()) {
                toDelete.push_back(snapshot[i]);
            }
        }
    }
    return toDelete;
}

RegistrationPlan PlanRegistration(const IdeTarget& target, bool dataAwareAllowed) {
    const IdeTable& table = IdeTableFor(target.Kind);
    RegistrationPlan plan;
    plan.Editor = table.Editor;
    plan.KnownPackagesToRemove = table.EarlierDesignPackages;

    plan.KnownPackagesToAdd.push_back(KnownPackageOf(target, /*dataAware=*/false));
    if (dataAwareAllowed) plan.KnownPackagesToAdd.push_back(KnownPackageOf(target, true));

    AppendRuntimeNames(table, table.EarlierRuntimeNames, target.MajorVersion,
                       plan.RuntimeNamesToRemove);
    if (!target.TrialEdition) {
        AppendRuntimeNames(table, table.TrialRuntimeNames, target.MajorVersion,
                           plan.RuntimeNamesToRemove);
    }
    plan.RuntimeNamesToAdd =
        SuiteRuntimeNames(table, target.MajorVersion, target.TrialEdition, dataAwareAllowed);
    return plan;
}

}  // namespace ComponentSetup
