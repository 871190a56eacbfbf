// What one IDE registration removes and adds, worked out from the IDE's table
// before anything is touched: the "Known Packages" entries and the default
// project's run-time names. Free of any OS header.
#pragma once

#include <string>
#include <vector>

#include "setup/text/IdeTarget.h"
#include "setup/text/RegistrationTables.h"

namespace ComponentSetup {

struct KnownPackageEntry {
    std::string ValueName;    // the package file's full path
    std::string Description;  // what the IDE shows for it
};

struct RegistrationPlan {
    DefaultProjectEditor Editor = DefaultProjectEditor::ProjectOptions;
    // Every "Known Packages" value whose name contains one of these (ASCII
    // letters compared upper-cased) goes, in this order.
    NameTable KnownPackagesToRemove;
    // Written after the removals: the standard package, then the data-aware
    // one when the edition allows it.
    std::vector<KnownPackageEntry> KnownPackagesToAdd;
    // Taken out of the default project's list in this order (each only once),
    // then the names to add appended unless already there.
    std::vector<std::string> RuntimeNamesToRemove;
    std::vector<std::string> RuntimeNamesToAdd;
};

// The "Known Packages" value names to delete, in order: for each earlier file
// name of the plan, every name of the snapshot that contains it, ASCII
// letters compared upper-cased (so whatever directory it points into). The
// snapshot is taken once, before any deletion: a name that contains several
// earlier file names comes once for each. An empty file name selects nothing.
std::vector<std::string> KnownPackagesToDelete(const std::vector<std::string>& snapshot,
                                               NameTable earlierFileNames);

// dataAwareAllowed: whether the IDE's edition takes the data-aware package.
RegistrationPlan PlanRegistration(const IdeTarget& target, bool dataAwareAllowed);

}  // namespace ComponentSetup
