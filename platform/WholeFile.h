// A file read or written as one block of bytes, for formats whose every byte
// must survive an edit (a line file would rewrite the line breaks).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/InOutError.h"

namespace KitPlatform {

// The file's bytes, all of them. Raises InOutError when it cannot be opened
// or read; while it is read, others may read it but not write it.
std::string ReadWholeFile(const std::string& path);

// The file's first bytes, at most maxBytes of them (all of a shorter file):
// enough to tell a format by how it begins without holding a large file.
// Raises as ReadWholeFile does.
std::string ReadFilePrefix(const std::string& path, std::size_t maxBytes);

// Creates the file, or empties an existing one, and writes bytes into it.
// Raises InOutError when any of that fails (a read-only file included).
void WriteWholeFile(const std::string& path, std::string_view bytes);

// Puts bytes in target's place through workPath (written whole, then renamed
// over the target as ReplaceFromWorkFile does), so that the target holds
// either its old bytes or all of the new ones. The work file is gone again on
// every path out. False when the target kept its old bytes; raises as
// WriteWholeFile does when the work file cannot be written.
bool ReplaceWholeFile(const std::string& target, const std::string& workPath,
                      std::string_view bytes);

}  // namespace KitPlatform
