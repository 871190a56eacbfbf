#include "setup/Entry.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/WindowStation.h"
#include "setup/Discovery.h"
#include "setup/HelpMerge.h"
#include "setup/IdeRegistration.h"
#include "setup/text/InstallRequest.h"

namespace ComponentSetup {

namespace {

constexpr const char* kBoxCaption = "Ostrel Components Help Registration";
constexpr const char* kBoxFormat =
    "The help files for Ostrel Components have been merged\rinto the %s %d help system.";

void ShowHelpMergedBox(IdeKind kind, int majorVersion) {
    // In a window station nobody can see (a deployment service, a scheduled
    // task, a remote shell) the box would wait for a click that never comes.
    // Only flags read without WSF_VISIBLE leave it out.
    if (KitPlatform::ProcessWindowStationVisibility() ==
        KitPlatform::WindowStationVisibility::Hidden) {
        return;
    }
    char text[160];
    std::snprintf(text, sizeof text, kBoxFormat, IdeDisplayName(kind), majorVersion);
    ::MessageBoxA(nullptr, text, kBoxCaption, MB_OK | MB_ICONINFORMATION);
}

// The help merge runs first and the registration whatever it returned; the
// box tells only of the merge.
void RunRequest(const InstallRequest& request) {
    const IdeTarget target = TargetOf(request, ReadProductInstallDir());
    if (target.SuiteDir.empty()) return;
    if (!IdeKeyExists(target.Kind, target.MajorVersion)) return;

    const bool helpMerged = MergeIdeHelp(target.Kind, target.MajorVersion);
    RegisterIde(target);
    if (helpMerged) ShowHelpMergedBox(target.Kind, target.MajorVersion);
}

}  // namespace

const char* RequestTextOf(const void* paramBlock) noexcept {
    if (!paramBlock) return nullptr;
    const char* text = nullptr;
    std::memcpy(&text, static_cast<const unsigned char*>(paramBlock) +
                           offsetof(SetupParamBlock, RequestText),
                sizeof text);
    return text;
}

int IDEInstall(const void* paramBlock) noexcept {
    try {
        const char* text = RequestTextOf(paramBlock);
        if (!text) return 0;
        const std::optional<InstallRequest> request = ParseInstallRequest(text);
        if (request) RunRequest(*request);
    } catch (...) {
        // The setup program must never see an exception; every step already
        // absorbs its own failures, so only a failure to get memory gets here.
    }
    return 0;
}

}  // namespace ComponentSetup
