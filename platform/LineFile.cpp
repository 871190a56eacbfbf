#include "platform/LineFile.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/DiskFile.h"
#include "platform/text/LineSplitter.h"

namespace KitPlatform {

namespace {

// One buffer for either direction: a line is never read or written with its
// own system call, and a file of any size streams through the same memory.
constexpr std::size_t kBufferSize = 64 * 1024;

constexpr char kLineEnd[] = "\r\n";

struct OpenMode {
    DWORD access;
    DWORD disposition;
    LineFile::State state;
    bool atEnd;
};

constexpr OpenMode kForReading{GENERIC_READ, OPEN_EXISTING, LineFile::State::Reading, false};
constexpr OpenMode kForWriting{GENERIC_WRITE, CREATE_ALWAYS, LineFile::State::Writing, false};
constexpr OpenMode kForAppending{GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING,
                                 LineFile::State::Writing, true};

}  // namespace

struct LineFile::Impl {
    explicit Impl(std::string filePath) : path(std::move(filePath)) {}

    std::string path;
    State state = State::Closed;
    UniqueFileHandle handle;
    std::vector<char> buffer;
    std::size_t position = 0;  // reading: the first byte not yet fed to the splitter
    std::size_t filled = 0;    // reading: bytes in the buffer; writing: bytes waiting
    KitText::LineSplitter splitter;
    std::string heldLine;  // a line ReadTextLineView had to put together

    void Open(const OpenMode& mode);
    void Close();
    void CloseQuietly() noexcept;

    bool Refill();
    bool RefillBehindCutLine();
    std::string_view Ahead() const noexcept {
        return std::string_view(buffer.data() + position, filled - position);
    }

