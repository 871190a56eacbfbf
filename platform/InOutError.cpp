#include "platform/InOutError.h"

#include <windows.h>

namespace KitPlatform {

namespace {

// Longest path the file functions take without the long-path prefix.
constexpr std::size_t kMaxPathLength = MAX_PATH - 1;

std::string DescribeCode(unsigned long code) {
    switch (code) {
    case EInOutError::kFileNotOpen: return "File not open";
    case EInOutError::kFileNotOpenForInput: return "File not open for input";
    case EInOutError::kFileNotOpenForOutput: return "File not open for output";
    case ERROR_FILENAME_EXCED_RANGE: return "File name too long";
    default: return "I/O error " + std::to_string(code);
    }
}

}  // namespace

void RaiseInOutError(unsigned long code, const std::string& path) {
    throw EInOutError(code, DescribeCode(code) + ": " + path);
}

unsigned long LastFileErrorCode() noexcept {
    const DWORD code = ::GetLastError();
    return code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE;
}

void CheckFilePath(const std::string& path) {
    if (path.size() > kMaxPathLength) RaiseInOutError(ERROR_FILENAME_EXCED_RANGE, path);
    if (path.find('\0') != std::string::npos) RaiseInOutError(ERROR_INVALID_NAME, path);
}

}  // namespace KitPlatform
