#include "tests/support/ScratchRegistry.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace KitTest {

namespace {

ScratchRegistry* gCurrent = nullptr;

// A day in FILETIME units (100 ns).
constexpr unsigned long long kStaleAfter = 24ull * 60 * 60 * 10000000;

unsigned long long Now() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

// Run keys are named "<FILETIME in hex> <process id>": a run that crashed
// leaves its key behind, and the next run clears those older than a day
// (younger ones may belong to a run going on beside it).
std::string RunKeyName(unsigned long long time) {
    char name[64];
    std::snprintf(name, sizeof name, "%016llx %lu", time,
                  static_cast<unsigned long>(GetCurrentProcessId()));
    return name;
}

void DeleteStaleRuns(HKEY parent, unsigned long long now) {
    std::vector<std::string> stale;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(parent, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        unsigned long long started = 0;
        if (std::sscanf(name, "%llx", &started) == 1 && started + kStaleAfter < now) {
            stale.emplace_back(name, length);
        }
    }
    for (const std::string& name : stale) RegDeleteTreeA(parent, name.c_str());
    for (const std::string& name : stale) RegDeleteKeyA(parent, name.c_str());
}

KitPlatform::UniqueHkey CreateKey(HKEY parent, const std::string& path) {
    KitPlatform::UniqueHkey key;
    const LONG status = RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) {
        throw std::runtime_error("cannot create the scratch key " + path + " (" +
                                 std::to_string(status) + ")");
    }
    return key;
}

}  // namespace

ScratchRegistry::ScratchRegistry() {
    if (gCurrent) throw std::logic_error("the registry is redirected already");
    const unsigned long long now = Now();
    KitPlatform::UniqueHkey parent = CreateKey(HKEY_CURRENT_USER, kParentPath);
    DeleteStaleRuns(parent.get(), now);
    path_ = std::string(kParentPath) + "\\" + RunKeyName(now);
    machine_ = CreateKey(HKEY_CURRENT_USER, path_ + "\\HKLM");
    user_ = CreateKey(HKEY_CURRENT_USER, path_ + "\\HKCU");
    Redirect();
    gCurrent = this;
}

ScratchRegistry::~ScratchRegistry() {
    gCurrent = nullptr;
    Restore();
    machine_.reset();
    user_.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
}

ScratchRegistry* ScratchRegistry::Current() { return gCurrent; }

void ScratchRegistry::Redirect() {
    // The user's root last: until then, the scratch keys' own parent is real.
    if (RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_.get()) != ERROR_SUCCESS ||
        RegOverridePredefKey(HKEY_CURRENT_USER, user_.get()) != ERROR_SUCCESS) {
        Restore();
        throw std::runtime_error("cannot redirect the registry roots");
    }
}

void ScratchRegistry::Restore() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
}

ScratchRegistry::RealRootsScope::RealRootsScope(ScratchRegistry& scratch) : scratch_(scratch) {
    Restore();
}

ScratchRegistry::RealRootsScope::~RealRootsScope() {
    try {
        scratch_.Redirect();
    } catch (const std::exception& error) {
        // Nothing may run on the real roots believing them redirected.
        std::fprintf(stderr, "%s\n", error.what());
        std::abort();
    }
}

}  // namespace KitTest
