#include "bench/CallCounting.h"

#include <algorithm>
#include <iterator>

#include "tests/support/BoxWatcher.h"
#include "tests/support/ImportPatch.h"

namespace KitBench {

namespace {

// The functions counted, their calls, and their originals: plain arrays, no
// look-ups.
enum Counted {
    kRegOpenKeyExA, kRegCreateKeyExA, kRegCloseKey, kRegQueryValueExA, kRegSetValueExA,
    kRegQueryInfoKeyA, kRegEnumValueA, kRegDeleteValueA,
    kCreateFileA, kReadFile, kWriteFile, kCopyFileA, kMoveFileExA, kDeleteFileA,
    kGetPrivateProfileStringA, kWritePrivateProfileStringA, kCompareStringA,
    kCloseHandle, kGetTempFileNameA, kFindFirstFileA, kGetFileAttributesA, kSetFileAttributesA,
    kGetFileSecurityA, kSetFileSecurityA,
    kmalloc, krealloc, kMessageBoxA,
    kCountedFunctions
};
long long gCalls[kCountedFunctions];
double gSeconds[kCountedFunctions];  // heap functions are counted, not timed
// The peak working set when the information box is about to be shown: the
// library's own, before the dialog brings in fonts and the like.
double gPeakBeforeBox = 0;
void* gReal[kCountedFunctions];
long long gBytesRead = 0;
long long gBytesWritten = 0;
long long gBytesCopied = 0;
long long gBytesAllocated = 0;
long long gBoxesClosed = 0;
// Passes over a key's values: each starts at index 0. Asking a key for its
// sizes (RegQueryInfoKeyA) lists nothing.
long long gListings = 0;

// Counts one call of a counted function and adds the time spent in it.
class Timed {
public:
    explicit Timed(Counted id) : id_(id), start_(Now()) { ++gCalls[id]; }
    ~Timed() { gSeconds[id_] += Now() - start_; }
    Timed(const Timed&) = delete;
    Timed& operator=(const Timed&) = delete;

private:
    Counted id_;
    double start_;
};

// The original function, typed as declared.
#define KITBENCH_REAL(name) reinterpret_cast<decltype(&::name)>(gReal[k##name])

LONG WINAPI CountRegOpenKeyExA(HKEY a, LPCSTR b, DWORD c, REGSAM d, PHKEY e) {
    Timed timed(kRegOpenKeyExA);
    return KITBENCH_REAL(RegOpenKeyExA)(a, b, c, d, e);
}
LONG WINAPI CountRegCreateKeyExA(HKEY a, LPCSTR b, DWORD c, LPSTR d, DWORD e, REGSAM f,
                                 const LPSECURITY_ATTRIBUTES g, PHKEY h, LPDWORD i) {
    Timed timed(kRegCreateKeyExA);
    return KITBENCH_REAL(RegCreateKeyExA)(a, b, c, d, e, f, g, h, i);
}
LONG WINAPI CountRegCloseKey(HKEY a) {
    Timed timed(kRegCloseKey);
    return KITBENCH_REAL(RegCloseKey)(a);
}
LONG WINAPI CountRegQueryValueExA(HKEY a, LPCSTR b, LPDWORD c, LPDWORD d, LPBYTE e, LPDWORD f) {
    Timed timed(kRegQueryValueExA);
    return KITBENCH_REAL(RegQueryValueExA)(a, b, c, d, e, f);
}
LONG WINAPI CountRegSetValueExA(HKEY a, LPCSTR b, DWORD c, DWORD d, const BYTE* e, DWORD f) {
    Timed timed(kRegSetValueExA);
    return KITBENCH_REAL(RegSetValueExA)(a, b, c, d, e, f);
}
LONG WINAPI CountRegQueryInfoKeyA(HKEY a, LPSTR b, LPDWORD c, LPDWORD d, LPDWORD e, LPDWORD f,
                                  LPDWORD g, LPDWORD h, LPDWORD i, LPDWORD j, LPDWORD k,
                                  PFILETIME l) {
    Timed timed(kRegQueryInfoKeyA);
    return KITBENCH_REAL(RegQueryInfoKeyA)(a, b, c, d, e, f, g, h, i, j, k, l);
}
LONG WINAPI CountRegEnumValueA(HKEY a, DWORD b, LPSTR c, LPDWORD d, LPDWORD e, LPDWORD f,
                               LPBYTE g, LPDWORD h) {
    Timed timed(kRegEnumValueA);
    if (b == 0) ++gListings;
    return KITBENCH_REAL(RegEnumValueA)(a, b, c, d, e, f, g, h);
}
LONG WINAPI CountRegDeleteValueA(HKEY a, LPCSTR b) {
    Timed timed(kRegDeleteValueA);
    return KITBENCH_REAL(RegDeleteValueA)(a, b);
}

HANDLE WINAPI CountCreateFileA(LPCSTR a, DWORD b, DWORD c, LPSECURITY_ATTRIBUTES d, DWORD e,
                               DWORD f, HANDLE g) {
    Timed timed(kCreateFileA);
    return KITBENCH_REAL(CreateFileA)(a, b, c, d, e, f, g);
}
BOOL WINAPI CountReadFile(HANDLE a, LPVOID b, DWORD c, LPDWORD d, LPOVERLAPPED e) {
    Timed timed(kReadFile);
    const BOOL ok = KITBENCH_REAL(ReadFile)(a, b, c, d, e);
    if (ok && d) gBytesRead += *d;
    return ok;
}
BOOL WINAPI CountWriteFile(HANDLE a, LPCVOID b, DWORD c, LPDWORD d, LPOVERLAPPED e) {
    Timed timed(kWriteFile);
    const BOOL ok = KITBENCH_REAL(WriteFile)(a, b, c, d, e);
    if (ok && d) gBytesWritten += *d;
    return ok;
}
BOOL WINAPI CountCopyFileA(LPCSTR a, LPCSTR b, BOOL c) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExA(a, GetFileExInfoStandard, &data)) {
        gBytesCopied += (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    Timed timed(kCopyFileA);
    return KITBENCH_REAL(CopyFileA)(a, b, c);
}
BOOL WINAPI CountMoveFileExA(LPCSTR a, LPCSTR b, DWORD c) {
    Timed timed(kMoveFileExA);
    return KITBENCH_REAL(MoveFileExA)(a, b, c);
}
BOOL WINAPI CountDeleteFileA(LPCSTR a) {
    Timed timed(kDeleteFileA);
    return KITBENCH_REAL(DeleteFileA)(a);
}
DWORD WINAPI CountGetPrivateProfileStringA(LPCSTR a, LPCSTR b, LPCSTR c, LPSTR d, DWORD e,
                                           LPCSTR f) {
    Timed timed(kGetPrivateProfileStringA);
    return KITBENCH_REAL(GetPrivateProfileStringA)(a, b, c, d, e, f);
}
BOOL WINAPI CountWritePrivateProfileStringA(LPCSTR a, LPCSTR b, LPCSTR c, LPCSTR d) {
    Timed timed(kWritePrivateProfileStringA);
    return KITBENCH_REAL(WritePrivateProfileStringA)(a, b, c, d);
}
int WINAPI CountCompareStringA(LCID a, DWORD b, LPCSTR c, int d, LPCSTR e, int f) {
    Timed timed(kCompareStringA);
    return KITBENCH_REAL(CompareStringA)(a, b, c, d, e, f);
}
BOOL WINAPI CountCloseHandle(HANDLE a) {
    Timed timed(kCloseHandle);
    return KITBENCH_REAL(CloseHandle)(a);
}
UINT WINAPI CountGetTempFileNameA(LPCSTR a, LPCSTR b, UINT c, LPSTR d) {
    Timed timed(kGetTempFileNameA);
    return KITBENCH_REAL(GetTempFileNameA)(a, b, c, d);
}
HANDLE WINAPI CountFindFirstFileA(LPCSTR a, LPWIN32_FIND_DATAA b) {
    Timed timed(kFindFirstFileA);
    return KITBENCH_REAL(FindFirstFileA)(a, b);
}
DWORD WINAPI CountGetFileAttributesA(LPCSTR a) {
    Timed timed(kGetFileAttributesA);
    return KITBENCH_REAL(GetFileAttributesA)(a);
}
BOOL WINAPI CountSetFileAttributesA(LPCSTR a, DWORD b) {
    Timed timed(kSetFileAttributesA);
    return KITBENCH_REAL(SetFileAttributesA)(a, b);
}
BOOL WINAPI CountGetFileSecurityA(LPCSTR a, SECURITY_INFORMATION b, PSECURITY_DESCRIPTOR c,
                                  DWORD d, LPDWORD e) {
    Timed timed(kGetFileSecurityA);
    return KITBENCH_REAL(GetFileSecurityA)(a, b, c, d, e);
}
BOOL WINAPI CountSetFileSecurityA(LPCSTR a, SECURITY_INFORMATION b, PSECURITY_DESCRIPTOR c) {
    Timed timed(kSetFileSecurityA);
    return KITBENCH_REAL(SetFileSecurityA)(a, b, c);
}
void* __cdecl CountMalloc(size_t size) {
    gBytesAllocated += static_cast<long long>(size);
    ++gCalls[kmalloc];
    return KITBENCH_REAL(malloc)(size);
}
void* __cdecl CountRealloc(void* block, size_t size) {
    gBytesAllocated += static_cast<long long>(size);
    ++gCalls[krealloc];
    return KITBENCH_REAL(realloc)(block, size);
}
// The information box waits for the user: its time is kept apart. The
// thread that presses its OK button starts only now, so that nothing polls
// for a box on the benchmark's one CPU while the library works.
int WINAPI TimeMessageBoxA(HWND a, LPCSTR b, LPCSTR c, UINT d) {
    if (gPeakBeforeBox == 0) gPeakBeforeBox = static_cast<double>(MemoryNow().PeakWorkingSetSize);
    Timed timed(kMessageBoxA);
    KitTest::ThreadBoxWatcher closer(::GetCurrentThreadId());
    const int pressed = KITBENCH_REAL(MessageBoxA)(a, b, c, d);
    gBoxesClosed += static_cast<long long>(closer.Finish().size());
    return pressed;
}
#undef KITBENCH_REAL

struct Wrapper {
    Counted id;
    const char* dll;
    const char* function;
    void* replacement;
};
#define KITBENCH_WRAPPER(dll, name, wrapper) \
    { k##name, dll, #name, reinterpret_cast<void*>(&wrapper) }
const Wrapper kWrappers[] = {
    KITBENCH_WRAPPER("advapi32.dll", RegOpenKeyExA, CountRegOpenKeyExA),
    KITBENCH_WRAPPER("advapi32.dll", RegCreateKeyExA, CountRegCreateKeyExA),
    KITBENCH_WRAPPER("advapi32.dll", RegCloseKey, CountRegCloseKey),
    KITBENCH_WRAPPER("advapi32.dll", RegQueryValueExA, CountRegQueryValueExA),
    KITBENCH_WRAPPER("advapi32.dll", RegSetValueExA, CountRegSetValueExA),
    KITBENCH_WRAPPER("advapi32.dll", RegQueryInfoKeyA, CountRegQueryInfoKeyA),
    KITBENCH_WRAPPER("advapi32.dll", RegEnumValueA, CountRegEnumValueA),
    KITBENCH_WRAPPER("advapi32.dll", RegDeleteValueA, CountRegDeleteValueA),
    KITBENCH_WRAPPER("kernel32.dll", CreateFileA, CountCreateFileA),
    KITBENCH_WRAPPER("kernel32.dll", ReadFile, CountReadFile),
    KITBENCH_WRAPPER("kernel32.dll", WriteFile, CountWriteFile),
    KITBENCH_WRAPPER("kernel32.dll", CopyFileA, CountCopyFileA),
    KITBENCH_WRAPPER("kernel32.dll", MoveFileExA, CountMoveFileExA),
    KITBENCH_WRAPPER("kernel32.dll", DeleteFileA, CountDeleteFileA),
    KITBENCH_WRAPPER("kernel32.dll", GetPrivateProfileStringA, CountGetPrivateProfileStringA),
    KITBENCH_WRAPPER("kernel32.dll", WritePrivateProfileStringA, CountWritePrivateProfileStringA),
    KITBENCH_WRAPPER("kernel32.dll", CompareStringA, CountCompareStringA),
    KITBENCH_WRAPPER("kernel32.dll", CloseHandle, CountCloseHandle),
    KITBENCH_WRAPPER("kernel32.dll", GetTempFileNameA, CountGetTempFileNameA),
    KITBENCH_WRAPPER("kernel32.dll", FindFirstFileA, CountFindFirstFileA),
    KITBENCH_WRAPPER("kernel32.dll", GetFileAttributesA, CountGetFileAttributesA),
    KITBENCH_WRAPPER("kernel32.dll", SetFileAttributesA, CountSetFileAttributesA),
    KITBENCH_WRAPPER("advapi32.dll", GetFileSecurityA, CountGetFileSecurityA),
    KITBENCH_WRAPPER("advapi32.dll", SetFileSecurityA, CountSetFileSecurityA),
    KITBENCH_WRAPPER("msvcrt.dll", malloc, CountMalloc),
    KITBENCH_WRAPPER("msvcrt.dll", realloc, CountRealloc),
    KITBENCH_WRAPPER("user32.dll", MessageBoxA, TimeMessageBoxA),
};
#undef KITBENCH_WRAPPER
static_assert(sizeof kWrappers / sizeof kWrappers[0] == kCountedFunctions,
              "one wrapper for each counted function");

}  // namespace

std::vector<std::string> CountCalls(HMODULE module, Patching patching) {
    std::vector<std::string> counted;
    for (const Wrapper& wrapper : kWrappers) {
        if (patching == Patching::BoxOnly && wrapper.id != kMessageBoxA) continue;
        if (void* real =
                KitTest::PatchImport(module, wrapper.dll, wrapper.function, wrapper.replacement)) {
            gReal[wrapper.id] = real;
            counted.emplace_back(wrapper.function);
        }
    }
    std::vector<std::string> uncounted;
    if (patching == Patching::BoxOnly) return uncounted;
    for (const std::string& name : KitTest::ImportsFrom(module, "advapi32.dll")) {
        if (std::find(counted.begin(), counted.end(), name) == counted.end()) {
            uncounted.push_back(name);
        }
    }
    return uncounted;
}

void ResetCounters() {
    std::fill(std::begin(gCalls), std::end(gCalls), 0);
    std::fill(std::begin(gSeconds), std::end(gSeconds), 0.0);
    gPeakBeforeBox = 0;
    gBytesRead = gBytesWritten = gBytesCopied = gBytesAllocated = gBoxesClosed = gListings = 0;
}

double BoxSeconds() { return gSeconds[kMessageBoxA]; }

double PeakBeforeBox() { return gPeakBeforeBox; }

long long BoxesClosed() { return gBoxesClosed; }

void AddCallFigures(Figures& figures) {
    figures["bytes_read"] = static_cast<double>(gBytesRead);
    figures["bytes_written"] = static_cast<double>(gBytesWritten);
    figures["bytes_copied"] = static_cast<double>(gBytesCopied);
    figures["bytes_allocated"] = static_cast<double>(gBytesAllocated);
    figures["listings"] = static_cast<double>(gListings);
    for (const Wrapper& wrapper : kWrappers) {
        figures[std::string("calls.") + wrapper.function] = static_cast<double>(gCalls[wrapper.id]);
        figures[std::string("seconds.") + wrapper.function] = gSeconds[wrapper.id];
    }
}

}  // namespace KitBench
