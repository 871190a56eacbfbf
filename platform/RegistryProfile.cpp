#include "platform/RegistryProfile.h"

namespace KitPlatform {

namespace {

// Profiles are per-user settings.
const HKEY kProfileRoot = HKEY_CURRENT_USER;

bool IsRooted(const std::string& path) noexcept { return !path.empty() && path.front() == '\\'; }

}  // namespace

RegistryProfile::RegistryProfile(const std::string& profilePath)
    : profile_(RegistryKey::Create(kProfileRoot, profilePath, KeyAccess::ReadWrite)) {}

std::optional<RegistryProfile> RegistryProfile::OpenExisting(
    const std::string& profilePath) noexcept {
    RegistryKey key = RegistryKey::Open(kProfileRoot, profilePath, KeyAccess::ReadWrite);
    if (!key) return std::nullopt;
    return RegistryProfile(std::move(key));
}

HKEY RegistryProfile::SectionParent(const std::string& section) const noexcept {
    if (IsRooted(section)) return kProfileRoot;
    return profile_ ? profile_.Handle() : nullptr;
}

RegistryKey RegistryProfile::OpenSection(const std::string& section) const noexcept {
    return RegistryKey::Open(SectionParent(section), section, KeyAccess::ReadWrite);
}

std::string RegistryProfile::ReadSectionString(const std::string& section, const std::string& name,
                                               const std::string& defaultText) const {
    // Profile entries hold lists ("Search Path") that run to many kilobytes.
    return OpenSection(section).ReadLongString(name).value_or(defaultText);
}

void RegistryProfile::WriteSectionString(const std::string& section, const std::string& name,
                                         const std::string& text) const {
    const RegistryKey key = RegistryKey::Create(SectionParent(section), section,
                                                KeyAccess::ReadWrite);
    if (!key) throw RegistryError("Failed to create key " + section);
    key.WriteString(name, text);
}

bool RegistryProfile::ForEachSectionValue(
    const std::string& section, const std::function<void(std::string_view)>& onName) const {
    const RegistryKey key = OpenSection(section);
    if (!key) return false;
    key.ForEachValueName(onName);
    return true;
}

}  // namespace KitPlatform
