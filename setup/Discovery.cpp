#include "setup/Discovery.h"

#include <windows.h>

#include "platform/Registry.h"

namespace ComponentSetup {

using KitPlatform::TRegistry;

namespace {

constexpr const char* kProductKeyPath = "\\SOFTWARE\\Ostrel\\Ostrel Components\\3.0";
constexpr const char* kStandardEditionVersion = "STD";

// Reads one string value of a key under HKEY_LOCAL_MACHINE; empty on any failure.
std::string ReadMachineString(const std::string& keyPath, const std::string& valueName) noexcept {
    try {
        TRegistry registry;
        registry.SelectRootKey(HKEY_LOCAL_MACHINE);
        registry.OpenKeyPath(keyPath, false);
        std::string value = registry.ReadStringValue(valueName);
        registry.CloseCurrentKey();
        return value;
    } catch (...) {
        return {};
    }
}

}  // namespace

std::string IdeKeyPath(IdeKind kind, int majorVersion) {
    const char* family = kind == IdeKind::Delphi ? "Delphi" : "C++Builder";
    return std::string("SOFTWARE\\Borland\\") + family + "\\" + std::to_string(majorVersion) +
           ".0";
}

std::string ReadProductInstallDir() noexcept {
    return ReadMachineString(kProductKeyPath, "InstallDir");
}

bool IdeKeyExists(IdeKind kind, int majorVersion) noexcept {
    try {
        TRegistry registry;
        registry.SelectRootKey(HKEY_LOCAL_MACHINE);
        return registry.OpenKeyPath(IdeKeyPath(kind, majorVersion), false);
    } catch (...) {
        return false;
    }
}

std::string ReadIdeRootDir(IdeKind kind, int majorVersion) noexcept {
    try {
        return ReadMachineString(IdeKeyPath(kind, majorVersion), "RootDir");
    } catch (...) {
        return {};
    }
}

std::string ReadIdeVersion(IdeKind kind, int majorVersion) noexcept {
    try {
        return ReadMachineString(IdeKeyPath(kind, majorVersion), "Version");
    } catch (...) {
        return {};
    }
}

bool DataAwareAllowed(IdeKind kind, int majorVersion) noexcept {
    if (ReadIdeVersion(kind, majorVersion) != kStandardEditionVersion) return true;
    const int firstGatedVersion = kind == IdeKind::Delphi ? 5 : 4;
    return majorVersion < firstGatedVersion;
}

}  // namespace ComponentSetup
