#include "platform/FileOperations.h"

#include <windows.h>

#include <vector>

#include "platform/DiskFile.h"

namespace KitPlatform {

namespace {

// Longest directory GetTempFileNameA takes, leaving room in MAX_PATH for
// "\kitXXXX.tmp" and the NUL. Windows refuses a longer one; some platforms
// overrun their buffers instead and hand back a name without its end.
constexpr std::size_t kMaxTempDirectoryLength = MAX_PATH - 14;

bool IsUsablePath(const std::string& path) noexcept {
    return !path.empty() && FilePathProblem(path) == 0;
}

bool HasWildcard(const std::string& path) noexcept {
    return path.find_first_of("*?") != std::string::npos;
}

// The directory part of a path, for a sibling file: "." for a bare name, the
// drive for "C:name", the root for "\name".
std::string DirectoryOf(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/:");
    if (separator == std::string::npos) return ".";
    if (path[separator] == ':' || separator == 0) return path.substr(0, separator + 1);
    return path.substr(0, separator);
}

// A scratch file that is deleted when it goes out of scope unless kept.
class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (path_.empty()) return;
        ::SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path_.c_str());
    }

    // Creates an empty file with a new name in directory.
    bool CreateIn(const std::string& directory) {
        if (directory.size() > kMaxTempDirectoryLength) return false;
        char name[MAX_PATH] = {};
        if (!::GetTempFileNameA(directory.c_str(), "kit", 0, name)) return false;
        path_ = name;
        return true;
    }
    const std::string& Path() const noexcept { return path_; }
    void Keep() noexcept { path_.clear(); }

private:
    std::string path_;
};

