#include "platform/DiskFile.h"

#include "platform/InOutError.h"

namespace KitPlatform {

unsigned long FilePathProblem(const std::string& path) noexcept {
    if (path.size() > kMaxFilePathLength) return ERROR_FILENAME_EXCED_RANGE;
    if (path.find('\0') != std::string::npos) return ERROR_INVALID_NAME;
    return 0;
}

void CheckFilePath(const std::string& path) {
    const unsigned long problem = FilePathProblem(path);
    if (problem != 0) RaiseInOutError(problem, path);
}

bool IsReadOnlyFile(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

namespace {

HANDLE CreateDiskFile(const std::string& path, DWORD access, DWORD disposition) {
    return ::CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

UniqueFileHandle OpenDiskFile(const std::string& path, DWORD access, DWORD disposition) {
    CheckFilePath(path);
    const bool writing = (access & GENERIC_WRITE) != 0;
    UniqueFileHandle file;
    // A file that does not exist yet is made as a new one rather than by
    // truncation: some file systems (ext4 under Wine, which truncates what it
    // overwrites) start writing all of a truncated file's data out as soon as
    // it is closed, and a deletion that follows then waits behind that write.
    // A new file cannot be read-only. Any other outcome of the first try is
    // left to the disposition asked for, so that an existing file is replaced
    // and a failure reports its own code.
    if (disposition == CREATE_ALWAYS) file.reset(CreateDiskFile(path, access, CREATE_NEW));
    if (!file) {
        // Windows refuses to open a read-only file for writing; so does this,
        // also where the platform would let it through.
        if (writing && IsReadOnlyFile(path)) RaiseInOutError(ERROR_ACCESS_DENIED, path);
        file.reset(CreateDiskFile(path, access, disposition));
    }
    if (!file) RaiseInOutError(LastFileErrorCode(), path);
    // Only a disk file holds text that can be read back and replaced.
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
        RaiseInOutError(writing ? InOutError::kFileNotOpenForOutput
                                : InOutError::kFileNotOpenForInput,
                        path);
    }
    return file;
}

}  // namespace KitPlatform
