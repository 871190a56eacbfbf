#include "tests/support/TestRegistry.h"

#include <algorithm>
#include <stdexcept>

#include "platform/UniqueHandle.h"

namespace KitTest {

namespace {

using Key = KitPlatform::UniqueHkey;

void Check(LONG status, const char* what, const std::string& path) {
    if (status != ERROR_SUCCESS) {
        throw std::runtime_error(std::string(what) + " failed (" + std::to_string(status) +
                                 ") for " + path);
    }
}

}  // namespace

void DeleteKeyTree(HKEY root, const std::string& path) {
    const LONG status = RegDeleteTreeA(root, path.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
        RegDeleteKeyA(root, path.c_str());
        return;
    }
    Check(status, "RegDeleteTreeA", path);
}

bool KeyExists(HKEY root, const std::string& path) {
    Key key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void CreateKey(HKEY root, const std::string& path) {
    Key key;
    Check(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                          nullptr),
          "RegCreateKeyExA", path);
}

void SetRaw(HKEY root, const std::string& path, const std::string& name, DWORD type,
            const std::string& bytes) {
    Key key;
    Check(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                          nullptr),
          "RegCreateKeyExA", path);
    Check(RegSetValueExA(key.get(), name.c_str(), 0, type,
                         reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(bytes.size())),
          "RegSetValueExA", path + "\\" + name);
}

void SetString(HKEY root, const std::string& path, const std::string& name,
               const std::string& value, DWORD type) {
    SetRaw(root, path, name, type, std::string(value.c_str(), value.size() + 1));
}

void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value) {
    SetRaw(root, path, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4));
}

std::string StoredValue::Text() const {
    std::string text = bytes;
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

std::optional<StoredValue> ReadValue(HKEY root, const std::string& path, const std::string& name) {
    Key key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    StoredValue value;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.bytes.resize(size);
    Check(RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.type,
                           reinterpret_cast<BYTE*>(value.bytes.data()), &size),
          "RegQueryValueExA", path + "\\" + name);
    value.bytes.resize(size);
    return value;
}

std::optional<std::string> ReadString(HKEY root, const std::string& path,
                                      const std::string& name) {
    const auto value = ReadValue(root, path, name);
    if (!value || value->type != REG_SZ) return std::nullopt;
    return value->Text();
}

std::vector<std::string> ValueNames(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    Key key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD length = sizeof name;
        if (RegEnumValueA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> SubkeyNames(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    Key key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace KitTest
