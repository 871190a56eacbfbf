// Whole-file operations. None raises: each reports through its result.
#pragma once

#include <string>

namespace KitPlatform {

// True when the path names an existing file that is not a directory.
bool IsExistingFile(const std::string& path);
bool RemoveFile(const std::string& path);
// CopyFileA with fail-if-exists false: an existing destination is replaced.
bool CopyFileOver(const std::string& from, const std::string& to);
// Replaces target's content with source's so that target is never left
// truncated or mixed: on success it holds source's bytes, on failure (a
// read-only target, one held open without write sharing, a full disk) it is
// exactly as before and the result is false.
bool ReplaceFileContents(const std::string& source, const std::string& target);

}  // namespace KitPlatform
