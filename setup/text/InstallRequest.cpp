#include "setup/text/InstallRequest.h"

namespace ComponentSetup {

std::optional<InstallRequest> ParseInstallRequest(std::string_view text) noexcept {
    if (text.size() < 2 || text[1] < '0' || text[1] > '9') return std::nullopt;
    InstallRequest request;
    request.Kind = text[0] == 'D' ? IdeKind::Delphi : IdeKind::CppBuilder;
    request.MajorVersion = text[1] - '0';
    request.TrialEdition = text.size() == 3;
    return request;
}

const char* IdeDisplayName(IdeKind kind) noexcept {
    return kind == IdeKind::Delphi ? "Delphi" : "C++Builder";
}

}  // namespace ComponentSetup
