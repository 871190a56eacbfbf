// Registry accessors. TRegistry holds one root key and at most one open
// ("current") key and reads and writes its string values; TRegIniFile treats
// one key as a profile: its subkeys are sections, their values entries.
//
// Failing to open a key is a result (false, a default, no effect). Failing to
// read, write or create raises ERegistryException.
#pragma once

#include <windows.h>

#include <string>

#include "platform/RegistryException.h"
#include "platform/UniqueHandle.h"

namespace KitPlatform {

class TStringList;

class TRegistry {
public:
    TRegistry() noexcept;
    virtual ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    // Switching to another root closes the current key.
    void SelectRootKey(HKEY root) noexcept;

    // A path with a leading backslash is resolved from the root key, any other
    // from the current key (or the root key while none is open). On failure the
    // previously current key stays open and current.
    bool OpenKeyPath(const std::string& path, bool canCreate);

    // Empty for a missing value, an empty value or no open key.
    std::string ReadStringValue(const std::string& name) const;
    void WriteStringValue(const std::string& name, const std::string& text) const;

    void CloseCurrentKey() noexcept;

    HKEY RootKey() const noexcept { return root_; }
    HKEY CurrentKey() const noexcept { return current_.get(); }
    const std::string& CurrentPath() const noexcept { return currentPath_; }
    REGSAM AccessMask() const noexcept { return access_; }

protected:
    // Where a path resolves from by the path rules; null when a relative path
    // has neither a current key nor may fall back to the root.
    struct ResolvedPath {
        HKEY base;
        std::string relative;
        bool rooted;
    };
    ResolvedPath Resolve(const std::string& path) const;

    // Lends the current-key slot to a section handle for one operation.
    friend class CurrentKeySwap;
    UniqueHkey& CurrentKeySlot() noexcept { return current_; }

private:
    HKEY root_;
    UniqueHkey current_;
    std::string currentPath_;
    REGSAM access_;
};

class TRegIniFile : public TRegistry {
public:
    // Opens the profile key, creating it when absent. Never raises; when the
    // key can be neither opened nor created, the section operations below act
    // on nothing (reads give defaults, writes raise).
    explicit TRegIniFile(const std::string& profilePath);

    const std::string& ProfilePath() const noexcept { return profilePath_; }

    std::string ReadSectionString(const std::string& section, const std::string& name,
                                  const std::string& defaultText);
    void WriteSectionString(const std::string& section, const std::string& name,
                            const std::string& text);
    // Leaves the list untouched when the section cannot be opened.
    void ListSectionValues(const std::string& section, TStringList& list);
    void DeleteSectionValue(const std::string& section, const std::string& name);

private:
    // The key a section name resolves from, or null when there is none: a
    // relative section never falls back to the root key.
    HKEY SectionBase(const std::string& section, std::string& relative) const;
    UniqueHkey OpenSection(const std::string& section) const;

    std::string profilePath_;
};

}  // namespace KitPlatform
