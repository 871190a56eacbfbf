// Direct registry access for arranging and checking tests, independent of
// the accessors under test.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace KitTest {

void DeleteKeyTree(HKEY root, const std::string& path);
bool KeyExists(HKEY root, const std::string& path);
void CreateKey(HKEY root, const std::string& path);

void SetString(HKEY root, const std::string& path, const std::string& name,
               const std::string& value, DWORD type = REG_SZ);
void SetRaw(HKEY root, const std::string& path, const std::string& name, DWORD type,
            const std::string& bytes);
void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value);

// The value's bytes as stored, or nothing when the key or value is missing.
struct StoredValue {
    DWORD type = REG_NONE;
    std::string bytes;
    // The stored text without its terminating NUL.
    std::string Text() const;
};
std::optional<StoredValue> ReadValue(HKEY root, const std::string& path, const std::string& name);
// The REG_SZ text of a value, or nothing when it is missing or of another type.
std::optional<std::string> ReadString(HKEY root, const std::string& path, const std::string& name);

// Value names of a key, sorted; empty when the key is missing.
std::vector<std::string> ValueNames(HKEY root, const std::string& path);
std::vector<std::string> SubkeyNames(HKEY root, const std::string& path);

}  // namespace KitTest
