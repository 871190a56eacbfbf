// The package list's search: it asks the locale's comparison only about names
// that may be equal, and finds exactly what asking it about every entry finds.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <string>
#include <vector>

#include "platform/StringList.h"

namespace {

using KitPlatform::StringList;

int FindByLocaleOnly(const std::vector<std::string>& items, const std::string& text) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, items[i].data(),
                           static_cast<int>(items[i].size()), text.data(),
                           static_cast<int>(text.size())) == CSTR_EQUAL) {
            return static_cast<int>(i);
        }
    }
    return StringList::NotFound;
}

std::string RandomName(std::mt19937& random) {
    // Plain bytes mostly, now and then one the locale may weigh otherwise.
    static const std::string kBytes = "aAbBoOsS0160._-' \x01\xe9\xc9";
    std::string name;
    const std::size_t length = 1 + random() % 6;
    for (std::size_t i = 0; i < length; ++i) {
        const std::size_t plainOnly = kBytes.size() - 5;
        name += kBytes[random() % (random() % 4 == 0 ? kBytes.size() : plainOnly)];
    }
    return name;
}

TEST(StringListSearch, FindsWhatTheLocalesComparisonOfEveryEntryFinds) {
    std::mt19937 random(2026);
    for (int round = 0; round < 400; ++round) {
        StringList list;
        std::vector<std::string> items;
        const int count = static_cast<int>(random() % 12);
        for (int i = 0; i < count; ++i) {
            items.push_back(RandomName(random));
            list.AddItem(items.back());
        }
        for (int probe = 0; probe < 8; ++probe) {
            std::string text = probe < count && probe % 2 ? items[static_cast<std::size_t>(probe)]
                                                          : RandomName(random);
            // The same name in another letter case must be found too.
            if (probe % 3 == 0) {
                for (char& c : text) {
                    const int byte = static_cast<unsigned char>(c);
                    c = static_cast<char>(random() % 2 ? toupper(byte) : tolower(byte));
                }
            }
            SCOPED_TRACE(text);
            EXPECT_EQ(list.FindItem(text), FindByLocaleOnly(items, text));
        }
    }
}

}  // namespace
