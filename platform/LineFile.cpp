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
// Every read and every write but a file's last moves a whole buffer at a file
// offset that is a multiple of its size: the same bytes moved at other offsets
// cost the platform a quarter more (Wine on ext4).
constexpr std::size_t kBufferSize = 64 * 1024;
// Room ahead of what a read brings in, for the start of a line that the
// previous read cut off: the line is scanned whole while the reads stay put.
constexpr std::size_t kCutLineRoom = kBufferSize / 2;

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
    // Reading: the bytes read lie at [position, filled), a read brings them in
    // behind kCutLineRoom. Writing: the bytes waiting lie at [0, filled).
    std::size_t position = 0;  // reading: the first byte not yet fed to the splitter
    std::size_t filled = 0;
    KitText::LineSplitter splitter;
    std::string heldLine;  // a line ReadTextLineView had to put together

    void Open(const OpenMode& mode);
    void Close();
    void CloseQuietly() noexcept;

    bool Refill();
    bool ReadBehindRoom();
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
    buffer.resize(mode.state == State::Reading ? kCutLineRoom + kBufferSize : kBufferSize);
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
    position = kCutLineRoom;
    filled = kCutLineRoom;
    return ReadBehindRoom();
}

// Reads a whole buffer into the place behind the room for a cut line; false
// at the end of the file.
bool LineFile::Impl::ReadBehindRoom() {
    DWORD read = 0;
    if (!::ReadFile(handle.get(), buffer.data() + kCutLineRoom, static_cast<DWORD>(kBufferSize),
                    &read, nullptr)) {
        RaiseInOutError(LastFileErrorCode(), path);
    }
    filled = kCutLineRoom + read;
    return read != 0;
}

// The bytes not yet taken, when they are the start of a line that the end of
// the buffer cut off, go into the room ahead of the next read, so that the
// line lies whole in the buffer. False, with nothing changed, when the bytes
// are not such a start (they hold a line end or the end mark: the scan stopped
// at a lone CR, say) or do not fit the room; also at the end of the file, the
// bytes then lying just ahead of where the read would have gone.
bool LineFile::Impl::RefillBehindCutLine() {
    const std::string_view rest = Ahead();
    if (rest.size() > kCutLineRoom) return false;
    const std::size_t special = KitText::FindLineSpecial(rest, 0);
    // A CR as the last byte may be the first half of CR LF.
    if (special < rest.size() && !(special + 1 == rest.size() && rest.back() == '\r')) {
        return false;
    }
    position = kCutLineRoom - rest.size();
    std::memmove(buffer.data() + position, rest.data(), rest.size());
    return ReadBehindRoom();
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

// Bytes are copied until the buffer is full, so that the file is written a
// whole buffer at a time: writing runs of lines from where they lie, at the
// offsets where they happen to end, measured slower than the copy.
void LineFile::Impl::Append(std::string_view bytes) {
    while (!bytes.empty()) {
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
