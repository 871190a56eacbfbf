// How the loaded KitSetup.dll moves the bytes of the files it rewrites: every
// read but the one that finds the end, and every write but a file's last,
// moves a whole buffer of 64 KiB at a file offset that is a multiple of it,
// whatever the lines, the dropped ones and those that a buffer's end cuts
// through. Every ReadFile, WriteFile and CloseHandle the DLL makes is recorded
// through its import table, with the offset of the file a transfer was made at.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/ImportPatch.h"
#include "tests/support/SetupMachine.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace KitTest;

constexpr DWORD kBuffer = 64 * 1024;

struct Transfer {
    LONGLONG offset;
    DWORD size;  // asked for by a read, written by a write
};

// The transfers made through one handle, from its first to its closing.
struct HandleLog {
    std::vector<Transfer> reads;
    std::vector<Transfer> writes;
};

std::map<HANDLE, HandleLog> gOpen;
std::vector<HandleLog> gClosed;

using ReadFileFn = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
using WriteFileFn = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
using CloseHandleFn = BOOL(WINAPI*)(HANDLE);
ReadFileFn gRealReadFile = nullptr;
WriteFileFn gRealWriteFile = nullptr;
CloseHandleFn gRealCloseHandle = nullptr;

LONGLONG OffsetOf(HANDLE file) {
    LARGE_INTEGER position{};
    ::SetFilePointerEx(file, LARGE_INTEGER{}, &position, FILE_CURRENT);
    return position.QuadPart;
}

BOOL WINAPI RecordingReadFile(HANDLE file, LPVOID bytes, DWORD size, LPDWORD read,
                              LPOVERLAPPED overlapped) {
    gOpen[file].reads.push_back({OffsetOf(file), size});
    return gRealReadFile(file, bytes, size, read, overlapped);
}

BOOL WINAPI RecordingWriteFile(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written,
                               LPOVERLAPPED overlapped) {
    gOpen[file].writes.push_back({OffsetOf(file), size});
    return gRealWriteFile(file, bytes, size, written, overlapped);
}

// A handle value comes back for the next file: what was made through it so
// far belongs to the file closed now.
BOOL WINAPI RecordingCloseHandle(HANDLE handle) {
    const auto log = gOpen.find(handle);
    if (log != gOpen.end()) {
        gClosed.push_back(std::move(log->second));
        gOpen.erase(log);
    }
    return gRealCloseHandle(handle);
}

// Lines of every length from 0 to 97, now and then a lone LF, and the lines
// the merge drops, over several buffers.
std::string LongHelpText(const std::string& dropped) {
    std::string text;
    for (int i = 0; text.size() < 5 * kBuffer + 3000; ++i) {
        text += ":Link vendor" + std::string(i % 86, 'x') + ".hlp";
        text += i % 997 == 5 ? "\n" : "\r\n";
        if (i % 1500 == 700) text += dropped + "\r\n";
    }
    return text;
}

class FileTransferByTheDll : public SetupMachine {
protected:
    void SetUp() override {
        SetupMachine::SetUp();
        gOpen.clear();
        gClosed.clear();
    }
};

TEST_F(FileTransferByTheDll, WholeBuffersMoveAtOffsetsThatAreMultiplesOfTheirSize) {
    InstallAll();
    WriteBytes(DelphiHelp("D7.ohl"), LongHelpText(":Link OC25Help.hlp"));
    WriteBytes(DelphiHelp("D7.ohi"), LongHelpText(":Index Ostrel Components 3.0=OC3Help.hlp"));
    {
        ImportPatch reads(dll_.Module(), "kernel32.dll", "ReadFile",
                          reinterpret_cast<const void*>(&RecordingReadFile));
        ImportPatch writes(dll_.Module(), "kernel32.dll", "WriteFile",
                           reinterpret_cast<const void*>(&RecordingWriteFile));
        ImportPatch closes(dll_.Module(), "kernel32.dll", "CloseHandle",
                           reinterpret_cast<const void*>(&RecordingCloseHandle));
        ASSERT_TRUE(reads.Applied() && writes.Applied() && closes.Applied());
        gRealReadFile = reinterpret_cast<ReadFileFn>(reads.Original());
        gRealWriteFile = reinterpret_cast<WriteFileFn>(writes.Original());
        gRealCloseHandle = reinterpret_cast<CloseHandleFn>(closes.Original());
        ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
    }
    EXPECT_TRUE(gOpen.empty()) << "every file the DLL opened was closed";
    const std::string merged = *ReadBytes(DelphiHelp("D7.ohl"));
    EXPECT_EQ(merged.find(":Link OC25Help.hlp"), std::string::npos);
    EXPECT_NE(merged.find(":Link vendor" + std::string(85, 'x') + ".hlp\r\n"), std::string::npos);

    std::size_t longFiles = 0;
    for (const HandleLog& file : gClosed) {
        for (const std::vector<Transfer>* transfers : {&file.reads, &file.writes}) {
            for (std::size_t i = 0; i + 1 < transfers->size(); ++i) {
                const Transfer& transfer = (*transfers)[i];
                EXPECT_EQ(transfer.size, kBuffer) << i << " of " << transfers->size();
                EXPECT_EQ(transfer.offset % kBuffer, 0) << "at " << transfer.offset;
            }
            if (transfers->size() > 5) ++longFiles;
        }
    }
    EXPECT_EQ(longFiles, 4u) << "both long help files read and written over several buffers";
}

}  // namespace