// Whether an existing file could be written now: fails when it is read-only or
// when someone holds it open without sharing write access.
bool CanOpenForWriting(const std::string& path) {
    UniqueFileHandle probe(::CreateFileA(path.c_str(), GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return probe.valid();
}

// A copy keeps the source's attributes; the replacement must not inherit a
// read-only flag that would lock the target afterwards.
void ClearReadOnly(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        ::SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
}

// True when target is missing, or is a file that may be replaced now;
// attributes are the target's as just read.
bool TargetMayBeReplaced(const std::string& target, DWORD attributes) {
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    // Checked here as well as by the probe below: a platform may let a
    // privileged account open a read-only file for writing.
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return false;
    return CanOpenForWriting(target);
}

// The attributes a replacement takes over from the file it replaces. A
// read-only target is never replaced, so that mark never comes along.
constexpr DWORD kCarriedAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                     FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Deletes the work file when it goes out of scope, whichever way was taken,
// unless it was renamed into the target's place.
class WorkFile {
public:
    explicit WorkFile(const std::string& path) noexcept : path_(path) {}
    ~WorkFile() {
        if (!renamed_ && FilePathProblem(path_) == 0) ::DeleteFileA(path_.c_str());
    }
    WorkFile(const WorkFile&) = delete;
    WorkFile& operator=(const WorkFile&) = delete;

    void Renamed() noexcept { renamed_ = true; }

private:
    const std::string& path_;
    bool renamed_ = false;
};

// A file that may take target's place by a rename: both paths usable, the
// target a file that may be replaced now (neither read-only nor held open),
// in a directory where the copying way would find room for a sibling too, so
// that whether a file is replaced never depends on the way taken.
bool MayRenameIntoPlace(const std::string& target, DWORD targetAttributes,
                        const std::string& workPath) {
    return IsUsablePath(workPath) && IsUsablePath(target) &&
           targetAttributes != INVALID_FILE_ATTRIBUTES &&
           DirectoryOf(target).size() <= kMaxTempDirectoryLength &&
           TargetMayBeReplaced(target, targetAttributes);
}

// A missing backup, or an earlier one that a rename may replace: Windows
// refuses to rename over a read-only file, and so does this, also where the
// platform would let it through.
bool MayRenameToBackup(const std::string& backupPath) {
    if (!IsUsablePath(backupPath)) return false;
    const DWORD attributes = ::GetFileAttributesA(backupPath.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES ||
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0;
}

// Gives the work file the target's access rules and marks before it takes
// the target's place, as ReplaceFileA does. Where the platform keeps no
// access rules of its own for a file there is nothing to take over.
void TakeOverAttributesAndSecurity(const std::string& target, DWORD targetAttributes,
                                   const std::string& workPath) {
    // Most descriptors fit this; a larger one is asked for again.
    std::vector<BYTE> descriptor(512);
    DWORD needed = 0;
    BOOL read = ::GetFileSecurityA(target.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(),
                                   static_cast<DWORD>(descriptor.size()), &needed);
    if (!read && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > descriptor.size()) {
        descriptor.resize(needed);
        read = ::GetFileSecurityA(target.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(),
                                  needed, &needed);
    }
    if (read) {
        ::SetFileSecurityA(workPath.c_str(), DACL_SECURITY_INFORMATION, descriptor.data());
    }
    // A fresh file carries the archive mark and nothing else.
    const DWORD carried = targetAttributes & kCarriedAttributes;
    if (carried != FILE_ATTRIBUTE_ARCHIVE) {
        ::SetFileAttributesA(workPath.c_str(), carried != 0 ? carried : FILE_ATTRIBUTE_NORMAL);
    }
}

// The two renames of ReplaceFileA; false when the target is as before and
// the backup as before or a copy of the target (the copying way then runs).
bool RenameIntoPlaceKeepingBackup(const std::string& target, const std::string& workPath,
                                  const std::string& backupPath) {
    if (!::MoveFileExA(target.c_str(), backupPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return false;
    }
    if (::MoveFileExA(workPath.c_str(), target.c_str(), 0)) return true;
    // The original goes back; the earlier backup it replaced is gone, and the
    // copying way puts a copy of the target there.
    ::MoveFileExA(backupPath.c_str(), target.c_str(), 0);
    return false;
}

}  // namespace

bool IsExistingFile(const std::string& path) {
    // A wildcard would let the look-up report some other file that matches it.
    if (!IsUsablePath(path) || HasWildcard(path)) return false;
    WIN32_FIND_DATAA found;
    UniqueFindHandle find(::FindFirstFileA(path.c_str(), &found));
    if (!find) return false;
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool RemoveFile(const std::string& path) {
    return FilePathProblem(path) == 0 && ::DeleteFileA(path.c_str()) != FALSE;
}

// A read-only destination is refused as Windows refuses it, also where the
// platform would overwrite it.
bool CopyFileOver(const std::string& from, const std::string& to) {
    if (FilePathProblem(from) != 0 || FilePathProblem(to) != 0) return false;
    if (IsReadOnlyFile(to)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return ::CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

// The new content is first copied whole into a sibling of the target, then put
// in the target's place by one rename, so the target holds either its old
// bytes or all of the new ones, never a part of them.
bool ReplaceFileContents(const std::string& source, const std::string& target) {
    if (!IsUsablePath(source) || !IsUsablePath(target)) return false;
    if (!TargetMayBeReplaced(target, ::GetFileAttributesA(target.c_str()))) return false;
    TemporaryFile replacement;
    if (!replacement.CreateIn(DirectoryOf(target))) return false;
    if (!::CopyFileA(source.c_str(), replacement.Path().c_str(), FALSE)) return false;
    ClearReadOnly(replacement.Path());
    if (!::MoveFileExA(replacement.Path().c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return false;
    }
    replacement.Keep();
    return true;
}

bool ReplaceFromWorkFile(const std::string& target, const std::string& workPath,
                         const std::string& backupPath) {
    WorkFile work(workPath);
    const DWORD targetAttributes = ::GetFileAttributesA(target.c_str());
    const bool keepBackup = !backupPath.empty();
    if (MayRenameIntoPlace(target, targetAttributes, workPath) &&
        (!keepBackup || MayRenameToBackup(backupPath))) {
        TakeOverAttributesAndSecurity(target, targetAttributes, workPath);
        if (keepBackup ? RenameIntoPlaceKeepingBackup(target, workPath, backupPath)
                       : ::MoveFileExA(workPath.c_str(), target.c_str(),
                                       MOVEFILE_REPLACE_EXISTING) != FALSE) {
            work.Renamed();
            return true;
        }
    }
    // The way of copies: the backup's outcome is not examined.
    if (keepBackup) CopyFileOver(target, backupPath);
    return ReplaceFileContents(workPath, target);
}

bool RewriteKeepingBackup(const std::string& target, const std::string& workPath,
                          const std::string& backupPath, const std::function<bool()>& writeWork) {
    bool written = false;
    try {
        written = writeWork();
    } catch (...) {
        CopyFileOver(target, backupPath);
        throw;
    }
    if (!written) {
        CopyFileOver(target, backupPath);
        return false;
    }
    return ReplaceFromWorkFile(target, workPath, backupPath);
}

}  // namespace KitPlatform
