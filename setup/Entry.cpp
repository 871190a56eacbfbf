#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/WindowStation.h"
#include "setup/ComponentSetup.h"
#include "setup/CppBuilderRegistration.h"
#include "setup/DelphiRegistration.h"
#include "setup/Discovery.h"
#include "setup/HelpMerge.h"
#include "setup/text/InstallRequest.h"

namespace ComponentSetup {

namespace {

// Process-wide state. Calls must not overlap: there is no lock.
std::string gProductInstallDir;
bool gHelpMergedDelphi = false;
bool gHelpMergedCppBuilder = false;

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

void RunRequest(const InstallRequest& request) {
    gProductInstallDir = ReadProductInstallDir();
    if (gProductInstallDir.empty()) return;

    if (request.Kind == IdeKind::Delphi && IdeKeyExists(IdeKind::Delphi, request.MajorVersion)) {
        gHelpMergedDelphi = MergeIdeHelp(IdeKind::Delphi, request.MajorVersion);
        RegisterDelphi(request.MajorVersion, request.TrialEdition);
    }
    if (request.Kind == IdeKind::CppBuilder &&
        IdeKeyExists(IdeKind::CppBuilder, request.MajorVersion)) {
        gHelpMergedCppBuilder = MergeIdeHelp(IdeKind::CppBuilder, request.MajorVersion);
        RegisterCppBuilder(request.MajorVersion, request.TrialEdition);
    }
    if (gHelpMergedDelphi || gHelpMergedCppBuilder) {
        ShowHelpMergedBox(request.Kind, request.MajorVersion);
    }
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

const std::string& ProductInstallDir() noexcept {
    return gProductInstallDir;
}

int IDEInstall(const void* paramBlock) noexcept {
    gHelpMergedDelphi = false;
    gHelpMergedCppBuilder = false;
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
