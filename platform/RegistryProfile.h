// One per-user key treated as a profile: its subkeys are sections, their
// values entries. Each operation opens its section for itself and closes it
// before it returns; the profile key stays open for the object's life.
//
// A section that cannot be opened is a result (the default, nothing listed,
// no effect); failing to read, write or create raises RegistryError.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryKey.h"

namespace KitPlatform {

class RegistryProfile {
public:
    // Opens the key at profilePath under HKEY_CURRENT_USER, creating it when
    // absent. Never raises; when the key can be neither opened nor created,
    // the section operations act on nothing (reads give defaults, writes raise).
    explicit RegistryProfile(const std::string& profilePath);
    // The profile key at profilePath only when it exists already: nothing is
    // created. Never raises.
    static std::optional<RegistryProfile> OpenExisting(const std::string& profilePath) noexcept;

    // A section name is a key path below the profile key; one with a leading
    // backslash starts at HKEY_CURRENT_USER instead.
    std::string ReadSectionString(const std::string& section, const std::string& name,
                                  const std::string& defaultText) const;
    // Creates the section when absent, then stores a REG_SZ value. Raises
    // "Failed to create key <section>" when the section cannot be created.
    void WriteSectionString(const std::string& section, const std::string& name,
                            const std::string& text) const;
    // Hands the section's value names to onName in the registry's order, each
    // as a view that lasts for the call. False when the section cannot be
    // opened; true, without a name, when it cannot be enumerated.
    bool ForEachSectionValue(const std::string& section,
                             const std::function<void(std::string_view)>& onName) const;
    // Deletes the named values of the section, which is opened once for all
    // of them. A missing section or value is no error; keys are never deleted.
    template <typename Names>
    void DeleteSectionValues(const std::string& section, const Names& names) const {
        const RegistryKey key = OpenSection(section);
        if (!key) return;
        for (const auto& name : names) key.DeleteValue(std::string(name));
    }

private:
    explicit RegistryProfile(RegistryKey profile) noexcept : profile_(std::move(profile)) {}

    // The key a section path starts from, or null: a relative section never
    // falls back to the root key.
    HKEY SectionParent(const std::string& section) const noexcept;
    RegistryKey OpenSection(const std::string& section) const noexcept;

    RegistryKey profile_;
};

}  // namespace KitPlatform
