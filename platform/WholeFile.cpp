#include "platform/WholeFile.h"

#include <windows.h>

#include <algorithm>

#include "platform/DiskFile.h"
#include "platform/FileOperations.h"

namespace KitPlatform {

namespace {

constexpr DWORD kChunkSize = 64 * 1024;

}  // namespace

std::string ReadWholeFile(const std::string& path) {
    const UniqueFileHandle file = OpenDiskFile(path, GENERIC_READ, OPEN_EXISTING);
    std::string bytes;
    std::string chunk(kChunkSize, '\0');
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), &chunk[0], kChunkSize, &read, nullptr)) {
            RaiseInOutError(LastFileErrorCode(), path);
        }
        if (read == 0) return bytes;
        bytes.append(chunk, 0, read);
    }
}

std::string ReadFilePrefix(const std::string& path, std::size_t maxBytes) {
    const UniqueFileHandle file = OpenDiskFile(path, GENERIC_READ, OPEN_EXISTING);
    std::string bytes(maxBytes, '\0');
    std::size_t filled = 0;
    while (filled < maxBytes) {
        const DWORD wanted =
            static_cast<DWORD>(std::min<std::size_t>(maxBytes - filled, kChunkSize));
        DWORD read = 0;
        if (!::ReadFile(file.get(), &bytes[filled], wanted, &read, nullptr)) {
            RaiseInOutError(LastFileErrorCode(), path);
        }
        if (read == 0) break;
        filled += read;
    }
    bytes.resize(filled);
    return bytes;
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
    UniqueFileHandle file = OpenDiskFile(path, GENERIC_WRITE, CREATE_ALWAYS);
    while (!bytes.empty()) {
        const DWORD count = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kChunkSize));
        DWORD written = 0;
        if (!::WriteFile(file.get(), bytes.data(), count, &written, nullptr)) {
            RaiseInOutError(LastFileErrorCode(), path);
        }
        if (written == 0) RaiseInOutError(ERROR_DISK_FULL, path);
        bytes.remove_prefix(written);
    }
    if (!::CloseHandle(file.release())) RaiseInOutError(LastFileErrorCode(), path);
}

namespace {

// Deletes the work file when it goes out of scope, also after a failed write.
class WorkFileRemover {
public:
    explicit WorkFileRemover(const std::string& path) noexcept : path_(path) {}
    ~WorkFileRemover() { RemoveFile(path_); }
    WorkFileRemover(const WorkFileRemover&) = delete;
    WorkFileRemover& operator=(const WorkFileRemover&) = delete;

private:
    const std::string& path_;
};

}  // namespace

bool ReplaceWholeFile(const std::string& target, const std::string& workPath,
                      std::string_view bytes) {
    const WorkFileRemover remover(workPath);
    WriteWholeFile(workPath, bytes);
    return ReplaceFromWorkFile(target, workPath, std::string());
}

}  // namespace KitPlatform
