#include "platform/IniFile.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/DiskFile.h"

namespace KitPlatform {

namespace {

// ReadIniString starts with room for any value a profile file plausibly
// holds, so that one call reads it: every call reads the file afresh. A longer
// value doubles the buffer up to the largest size; a value that still does not
// fit is refused rather than handed out cut short.
constexpr DWORD kFirstWholeBuffer = 64 * 1024;
constexpr DWORD kLargestWholeBuffer = 256u * 1024 * 1024;

// Reads through a buffer of the given size. The platform cuts a value that
// does not fit to size - 1 characters; truncated tells whether that happened
// (or the value is exactly that long, which only a larger buffer can tell).
std::string ReadThroughBuffer(const std::string& path, const std::string& section,
                              const std::string& ident, const std::string& defaultText,
                              DWORD size, bool& truncated) {
    std::vector<char> buffer(size);
    const DWORD length = ::GetPrivateProfileStringA(section.c_str(), ident.c_str(),
                                                    defaultText.c_str(), buffer.data(), size,
                                                    path.c_str());
    truncated = length >= size - 1;
    return std::string(buffer.data(), std::min<DWORD>(length, size - 1));
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

IniFile::~IniFile() { ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str()); }

std::string IniFile::ReadIniString(const std::string& section, const std::string& ident,
                                         const std::string& defaultText) const {
    for (DWORD size = kFirstWholeBuffer;; size *= 2) {
        bool truncated = false;
        std::string value = ReadThroughBuffer(path_, section, ident, defaultText, size, truncated);
        if (!truncated) return value;
        if (size >= kLargestWholeBuffer) throw IniFileError("Unable to read from " + path_);
    }
}

void IniFile::WriteIniString(const std::string& section, const std::string& ident,
                              const std::string& value) {
    // A read-only file is refused here too: not every platform refuses it.
    if (IsReadOnlyFile(path_) ||
        !::WritePrivateProfileStringA(section.c_str(), ident.c_str(), value.c_str(),
                                      path_.c_str())) {
        throw IniFileError("Unable to write to " + path_);
    }
}

}  // namespace KitPlatform
