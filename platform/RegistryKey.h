// One open registry key, owned by one object: moving hands the key over,
// destruction closes it. Opening or creating a key that cannot be reached
// gives a key that is not open; reads say "missing" explicitly. Failing to
// read, write or create raises RegistryError.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryError.h"
#include "platform/UniqueHandle.h"

namespace KitPlatform {

// Keys under HKEY_LOCAL_MACHINE are only ever read; per-user keys are
// read and written.
enum class KeyAccess { Read, ReadWrite };

class RegistryKey {
public:
    RegistryKey() noexcept = default;
    RegistryKey(RegistryKey&&) noexcept = default;
    RegistryKey& operator=(RegistryKey&&) noexcept = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // The existing key at path below parent (a predefined root or an open
    // key's Handle()); one leading backslash is allowed. Not open when it does not exist
    // or the access is refused.
    static RegistryKey Open(HKEY parent, const std::string& path, KeyAccess access) noexcept;
    // The same, creating every missing key of the path.
    static RegistryKey Create(HKEY parent, const std::string& path, KeyAccess access) noexcept;

    bool IsOpen() const noexcept { return key_.valid(); }
    explicit operator bool() const noexcept { return IsOpen(); }
    // For opening keys below this one; stays owned by this object.
    HKEY Handle() const noexcept { return key_.get(); }

    // Nothing for a missing value (or no open key); the stored text up to its
    // first NUL otherwise. Raises "Invalid data type for '<name>'" for a value
    // of another type, "Failed to get data for '<name>'" when its data cannot
    // be read.
    std::optional<std::string> ReadString(const std::string& name) const;
    // ReadString for a value that may be long, a list say: the key is asked
    // first how long its longest value is, so that a long one is read in one
    // call (every call of the platform carries all of a string's data).
    std::optional<std::string> ReadLongString(const std::string& name) const;
    // Stores a REG_SZ value; raises "Failed to set data for '<name>'".
    void WriteString(const std::string& name, const std::string& text) const;
    // Hands each value name, in the registry's order, to onName as a view
    // that lasts for the call; no name is kept, so a key of thousands of
    // values costs no memory for them. False when the key cannot be asked for
    // its names.
    bool ForEachValueName(const std::function<void(std::string_view)>& onName) const;
    // A missing value is no error.
    void DeleteValue(const std::string& name) const noexcept;

private:
    explicit RegistryKey(UniqueHkey key) noexcept : key_(std::move(key)) {}
    std::optional<std::string> ReadStringWithRoom(const std::string& name, DWORD room) const;

    UniqueHkey key_;
};

}  // namespace KitPlatform
