#include "tests/support/TestFiles.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "platform/UniqueHandle.h"

namespace KitTest {

using KitPlatform::UniqueFileHandle;
using KitPlatform::UniqueFindHandle;

void MakeDirectories(const std::string& path) {
    for (std::size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
}

void RemoveDirectoryTree(const std::string& path) {
    WIN32_FIND_DATAA data;
    UniqueFindHandle find(FindFirstFileA((path + "\\*").c_str(), &data));
    if (find) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveDirectoryTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find.get(), &data));
        find.reset();
    }
    RemoveDirectoryA(path.c_str());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    const std::size_t slash = path.find_last_of('\\');
    if (slash != std::string::npos) MakeDirectories(path.substr(0, slash));
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("cannot create " + path);
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - offset, 1 << 20));
        if (!WriteFile(file.get(), bytes.data() + offset, chunk, &written, nullptr) || !written) {
            throw std::runtime_error("cannot write " + path);
        }
        offset += written;
    }
}

std::optional<std::string> ReadBytes(const std::string& path) {
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    std::string bytes;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                      nullptr)) {
            throw std::runtime_error("cannot read " + path);
        }
        if (read == 0) break;
        bytes.append(buffer.data(), read);
    }
    return bytes;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void SetReadOnly(const std::string& path, bool readOnly) {
    SetFileAttributesA(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

std::string PathOfLength(const std::string& base, std::size_t length) {
    std::string path = base + "\\";
    while (path.size() < length) path += 'p';
    return path;
}

HeldOpenFile::HeldOpenFile(const std::string& path, DWORD access, DWORD sharing)
    : handle_(CreateFileA(path.c_str(), access, sharing, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}

std::string Printable(const std::string& bytes) {
    std::string shown;
    for (const unsigned char c : bytes) {
        if (c >= 32 && c < 127) {
            shown += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            shown += hex;
        }
    }
    return shown;
}

std::set<std::string> NamesIn(const std::string& dir) {
    std::set<std::string> names;
    WIN32_FIND_DATAA data;
    const KitPlatform::UniqueFindHandle find(FindFirstFileA((dir + "\\*").c_str(), &data));
    if (!find) return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") names.insert(name);
    } while (FindNextFileA(find.get(), &data));
    return names;
}

}  // namespace KitTest
