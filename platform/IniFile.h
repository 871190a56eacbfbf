// A profile file (sections in square brackets, key=value lines) reached
// through the Windows profile functions.
#pragma once

#include <stdexcept>
#include <string>

namespace KitPlatform {

class IniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class IniFile {
public:
    explicit IniFile(std::string path);
    // Makes the platform write its cached copy of the file to disk.
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // The value, or the default when the file, section or key is missing;
    // whole, whatever its length: a value is never handed out cut short (one
    // beyond 256 MiB raises IniFileError).
    std::string ReadIniString(const std::string& section, const std::string& ident,
                                   const std::string& defaultText) const;
    // Raises IniFileError ("Unable to write to <path>") when refused.
    void WriteIniString(const std::string& section, const std::string& ident,
                        const std::string& value);

private:
    std::string path_;
};

}  // namespace KitPlatform
