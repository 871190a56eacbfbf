// Attribute tests shared by the file accessors.
#pragma once

#include <string>

namespace KitPlatform {

// True when path names an existing file or directory marked read-only.
// Windows refuses to write, replace or truncate such a file; the accessors
// check the mark themselves so that the refusal does not depend on the
// platform's account rights (Wine run by root writes read-only files).
bool IsReadOnlyFile(const std::string& path);

}  // namespace KitPlatform
