#pragma once

#include <stdexcept>
#include <string>

namespace KitPlatform {

// A failed text-file operation. The code is the platform's error code of the
// failed file function (2 for a missing file), or one of the codes below.
class InOutError : public std::runtime_error {
public:
    static constexpr unsigned long kFileNotOpen = 103;
    static constexpr unsigned long kFileNotOpenForInput = 104;
    static constexpr unsigned long kFileNotOpenForOutput = 105;

    InOutError(unsigned long code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    unsigned long Code() const noexcept { return code_; }

private:
    unsigned long code_;
};

// Raises InOutError for a failed operation on path.
[[noreturn]] void RaiseInOutError(unsigned long code, const std::string& path);

// The thread's last error, never 0: a function that failed without saying why
// still has to give a failure code.
unsigned long LastFileErrorCode() noexcept;

}  // namespace KitPlatform
