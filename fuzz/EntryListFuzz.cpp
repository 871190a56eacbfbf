// Lists kept as text, each entry followed by ";" (the library "Search Path").
// Properties, checked against a brute-force search: an entry is found only
// where it stands whole (at the start or behind a ";", blanks allowed between)
// and at its first such place; a removal takes out exactly that entry and
// keeps every other byte; an addition appends only what is missing; the
// search-path edit is exactly these steps in order.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/EntryListOracle.h"
#include "fuzz/FuzzSupport.h"
#include "platform/text/AsciiText.h"
#include "setup/text/EntryList.h"
#include "setup/text/SearchPathText.h"

namespace {

using namespace ComponentSetup;

using KitFuzz::BruteForceFind;

void CheckEnd(const std::string& list) {
    const std::string ended = WithEntryListEnd(list);
    if (list.empty()) {
        FUZZ_CHECK(ended.empty());
    } else {
        FUZZ_CHECK(ended.back() == ';');
        FUZZ_CHECK(ended.compare(0, list.size(), list) == 0);
        FUZZ_CHECK(ended.size() == list.size() + (list.back() == ';' ? 0 : 1));
    }
    FUZZ_CHECK(WithEntryListEnd(ended) == ended);
}

// Removes as the oracle says and checks the product did the same.
void RemoveAndCheck(std::string& list, const std::string& entry, EntryCase match) {
    const std::size_t at = BruteForceFind(list, entry, match);
    FUZZ_CHECK(FindWholeEntry(list, entry, match) == at);
    std::string edited = list;
    const bool removed = RemoveFirstWholeEntry(edited, entry, match);
    FUZZ_CHECK(removed == (at != std::string::npos));
    if (!removed) {
        FUZZ_CHECK(edited == list);
        return;
    }
    // Exactly the entry's bytes went; those in front and behind are kept.
    FUZZ_CHECK(edited == list.substr(0, at) + list.substr(at + entry.size()));
    list = edited;
}

void AppendAndCheck(std::string& list, const std::string& entry, EntryCase match) {
    const bool present = BruteForceFind(list, entry, match) != std::string::npos;
    std::string edited = list;
    const bool appended = AppendEntryUnlessPresent(edited, entry, match);
    FUZZ_CHECK(appended == (!present && !entry.empty()));
    FUZZ_CHECK(edited == (appended ? list + entry : list));
    list = edited;
}

std::string Ended(std::string text) {
    if (text.empty() || text.back() != ';') text += ';';
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const KitFuzz::SteeredInput input = KitFuzz::Steer(data, size);
    const std::vector<std::string> fields = KitFuzz::Fields(input.text);
    const EntryCase match = (input.control & 1) ? EntryCase::IgnoreAscii : EntryCase::Sensitive;

    // Plain list edits: the first field is the list, the others its entries.
    std::string list = fields[0];
    CheckEnd(list);
    for (std::size_t i = 1; i < fields.size(); ++i) {
        const std::string entry = Ended(fields[i]);
        if (input.control & 2) {
            AppendAndCheck(list, entry, match);
        } else {
            RemoveAndCheck(list, entry, match);
        }
        // Something an edit just took out or put in stands found, or not, as
        // a whole entry, also in an unrelated case.
        FUZZ_CHECK(FindWholeEntry(list, entry, match) == BruteForceFind(list, entry, match));
    }

    // The search path: the second field is the suite's directory, the rest
    // are directories of earlier versions.
    const IdeKind kind = (input.control & 4) ? IdeKind::CppBuilder : IdeKind::Delphi;
    const int version = (input.control >> 3) % 10;
    const std::string current =
        LibraryDirEntry(fields.size() > 1 ? fields[1] : std::string(), kind, version);
    std::vector<std::string> earlier;
    for (std::size_t i = 2; i < fields.size(); ++i) {
        const std::string entry = EarlierLibraryDirEntry(fields[i], kind, version);
        FUZZ_CHECK(entry.empty() == fields[i].empty());
        if (!entry.empty()) {
            FUZZ_CHECK(entry == KitText::UpperAscii(LibraryDirEntry(fields[i], kind, version)));
        }
        earlier.push_back(entry);
    }
    const std::string edited = EditSearchPath(fields[0], earlier, current);

    std::string expected = WithEntryListEnd(fields[0]);
    for (const std::string& entry : earlier) {
        if (!entry.empty()) RemoveAndCheck(expected, entry, EntryCase::IgnoreAscii);
    }
    AppendAndCheck(expected, current, EntryCase::IgnoreAscii);
    FUZZ_CHECK(edited == expected);
    // Afterwards the suite's entry stands whole and the path ends with ";",
    // or with the blanks that stood ahead of an entry taken out at its end
    // (a removal takes the entry and its ";", never the blanks before it).
    FUZZ_CHECK(BruteForceFind(edited, current, EntryCase::IgnoreAscii) != std::string::npos);
    const std::size_t lastNonBlank = edited.find_last_not_of(' ');
    FUZZ_CHECK(lastNonBlank != std::string::npos && edited[lastNonBlank] == ';');
    return 0;
}
