// The tests delete and rewrite the IDE and suite keys under
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER. So that no test program can wipe
// the IDE registrations of the machine it runs on, the test process sees both
// roots redirected to scratch keys of its own (RegOverridePredefKey): every
// later open of either root, by the tests and by KitSetup.dll loaded into the
// process alike, lands below the scratch key. Processes the tests start are
// not redirected; see BuildPrefix.h for those.
#pragma once

#include <windows.h>

#include <string>

#include "platform/UniqueHandle.h"

namespace KitTest {

class ScratchRegistry {
public:
    // Below the real HKEY_CURRENT_USER; nothing else is ever kept there.
    static constexpr const char* kParentPath = "Software\\KitSetup Tests\\Scratch";

    // Creates the scratch keys and redirects both roots; throws when it
    // cannot, and then nothing is redirected.
    ScratchRegistry();
    // Lifts the redirection and deletes the scratch keys.
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

    // This run's key, relative to the real HKEY_CURRENT_USER; the roots are
    // its subkeys "HKLM" and "HKCU".
    const std::string& Path() const { return path_; }

    // The one redirection of this process, or null when there is none.
    static ScratchRegistry* Current();

    // For one scope, the roots are the real ones again (for a child process
    // that cannot be redirected; see BuildPrefix.h before using it).
    class RealRootsScope {
    public:
        explicit RealRootsScope(ScratchRegistry& scratch);
        ~RealRootsScope();
        RealRootsScope(const RealRootsScope&) = delete;
        RealRootsScope& operator=(const RealRootsScope&) = delete;

    private:
        ScratchRegistry& scratch_;
    };

private:
    void Redirect();
    static void Restore();

    std::string path_;
    KitPlatform::UniqueHkey machine_;
    KitPlatform::UniqueHkey user_;
};

}  // namespace KitTest
