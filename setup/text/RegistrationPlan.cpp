#include "setup/text/RegistrationPlan.h"

#include <cstring>

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

bool IsUpperAsciiLetter(char c) noexcept { return c >= 'A' && c <= 'Z'; }

// The two letters that every pattern but empty ones begins with, in lower
// case, the first in the low byte; 0 when they do not all share two letters.
std::uint16_t SharedLetterPair(const std::vector<std::string>& patterns) noexcept {
    std::uint16_t pair = 0;
    for (const std::string& pattern : patterns) {
        if (pattern.empty()) continue;
        if (pattern.size() < 2 || !IsUpperAsciiLetter(pattern[0]) ||
            !IsUpperAsciiLetter(pattern[1])) {
            return 0;
        }
        const auto lower = static_cast<std::uint16_t>(
            (static_cast<unsigned char>(pattern[0]) | 0x20) |
            ((static_cast<unsigned char>(pattern[1]) | 0x20) << 8));
        if (pair != 0 && pair != lower) return 0;
        pair = lower;
    }
    return pair;
}

// Whether one of the four places from data on holds the pair of letters
// (lower case, the first in the low byte) in either case; reads five bytes.
// Setting bit 5 of a byte turns exactly the two cases of a letter into its
// lower case, and a group of bytes holds a zero byte exactly when the borrow
// test below sets a high bit.
bool MayHoldLetterPair(const char* data, std::uint16_t pair) noexcept {
    constexpr std::uint32_t kOnes = 0x01010101u;
    constexpr std::uint32_t kFold = kOnes * 0x20u;
    std::uint32_t here;
    std::uint32_t next;
    std::memcpy(&here, data, sizeof here);
    std::memcpy(&next, data + 1, sizeof next);
    const std::uint32_t differ = ((here | kFold) ^ (kOnes * (pair & 0xFFu))) |
                                 ((next | kFold) ^ (kOnes * (pair >> 8)));
    return ((differ - kOnes) & ~differ & (kOnes * 0x80u)) != 0;
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
    sharedLetters_ = SharedLetterPair(patterns_);
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

// Looks for every pattern that can begin at position at of the name.
void KnownPackageSelection::LookAt(std::string_view name, std::size_t at) {
    if (!mayBegin_[static_cast<unsigned char>(name[at])]) return;
    const auto first = static_cast<unsigned char>(KitText::UpperAsciiChar(name[at]));
    if (!wholePattern_[first] &&
        (at + 1 == name.size() ||
         !secondAfter_[first].test(
             static_cast<unsigned char>(KitText::UpperAsciiChar(name[at + 1]))))) {
        return;
    }
    for (const std::size_t k : startingWith_[first]) {
        // A pattern found twice in one name selects it once.
        if (lastOffer_[k] != offered_ && StandsAt(name, at, patterns_[k])) {
            lastOffer_[k] = offered_;
            selected_[k].emplace_back(name);
        }
    }
}

void KnownPackageSelection::Offer(std::string_view name) {
    ++offered_;
    std::size_t at = 0;
    if (sharedLetters_ != 0) {
        // Four places at a time, each with the byte after it.
        for (; name.size() - at > 4; at += 4) {
            if (!MayHoldLetterPair(name.data() + at, sharedLetters_)) continue;
            for (std::size_t place = at; place < at + 4; ++place) LookAt(name, place);
        }
    }
    for (; at < name.size(); ++at) LookAt(name, at);
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
