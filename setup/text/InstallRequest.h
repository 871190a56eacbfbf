// The request a setup program passes: "D" for Delphi or any other character
// for C++Builder, one decimal digit for the major version, and a third
// character that selects the trial edition when the text is exactly three
// characters long. Free of any OS header.
#pragma once

#include <optional>
#include <string_view>

namespace ComponentSetup {

enum class IdeKind { Delphi, CppBuilder };

struct InstallRequest {
    IdeKind Kind = IdeKind::Delphi;
    int MajorVersion = 0;
    bool TrialEdition = false;
};

// Nothing for a text that names no IDE and version: shorter than two
// characters, or a second character that is not a decimal digit.
std::optional<InstallRequest> ParseInstallRequest(std::string_view text) noexcept;

// "Delphi" or "C++Builder", as the information box names the IDE.
const char* IdeDisplayName(IdeKind kind) noexcept;

}  // namespace ComponentSetup
