#include "setup/text/RegistrationPlan.h"

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

KnownPackageSelection::KnownPackageSelection(NameTable earlierFileNames)
    : secondAfter_(256) {
    for (std::string_view earlier : earlierFileNames) {
        patterns_.push_back(KitText::UpperAscii(earlier));
    }
    selected_.resize(patterns_.size());
    lastOffer_.resize(patterns_.size(), 0);
    for (std::size_t k = 0; k < patterns_.size(); ++k) {
        const std::string& pattern = patterns_[k];
        // An empty name is never found.
        if (pattern.empty()) continue;
        const auto first = static_cast<unsigned char>(pattern.front());
        startingWith_[first].push_back(k);
        if (pattern.size() == 1) {
            wholePattern_[first] = true;
        } else {
            secondAfter_[first].set(static_cast<unsigned char>(pattern[1]));
        }
    }
    for (int c = 0; c < 256; ++c) {
        const char upper = KitText::UpperAsciiChar(static_cast<char>(c));
        mayBegin_[c] = !startingWith_[static_cast<unsigned char>(upper)].empty();
    }
}

// The pattern at position at of name, compared with the name's letters
// upper-cased as they are read.
bool KnownPackageSelection::StandsAt(std::string_view name, std::size_t at,
                                     const std::string& pattern) const noexcept {
    if (name.size() - at < pattern.size()) return false;
    for (std::size_t j = 1; j < pattern.size(); ++j) {
        if (KitText::UpperAsciiChar(name[at + j]) != pattern[j]) return false;
    }
    return true;
}

void KnownPackageSelection::Offer(std::string_view name) {
    ++offered_;
    for (std::size_t at = 0; at < name.size(); ++at) {
        if (!mayBegin_[static_cast<unsigned char>(name[at])]) continue;
        const auto first = static_cast<unsigned char>(KitText::UpperAsciiChar(name[at]));
        if (!wholePattern_[first] &&
            (at + 1 == name.size() ||
             !secondAfter_[first].test(
                 static_cast<unsigned char>(KitText::UpperAsciiChar(name[at + 1]))))) {
            continue;
        }
        for (const std::size_t k : startingWith_[first]) {
            // A pattern found twice in one name selects it once.
            if (lastOffer_[k] != offered_ && StandsAt(name, at, patterns_[k])) {
                lastOffer_[k] = offered_;
                selected_[k].emplace_back(name);
            }
        }
    }
}

std::vector<std::string> KnownPackageSelection::Selected() const {
    std::vector<std::string> all;
    for (const std::vector<std::string>& selected : selected_) {
        all.insert(all.end(), selected.begin(), selected.end());
    }
    return all;
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
