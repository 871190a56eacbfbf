// Registry values that are not what the IDE and the suite's own setup write.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace KitTest {

// Values a string reader must refuse: a number, bytes, a list of strings, no
// type at all.
struct NonString {
    const char* name;
    DWORD type;
    std::string bytes;
};

inline const std::vector<NonString> kNonStrings = {
    {"dword", REG_DWORD, std::string("\x07\x00\x00\x00", 4)},
    {"binary", REG_BINARY, std::string("C:\\Suite\\\0\xff\xfe", 12)},
    {"multi", REG_MULTI_SZ, std::string("C:\\Suite\\\0D:\\Other\\\0\0", 21)},
    {"none", REG_NONE, std::string("C:\\Suite\\", 9)},
};

// REG_SZ bytes with a NUL inside and text behind it.
inline std::string WithTrailingJunk(const std::string& text) {
    return text + std::string(1, '\0') + "junk behind the end";
}

}  // namespace KitTest
