// Files in the Wine prefix, read and written as raw bytes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <set>
#include <string>

#include "platform/UniqueHandle.h"

namespace KitTest {

void MakeDirectories(const std::string& path);
void RemoveDirectoryTree(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
std::optional<std::string> ReadBytes(const std::string& path);
bool FileExists(const std::string& path);
void SetReadOnly(const std::string& path, bool readOnly);

// The bytes as printable text: every byte outside 32-126 as \xNN, so that a
// failure message shows line breaks, NULs and control bytes as they are.
std::string Printable(const std::string& bytes);

// The names in a directory (not "." and ".."); empty when it is missing.
std::set<std::string> NamesIn(const std::string& dir);

// A directory path below base exactly length characters long.
std::string PathOfLength(const std::string& base, std::size_t length);

// A file another program holds open, sharing with others only what it is
// told: a help viewer that reads, or a program that locks it altogether.
class HeldOpenFile {
public:
    HeldOpenFile(const std::string& path, DWORD access, DWORD sharing);
    bool IsOpen() const { return handle_.valid(); }
    void Close() { handle_.reset(); }

private:
    KitPlatform::UniqueFileHandle handle_;
};

}  // namespace KitTest
