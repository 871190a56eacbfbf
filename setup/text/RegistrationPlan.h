// What one IDE registration removes and adds, worked out from the IDE's table
// before anything is touched: the "Known Packages" entries and the default
// project's run-time names. Free of any OS header.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
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

// The "Known Packages" value names to delete, picked from the names as they
// are listed, one listing taken before any deletion. Selected() gives them in
// order: for each earlier file name of the plan, every offered name that
// contains it, ASCII letters compared upper-cased (so whatever directory it
// points into), in the order offered; a name that contains several earlier
// file names comes once for each. An empty file name selects nothing. Only
// the selected names are kept.
class KnownPackageSelection {
public:
    explicit KnownPackageSelection(NameTable earlierFileNames);

    void Offer(std::string_view valueName);
    std::vector<std::string> Selected() const;

private:
    bool StandsAt(std::string_view name, std::size_t at, const std::string& pattern) const noexcept;
    void LookAt(std::string_view name, std::size_t at);

    std::vector<std::string> patterns_;  // upper-cased
    // The patterns by their first byte: only where one of them could begin
    // are they compared.
    std::vector<std::size_t> startingWith_[256];
    // Bytes, in either letter case, that a pattern begins with: every other
    // byte of a name is passed with one look.
    bool mayBegin_[256] = {};
    // The second bytes that follow each first byte, and the first bytes that
    // are a whole pattern: a name byte that begins no pattern's first two
    // bytes ("o" of "Vendor" where every pattern begins "OS") is passed with
    // a second look.
    std::vector<std::bitset<256>> secondAfter_;
    bool wholePattern_[256] = {};
    std::vector<std::vector<std::string>> selected_;  // by pattern
    // Which offer each pattern last selected: offers are counted from 1.
    std::vector<std::size_t> lastOffer_;
    std::size_t offered_ = 0;
    // The two letters every pattern begins with (lower case, the first in the
    // low byte), or 0: where they are shared, a name is passed four bytes at
    // a time up to the places that hold them.
    std::uint16_t sharedLetters_ = 0;
};

// dataAwareAllowed: whether the IDE's edition takes the data-aware package.
RegistrationPlan PlanRegistration(const IdeTarget& target, bool dataAwareAllowed);

}  // namespace ComponentSetup
