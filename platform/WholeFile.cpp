#include "platform/WholeFile.h"

#include <windows.h>

#include <algorithm>

#include "platform/UniqueHandle.h"

namespace KitPlatform {

namespace {

constexpr DWORD kChunkSize = 64 * 1024;

UniqueFileHandle OpenFile(const std::string& path, DWORD access, DWORD disposition) {
    CheckFilePath(path);
    UniqueFileHandle file(::CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr,
                                        disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) RaiseInOutError(LastFileErrorCode(), path);
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
        RaiseInOutError(access == GENERIC_WRITE ? EInOutError::kFileNotOpenForOutput
                                                : EInOutError::kFileNotOpenForInput,
                        path);
    }
    return file;
}

}  // namespace

std::string ReadWholeFile(const std::string& path) {
    const UniqueFileHandle file = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
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
    const UniqueFileHandle file = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
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
    // Windows refuses to replace a read-only file; so does this, also where
    // the platform would let it through.
    CheckFilePath(path);
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        RaiseInOutError(ERROR_ACCESS_DENIED, path);
    }
    UniqueFileHandle file = OpenFile(path, GENERIC_WRITE, CREATE_ALWAYS);
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

}  // namespace KitPlatform
