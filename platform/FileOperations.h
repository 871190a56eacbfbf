// Whole-file operations. None raises: each reports through its result,
// except RewriteKeepingBackup, which passes on what its writer raises.
#pragma once

#include <functional>
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

// Puts the content of workPath, written whole and closed, in target's place
// the way ReplaceFileA does: the target becomes backupPath by a rename (an
// earlier backup is replaced) and the work file is renamed into the target's
// place, taking over the target's attributes and security. Where a rename is
// refused (a read-only earlier backup, another volume, a file held open) the
// backup is copied and the target replaced as ReplaceFileContents does; when
// the second rename fails, the original is put back first. With an empty
// backupPath no backup is kept: the work file is renamed over the target.
// The outcome is the same whichever way was taken: true when the target holds
// the work file's bytes and the backup the target's old ones; false when the
// target is exactly as before (read-only, held open, in a directory without
// room for a sibling's name), the backup then holding a copy of it wherever
// one can be made. The work file is gone on every path out.
bool ReplaceFromWorkFile(const std::string& target, const std::string& workPath,
                         const std::string& backupPath);

// The rewrite of a file through a work file with a backup: writeWork builds
// the new content in workPath and returns false when there is nothing to
// write; the content then replaces target through ReplaceFromWorkFile. When
// writeWork returns false or raises, the target stays as it is, the backup
// receives a copy of it (as if it had been copied before the work began) and
// what writeWork raised passes on; a work file it left stays.
bool RewriteKeepingBackup(const std::string& target, const std::string& workPath,
                          const std::string& backupPath, const std::function<bool()>& writeWork);

}  // namespace KitPlatform
