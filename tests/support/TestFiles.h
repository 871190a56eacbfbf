// Files in the Wine prefix, read and written as raw bytes.
#pragma once

#include <optional>
#include <string>

namespace KitTest {

void MakeDirectories(const std::string& path);
void RemoveDirectoryTree(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
std::optional<std::string> ReadBytes(const std::string& path);
bool FileExists(const std::string& path);
void SetReadOnly(const std::string& path, bool readOnly);

}  // namespace KitTest
