#include "platform/InOutError.h"

#include <windows.h>

namespace KitPlatform {

namespace {

std::string DescribeCode(unsigned long code) {
    switch (code) {
    case InOutError::kFileNotOpen: return "File not open";
    case InOutError::kFileNotOpenForInput: return "File not open for input";
    case InOutError::kFileNotOpenForOutput: return "File not open for output";
    case ERROR_FILENAME_EXCED_RANGE: return "File name too long";
    default: return "I/O error " + std::to_string(code);
    }
}

}  // namespace

void RaiseInOutError(unsigned long code, const std::string& path) {
    throw InOutError(code, DescribeCode(code) + ": " + path);
}

unsigned long LastFileErrorCode() noexcept {
    const DWORD code = ::GetLastError();
    return code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE;
}

}  // namespace KitPlatform