    void Append(std::string_view bytes);
    void AppendLine(std::string_view text);
    unsigned long WriteBytes(const char* bytes, std::size_t count) noexcept;
    unsigned long WriteOut() noexcept;
    void Flush();
};

void LineFile::Impl::Open(const OpenMode& mode) {
    if (state != State::Closed) Close();
    UniqueFileHandle opened = OpenDiskFile(path, mode.access, mode.disposition);
    if (mode.atEnd) {
        LARGE_INTEGER zero{};
        if (!::SetFilePointerEx(opened.get(), zero, nullptr, FILE_END)) {
            RaiseInOutError(LastFileErrorCode(), path);
        }
    }
    buffer.resize(kBufferSize);
    position = 0;
    filled = 0;
    splitter.Reset();
    handle = std::move(opened);
    state = mode.state;
}

// The handle is closed and the state is closed whatever fails on the way; the
// first failure is raised afterwards.
void LineFile::Impl::Close() {
    if (state == State::Closed) RaiseInOutError(InOutError::kFileNotOpen, path);
    unsigned long failure = state == State::Writing ? WriteOut() : 0;
    state = State::Closed;
    if (!::CloseHandle(handle.release()) && failure == 0) failure = LastFileErrorCode();
    if (failure != 0) RaiseInOutError(failure, path);
}

void LineFile::Impl::CloseQuietly() noexcept {
    if (state == State::Writing) WriteOut();
    state = State::Closed;
    handle.reset();
}

// False at the end of the file.
bool LineFile::Impl::Refill() {
    position = 0;
    filled = 0;
    DWORD read = 0;
    if (!::ReadFile(handle.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                    nullptr)) {
        RaiseInOutError(LastFileErrorCode(), path);
    }
    filled = read;
    return read != 0;
}

// The bytes not yet taken, when they are the start of a line that the end of
// the buffer cut off, go to the buffer's front and the next read goes behind
// them, so that the line lies whole in the buffer. False, with nothing
// changed, when the bytes are not such a start (they hold a line end or the
// end mark: the scan stopped at a lone CR, say) or take too much of the
// buffer; also at the end of the file, the bytes then at the buffer's front.
bool LineFile::Impl::RefillBehindCutLine() {
    const std::string_view rest = Ahead();
    if (rest.size() > buffer.size() / 2) return false;
    const std::size_t special = KitText::FindLineSpecial(rest, 0);
    // A CR as the last byte may be the first half of CR LF.
    if (special < rest.size() && !(special + 1 == rest.size() && rest.back() == '\r')) {
        return false;
    }
    std::memmove(buffer.data(), rest.data(), rest.size());
    position = 0;
    filled = rest.size();
    DWORD read = 0;
    if (!::ReadFile(handle.get(), buffer.data() + filled,
                    static_cast<DWORD>(buffer.size() - filled), &read, nullptr)) {
        RaiseInOutError(LastFileErrorCode(), path);
    }
    filled += read;
    return read != 0;
}

// The common case, a line that fits in the buffer, costs one copy.
void LineFile::Impl::AppendLine(std::string_view text) {
    if (buffer.size() - filled < text.size() + 2) {
        Append(text);
        Append(kLineEnd);
        return;
    }
    std::memcpy(buffer.data() + filled, text.data(), text.size());
    filled += text.size();
    buffer[filled++] = '\r';
    buffer[filled++] = '\n';
    if (filled == buffer.size()) Flush();
}

// Bytes that would fill much of an empty buffer go to the file from where
// they are: copying them first would only cost time. Into a buffer that holds
// some already, bytes are copied until it is full, so that the file is still
// written a buffer at a time.
void LineFile::Impl::Append(std::string_view bytes) {
    while (!bytes.empty()) {
        if (filled == 0 && bytes.size() >= buffer.size() / 4) {
            const unsigned long failure = WriteBytes(bytes.data(), bytes.size());
            if (failure != 0) RaiseInOutError(failure, path);
            return;
        }
        const std::size_t count = std::min(buffer.size() - filled, bytes.size());
        std::memcpy(buffer.data() + filled, bytes.data(), count);
        filled += count;
        bytes.remove_prefix(count);
        if (filled == buffer.size()) Flush();
    }
}

// Writes the waiting bytes and empties the buffer, also when writing fails:
// bytes the disk refused once are not offered again. Returns the failure code
// or 0.
unsigned long LineFile::Impl::WriteOut() noexcept {
    const unsigned long failure = WriteBytes(buffer.data(), filled);
    filled = 0;
    return failure;
}

// Writes count bytes, in as many calls as the system takes; the failure code
// or 0.
unsigned long LineFile::Impl::WriteBytes(const char* bytes, std::size_t count) noexcept {
    std::size_t done = 0;
    while (done < count) {
        DWORD written = 0;
        if (!::WriteFile(handle.get(), bytes + done, static_cast<DWORD>(count - done), &written,
                         nullptr)) {
            return LastFileErrorCode();
        }
        if (written == 0) return ERROR_DISK_FULL;
        done += written;
    }
    return 0;
}

void LineFile::Impl::Flush() {
    const unsigned long failure = WriteOut();
    if (failure != 0) RaiseInOutError(failure, path);
}

// ---- LineFile ---------------------------------------------------------------

LineFile::LineFile(std::string path) : impl_(std::make_unique<Impl>(std::move(path))) {}

LineFile::~LineFile() {
    if (impl_) impl_->CloseQuietly();
}

void LineFile::OpenTextForReading() { impl_->Open(kForReading); }

void LineFile::CreateTextForWriting() { impl_->Open(kForWriting); }

void LineFile::OpenTextForAppending() { impl_->Open(kForAppending); }

std::string LineFile::ReadTextLine() {
    Impl& file = *impl_;
    if (file.state != State::Reading) RaiseInOutError(InOutError::kFileNotOpenForInput, file.path);
    while (!file.splitter.LineReady()) {
        if (file.position == file.filled && !file.Refill()) {
            file.splitter.EndInput();
            break;
        }
        file.position += file.splitter.Feed(file.Ahead());
    }
    return file.splitter.TakeLine();
}

std::string_view LineFile::ReadTextLineView() {
    Impl& file = *impl_;
    if (file.state != State::Reading) RaiseInOutError(InOutError::kFileNotOpenForInput, file.path);
    std::size_t taken = 0;
    if (const auto line = file.splitter.WholeLineAt(file.Ahead(), taken)) {
        file.position += taken;
        return *line;
    }
    file.heldLine = ReadTextLine();
    return file.heldLine;
}

void LineFile::CopyTextLinesTo(LineFile& out,
                               const std::function<bool(std::string_view)>& keep) {
    CopyTextLinesTo(out, LineSelection{{}, keep});
}

void LineFile::CopyTextLinesTo(LineFile& out, const LineSelection& selection) {
    Impl& file = *impl_;
    if (file.state != State::Reading) RaiseInOutError(InOutError::kFileNotOpenForInput, file.path);
    if (out.impl_->state != State::Writing) {
        RaiseInOutError(InOutError::kFileNotOpenForOutput, out.impl_->path);
    }
    // Kept lines whose bytes in the buffer are the line and CR LF, exactly
    // what WriteTextLine would write, go out together, in one copy; only the
    // lines the selection may drop and those ended by a lone LF are looked at.
    for (;;) {
        const std::size_t base = file.position;
        std::size_t runBegin = base;
        const auto writeRunTo = [&](std::size_t runEnd) {
            if (runEnd != runBegin) {
                out.impl_->Append(
                    std::string_view(file.buffer.data() + runBegin, runEnd - runBegin));
            }
        };
        const std::size_t taken = file.splitter.ForEachNotableWholeLine(
            file.Ahead(), selection.screen,
            [&](std::string_view line, std::size_t begin, std::size_t end) {
                const bool kept = selection.Keeps(line);
                if (kept && end - begin == line.size() + 2) return;
                writeRunTo(base + begin);
                if (kept) out.WriteTextLine(line);
                runBegin = base + end;
            });
        file.position += taken;
        // The buffer may be refilled from here on: what waits goes out first.
        writeRunTo(file.position);
        if (file.position != file.filled && file.RefillBehindCutLine()) continue;
        if (AtEndOfText()) return;
        const std::string_view line = ReadTextLineView();
        if (selection.Keeps(line)) out.WriteTextLine(line);
    }
}

bool LineFile::AtEndOfText() {
    Impl& file = *impl_;
    if (file.state != State::Reading) RaiseInOutError(InOutError::kFileNotOpenForInput, file.path);
    if (!file.splitter.Ended() && file.position == file.filled && !file.Refill()) {
        file.splitter.EndInput();
    }
    return file.splitter.AtEnd(file.Ahead());
}

void LineFile::WriteTextLine(std::string_view text) {
    Impl& file = *impl_;
    if (file.state != State::Writing) RaiseInOutError(InOutError::kFileNotOpenForOutput, file.path);
    file.AppendLine(text);
}

void LineFile::CloseText() { impl_->Close(); }



}  // namespace KitPlatform
