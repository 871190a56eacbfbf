#include "setup/text/RegistrationPlan.h"

#include <bitset>

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
    std::vector<std::string> patterns;
    for (std::string_view earlier : earlierFileNames) {
        patterns.push_back(KitText::UpperAscii(earlier));
    }
    // The patterns by their first byte: each value name is passed once, and
    // only where one of them could begin are they compared.
    std::vector<std::size_t> startingWith[256];
    for (std::size_t k = 0; k < patterns.size(); ++k) {
        // An empty name is never found.
        if (!patterns[k].empty()) {
            startingWith[static_cast<unsigned char>(patterns[k].front())].push_back(k);
        }
    }

    std::vector<std::vector<std::size_t>> containing(patterns.size());
    std::vector<std::size_t> lastFound(patterns.size(), static_cast<std::size_t>(-1));
    const auto upper = [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    };
    // The pattern at position at of name, compared with the name's letters
    // upper-cased as they are read.
    const auto standsAt = [&upper](const std::string& name, std::size_t at,
                                   const std::string& pattern) {
        if (name.size() - at < pattern.size()) return false;
        for (std::size_t j = 1; j < pattern.size(); ++j) {
            if (upper(name[at + j]) != pattern[j]) return false;
        }
        return true;
    };
    // Bytes, in either letter case, that a pattern begins with: every other
    // byte of a name is passed with one look.
    bool mayBegin[256] = {};
    for (int c = 0; c < 256; ++c) {
        mayBegin[c] = !startingWith[static_cast<unsigned char>(upper(static_cast<char>(c)))].empty();
    }
    // The second bytes that follow each first byte, and the first bytes that
    // are a whole pattern: a name byte that begins no pattern's first two
    // bytes ("o" of "Vendor" where every pattern begins "OS") is passed with
    // a second look.
    std::vector<std::bitset<256>> secondAfter(256);
    bool wholePattern[256] = {};
    for (const std::string& pattern : patterns) {
        if (pattern.empty()) continue;
        const auto first = static_cast<unsigned char>(pattern.front());
        if (pattern.size() == 1) {
            wholePattern[first] = true;
        } else {
            secondAfter[first].set(static_cast<unsigned char>(pattern[1]));
        }
    }
    for (std::size_t i = 0; i < snapshot.size(); ++i) {
        const std::string& name = snapshot[i];
        for (std::size_t at = 0; at < name.size(); ++at) {
            if (!mayBegin[static_cast<unsigned char>(name[at])]) continue;
            const auto first = static_cast<unsigned char>(upper(name[at]));
            if (!wholePattern[first] &&
                (at + 1 == name.size() ||
                 !secondAfter[first].test(static_cast<unsigned char>(upper(name[at + 1]))))) {
                continue;
            }
            const std::vector<std::size_t>& starting = startingWith[first];
            for (const std::size_t k : starting) {
                if (lastFound[k] != i && standsAt(name, at, patterns[k])) {
                    lastFound[k] = i;
                    containing[k].push_back(i);
                }
            }
        }
    }
    // In the earlier names' order, and for each the value names in theirs.
    std::vector<std::string> toDelete;
    for (const std::vector<std::size_t>& indexes : containing) {
        for (const std::size_t i : indexes) toDelete.push_back(snapshot[i]);
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
