#include "platform/Registry.h"

#include <vector>

#include "platform/StringList.h"

namespace KitPlatform {

namespace {

constexpr char kPathSeparator = '\\';

bool IsRooted(const std::string& path) noexcept {
    return !path.empty() && path.front() == kPathSeparator;
}

// The code page of the thread's ANSI functions needs up to two bytes a
// character when it is a double-byte one.
bool AnsiCodePageIsMultiByte() noexcept {
    CPINFO info{};
    return ::GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1;
}

// Reads the name of the value at index. A name longer than the key reported
// (one added since it was measured) gets one more try with the largest
// buffer a value name can need.
LONG EnumValueName(HKEY key, DWORD index, std::vector<char>& buffer, std::string& name) {
    constexpr std::size_t kLargestNameBytes = 2 * 16383 + 1;
    for (;;) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LONG status = ::RegEnumValueA(key, index, buffer.data(), &length, nullptr, nullptr,
                                            nullptr, nullptr);
        if (status == ERROR_MORE_DATA && buffer.size() < kLargestNameBytes) {
            buffer.resize(kLargestNameBytes);
            continue;
        }
        if (status == ERROR_SUCCESS) name.assign(buffer.data(), length);
        return status;
    }
}

}  // namespace

// Makes a section's handle the current key for one profile operation and puts
// the previous current key back, closing the section, on every path out.
class CurrentKeySwap {
public:
    CurrentKeySwap(TRegistry& registry, UniqueHkey section) noexcept
        : slot_(registry.CurrentKeySlot()), saved_(std::move(slot_)) {
        slot_ = std::move(section);
    }
    ~CurrentKeySwap() { slot_ = std::move(saved_); }
    CurrentKeySwap(const CurrentKeySwap&) = delete;
    CurrentKeySwap& operator=(const CurrentKeySwap&) = delete;

private:
    UniqueHkey& slot_;
    UniqueHkey saved_;
};

// ---- TRegistry -------------------------------------------------------------

TRegistry::TRegistry() noexcept : root_(HKEY_CURRENT_USER), access_(KEY_ALL_ACCESS) {}

TRegistry::~TRegistry() = default;

void TRegistry::SelectRootKey(HKEY root) noexcept {
    if (root == root_) return;
    CloseCurrentKey();
    root_ = root;
}

TRegistry::ResolvedPath TRegistry::Resolve(const std::string& path) const {
    if (IsRooted(path)) return {root_, path.substr(1), true};
    return {current_ ? current_.get() : root_, path, false};
}

bool TRegistry::OpenKeyPath(const std::string& path, bool canCreate) {
    const ResolvedPath target = Resolve(path);
    UniqueHkey opened;
    LONG status;
    if (canCreate && !target.relative.empty()) {
        status = ::RegCreateKeyExA(target.base, target.relative.c_str(), 0, nullptr,
                                   REG_OPTION_NON_VOLATILE, access_, nullptr, opened.put(),
                                   nullptr);
    } else {
        status = ::RegOpenKeyExA(target.base, target.relative.c_str(), 0, access_, opened.put());
    }
    if (status != ERROR_SUCCESS) return false;

    std::string newPath;
    if (target.rooted || !current_) {
        newPath = target.relative;
    } else {
        newPath = currentPath_ + kPathSeparator + target.relative;
    }
    current_ = std::move(opened);
    currentPath_ = std::move(newPath);
    return true;
}

std::string TRegistry::ReadStringValue(const std::string& name) const {
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (!current_ ||
        ::RegQueryValueExA(current_.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        size == 0) {
        return {};
    }
    std::vector<char> data(size);
    DWORD readSize = size;
    if (::RegQueryValueExA(current_.get(), name.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(data.data()), &readSize) != ERROR_SUCCESS) {
        throw ERegistryException("Failed to get data for '" + name + "'");
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        throw ERegistryException("Invalid data type for '" + name + "'");
    }
    std::string text(data.data(), readSize < size ? readSize : size);
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return text;
}

void TRegistry::WriteStringValue(const std::string& name, const std::string& text) const {
    if (!current_ ||
        ::RegSetValueExA(current_.get(), name.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS) {
        throw ERegistryException("Failed to set data for '" + name + "'");
    }
}

void TRegistry::CloseCurrentKey() noexcept {
    current_.reset();
    currentPath_.clear();
}

// ---- TRegIniFile -----------------------------------------------------------

TRegIniFile::TRegIniFile(const std::string& profilePath) : profilePath_(profilePath) {
    OpenKeyPath(profilePath_, true);
}

HKEY TRegIniFile::SectionBase(const std::string& section, std::string& relative) const {
    const ResolvedPath target = Resolve(section);
    relative = target.relative;
    if (!target.rooted && !CurrentKey()) return nullptr;
    return target.base;
}

UniqueHkey TRegIniFile::OpenSection(const std::string& section) const {
    std::string relative;
    const HKEY base = SectionBase(section, relative);
    UniqueHkey key;
    if (base) ::RegOpenKeyExA(base, relative.c_str(), 0, AccessMask(), key.put());
    return key;
}

std::string TRegIniFile::ReadSectionString(const std::string& section, const std::string& name,
                                           const std::string& defaultText) {
    UniqueHkey key = OpenSection(section);
    if (!key) return defaultText;
    if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
        return defaultText;
    }
    CurrentKeySwap swap(*this, std::move(key));
    return ReadStringValue(name);
}

void TRegIniFile::WriteSectionString(const std::string& section, const std::string& name,
                                     const std::string& text) {
    std::string relative;
    const HKEY base = SectionBase(section, relative);
    UniqueHkey created;
    if (!base ||
        ::RegCreateKeyExA(base, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, created.put(), nullptr) != ERROR_SUCCESS) {
        throw ERegistryException("Failed to create key " + section);
    }
    created.reset();

    UniqueHkey key = OpenSection(section);
    if (!key) return;
    CurrentKeySwap swap(*this, std::move(key));
    WriteStringValue(name, text);
}

void TRegIniFile::ListSectionValues(const std::string& section, TStringList& list) {
    UniqueHkey key = OpenSection(section);
    if (!key) return;
    list.Clear();

    DWORD valueCount = 0;
    DWORD longestName = 0;
    if (::RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           &valueCount, &longestName, nullptr, nullptr,
                           nullptr) != ERROR_SUCCESS) {
        return;
    }
    if (AnsiCodePageIsMultiByte()) longestName *= 2;

    std::vector<char> nameBuffer(longestName + 1);
    for (DWORD index = 0; index < valueCount; ++index) {
        std::string name;
        const LONG status = EnumValueName(key.get(), index, nameBuffer, name);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_SUCCESS) list.AddItem(name);
    }
}

void TRegIniFile::DeleteSectionValue(const std::string& section, const std::string& name) {
    UniqueHkey key = OpenSection(section);
    if (key) ::RegDeleteValueA(key.get(), name.c_str());
}

}  // namespace KitPlatform
