#include "setup/Discovery.h"

#include <windows.h>

#include "platform/RegistryKey.h"

namespace ComponentSetup {

using KitPlatform::KeyAccess;
using KitPlatform::RegistryKey;

namespace {

constexpr const char* kProductKeyPath = "\\SOFTWARE\\Ostrel\\Ostrel Components\\3.0";
constexpr const char* kEarlierSuiteKeyPrefix = "\\SOFTWARE\\Ostrel\\Ostrel Components\\";
constexpr const char* kStandardEditionVersion = "STD";

// The machine-wide keys are only read: an account that may read but not
// write them gets the same facts.
RegistryKey OpenMachineKey(const std::string& keyPath) noexcept {
    return RegistryKey::Open(HKEY_LOCAL_MACHINE, keyPath, KeyAccess::Read);
}

// Reads one string value of a key under HKEY_LOCAL_MACHINE; empty on any failure.
std::string ReadMachineString(const std::string& keyPath, const std::string& valueName) noexcept {
    try {
        return OpenMachineKey(keyPath).ReadString(valueName).value_or(std::string());
    } catch (...) {
        return {};
    }
}

}  // namespace

std::string ReadProductInstallDir() noexcept {
    return ReadMachineString(kProductKeyPath, "InstallDir");
}

bool IdeKeyExists(IdeKind kind, int majorVersion) noexcept {
    try {
        return OpenMachineKey(IdeKeyPath(kind, majorVersion)).IsOpen();
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

std::string ReadEarlierInstallDir(const std::string& suiteVersion) noexcept {
    try {
        return ReadMachineString(kEarlierSuiteKeyPrefix + suiteVersion, "InstallDir");
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
