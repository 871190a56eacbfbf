// The "Packages" option of Delphi's default project, edited the way the Delphi
// registration edits it: each removal and addition reads the value as the
// previous step left it and writes only when something changed. Properties,
// checked against a brute-force search: entries match case-sensitively and
// only whole; a removal takes out exactly the first whole entry and keeps
// every other byte; an addition appends only what is missing; afterwards the
// edition's entries stand in the list.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/EntryListOracle.h"
#include "fuzz/FuzzSupport.h"
#include "setup/text/DefaultPackagesText.h"
#include "setup/text/RegistrationPlan.h"

namespace {

using namespace ComponentSetup;
using KitFuzz::BruteForceFind;
using KitFuzz::EndedList;

constexpr EntryCase kExact = EntryCase::Sensitive;

// The value as stored in the options file; written only on a change.
struct StoredPackages {
    std::string value;
};

void Remove(StoredPackages& stored, const std::string& entry) {
    const std::string ended = EndedList(stored.value);
    const std::size_t at = BruteForceFind(ended, entry, kExact);
    const std::optional<std::string> edited = WithoutDefaultPackage(stored.value, entry);
    FUZZ_CHECK(edited.has_value() == (at != std::string::npos));
    if (!edited) return;
    FUZZ_CHECK(*edited == ended.substr(0, at) + ended.substr(at + entry.size()));
    stored.value = *edited;
}

void Add(StoredPackages& stored, const std::string& entry) {
    const std::string ended = EndedList(stored.value);
    const bool present = BruteForceFind(ended, entry, kExact) != std::string::npos;
    const std::optional<std::string> edited = WithDefaultPackage(stored.value, entry);
    FUZZ_CHECK(edited.has_value() == !present);
    if (!edited) return;
    FUZZ_CHECK(*edited == ended + entry);
    stored.value = *edited;
}

// An arbitrary name as the "Packages" option lists it for the version.
std::string EntryOf(const std::string& name, int version) {
    return name + std::to_string(version) + "0;";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const KitFuzz::SteeredInput input = KitFuzz::Steer(data, size);
    const std::vector<std::string> fields = KitFuzz::Fields(input.text);
    const int version = input.control % 10;
    const bool trial = (input.control & 16) != 0;
    const bool dataAware = (input.control & 32) == 0;

    // Names of the other fields are taken out or put in first, steered by the
    // control byte, so the registration's own steps meet any list.
    StoredPackages stored{fields[0]};
    for (std::size_t i = 1; i < fields.size(); ++i) {
        const std::string entry = EntryOf(fields[i], version);
        if ((input.control >> 6) & 1) {
            Add(stored, entry);
        } else {
            Remove(stored, entry);
        }
    }

    // The registration's own plan: its names follow the same form.
    const RegistrationPlan plan = PlanRegistration({IdeKind::Delphi, version, trial, ""}, dataAware);
    for (const std::string& entry : plan.RuntimeNamesToRemove) Remove(stored, entry);
    const std::string standard = EntryOf(trial ? "Os30TrialCtls" : "Os30Ctls", version);
    const std::string dataAwareEntry = EntryOf(trial ? "Os30TrialDBCtls" : "Os30DBCtls", version);
    FUZZ_CHECK(plan.RuntimeNamesToAdd.size() == (dataAware ? 2u : 1u));
    FUZZ_CHECK(plan.RuntimeNamesToAdd[0] == standard);
    if (dataAware) FUZZ_CHECK(plan.RuntimeNamesToAdd[1] == dataAwareEntry);
    for (const std::string& entry : plan.RuntimeNamesToAdd) Add(stored, entry);

    // The edition's entries stand in the list; a value that needed no change
    // keeps its missing final ";", which the list's end stands for.
    const std::string ended = EndedList(stored.value);
    FUZZ_CHECK(BruteForceFind(ended, standard, kExact) != std::string::npos);
    if (dataAware) FUZZ_CHECK(BruteForceFind(ended, dataAwareEntry, kExact) != std::string::npos);

    // Adding the edition's entries again changes nothing.
    StoredPackages again = stored;
    Add(again, standard);
    if (dataAware) Add(again, dataAwareEntry);
    FUZZ_CHECK(again.value == stored.value);
    return 0;
}
