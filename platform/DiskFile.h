// The rules every file accessor applies before a file function sees a path:
// which paths are taken, which files count as read-only, and how a file is
// opened and checked to be a disk file. FileOperations, LineFile, WholeFile
// and IniFile all go through here, so they refuse the same things.
#pragma once

#include <windows.h>

#include <string>

#include "platform/UniqueHandle.h"

namespace KitPlatform {

// Longest path the file functions take without the long-path prefix.
inline constexpr std::size_t kMaxFilePathLength = MAX_PATH - 1;

// Why the file functions would cut path short or misread it, as their error
// code: ERROR_FILENAME_EXCED_RANGE (206) for one longer than 259 characters,
// ERROR_INVALID_NAME (123) for one with a NUL that would end it early and
// name another file; 0 when the path may be passed on.
unsigned long FilePathProblem(const std::string& path) noexcept;

// Raises InOutError with FilePathProblem's code when there is one.
void CheckFilePath(const std::string& path);

// True when path names an existing file or directory marked read-only.
// Windows refuses to write, replace or truncate such a file; the accessors
// check the mark themselves so that the refusal does not depend on the
// platform's account rights (Wine run by root writes read-only files).
bool IsReadOnlyFile(const std::string& path);

// Opens path with CreateFileA, sharing read access only, after the path check
// and, when access includes writing, the read-only check. Raises InOutError:
// the path's or the platform's error code, ERROR_ACCESS_DENIED for a
// read-only file, and for a handle that is not a disk file (a device, a pipe)
// 105 when opened for writing, 104 otherwise.
UniqueFileHandle OpenDiskFile(const std::string& path, DWORD access, DWORD disposition);

}  // namespace KitPlatform
