#include "platform/RegistryKey.h"

namespace KitPlatform {

namespace {

REGSAM RightsFor(KeyAccess access) noexcept {
    return access == KeyAccess::Read ? KEY_READ : KEY_ALL_ACCESS;
}

// A path with a leading backslash starts at its parent all the same.
std::string WithoutLeadingSeparator(const std::string& path) {
    return !path.empty() && path.front() == '\\' ? path.substr(1) : path;
}

// The code page of the thread's ANSI functions needs up to two bytes a
// character when it is a double-byte one.
bool AnsiCodePageIsMultiByte() noexcept {
    CPINFO info{};
    return ::GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1;
}

// Reads the name of the value at index into buffer, its length into length.
// A name longer than the key reported (one added since it was measured) gets
// one more try with the largest buffer a value name can need.
LONG EnumValueName(HKEY key, DWORD index, std::vector<char>& buffer, DWORD& length) {
    constexpr std::size_t kLargestNameBytes = 2 * 16383 + 1;
    for (;;) {
        length = static_cast<DWORD>(buffer.size());
        const LONG status = ::RegEnumValueA(key, index, buffer.data(), &length, nullptr, nullptr,
                                            nullptr, nullptr);
        if (status == ERROR_MORE_DATA && buffer.size() < kLargestNameBytes) {
            buffer.resize(kLargestNameBytes);
            continue;
        }
        return status;
    }
}

}  // namespace

RegistryKey RegistryKey::Open(HKEY parent, const std::string& path, KeyAccess access) noexcept {
    UniqueHkey key;
    if (parent) {
        ::RegOpenKeyExA(parent, WithoutLeadingSeparator(path).c_str(), 0, RightsFor(access),
                        key.put());
    }
    return RegistryKey(std::move(key));
}

RegistryKey RegistryKey::Create(HKEY parent, const std::string& path, KeyAccess access) noexcept {
    const std::string relative = WithoutLeadingSeparator(path);
    // An empty path names the parent itself, which creation cannot reopen.
    if (relative.empty()) return Open(parent, relative, access);
    UniqueHkey key;
    if (parent) {
        ::RegCreateKeyExA(parent, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          RightsFor(access), nullptr, key.put(), nullptr);
    }
    return RegistryKey(std::move(key));
}

std::optional<std::string> RegistryKey::ReadString(const std::string& name) const {
    // Most values fit this and take one call.
    return ReadStringWithRoom(name, 256);
}

std::optional<std::string> RegistryKey::ReadLongString(const std::string& name) const {
    DWORD longestData = 0;
    if (key_ && ::RegQueryInfoKeyA(key_.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, &longestData, nullptr,
                                   nullptr) == ERROR_SUCCESS) {
        return ReadStringWithRoom(name, longestData > 256 ? longestData : 256);
    }
    return ReadString(name);
}

// A value longer than room is asked for again with room for all of it.
std::optional<std::string> RegistryKey::ReadStringWithRoom(const std::string& name,
                                                          DWORD room) const {
    if (!key_) return std::nullopt;
    std::vector<char> data(room);
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(data.size());
    LONG status = ::RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type,
                                     reinterpret_cast<BYTE*>(data.data()), &size);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return std::nullopt;
    if (size == 0) return std::string();
    DWORD readSize = size;
    if (status == ERROR_MORE_DATA) {
        data.resize(size);
        status = ::RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(data.data()), &readSize);
    }
    if (status != ERROR_SUCCESS) throw RegistryError("Failed to get data for '" + name + "'");
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        throw RegistryError("Invalid data type for '" + name + "'");
    }
    std::string text(data.data(), readSize < size ? readSize : size);
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return text;
}

void RegistryKey::WriteString(const std::string& name, const std::string& text) const {
    if (!key_ ||
        ::RegSetValueExA(key_.get(), name.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS) {
        throw RegistryError("Failed to set data for '" + name + "'");
    }
}

bool RegistryKey::ForEachValueName(const std::function<void(std::string_view)>& onName) const {
    DWORD valueCount = 0;
    DWORD longestName = 0;
    if (!key_ || ::RegQueryInfoKeyA(key_.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, &valueCount, &longestName, nullptr, nullptr,
                                    nullptr) != ERROR_SUCCESS) {
        return false;
    }
    if (AnsiCodePageIsMultiByte()) longestName *= 2;

    std::vector<char> nameBuffer(longestName + 1);
    for (DWORD index = 0; index < valueCount; ++index) {
        DWORD length = 0;
        const LONG status = EnumValueName(key_.get(), index, nameBuffer, length);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_SUCCESS) onName(std::string_view(nameBuffer.data(), length));
    }
    return true;
}

void RegistryKey::DeleteValue(const std::string& name) const noexcept {
    if (key_) ::RegDeleteValueA(key_.get(), name.c_str());
}

}  // namespace KitPlatform
