// kitsetup: the setup program's side of KitSetup.dll's contract, as a console
// program. It loads the DLL, finds IDEInstall the way a setup program imports
// it (by name, which must also be ordinal 1), and calls it once per request
// with the caller's parameter block: 40 bytes the DLL never touches, then the
// address of the ANSI request text.
//
//   kitsetup [--dll PATH] [--acknowledge] [--uninstall] REQUEST...
//
// With --uninstall it calls IDEUninstall instead (by name, which must also be
// ordinal 2), as a setup program's uninstaller does before it deletes the
// suite's files and key.
//
// The information box the DLL shows is real and waits for the user. With
// --acknowledge a watcher thread reads each box of the calling thread, prints
// its caption and text, and presses OK, so the program runs unattended.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "platform/UniqueHandle.h"
#include "platform/WindowStation.h"

namespace {

// Distinct exit statuses, so that a script can tell what went wrong.
enum ExitStatus : int {
    kAllRequestsReturnedZero = 0,
    kNonZeroResult = 1,      // IDEInstall returned something other than 0
    kUsageError = 2,
    kDllNotLoaded = 3,
    kNoIdeInstallExport = 4,
    kOrdinalOneDiffers = 5,  // ordinal 1 is missing or is not IDEInstall
    kWatcherNotStarted = 6,  // --acknowledge could not start its watcher
    kInternalError = 70,
    // --uninstall
    kNoIdeUninstallExport = 7,
    kOrdinalTwoDiffers = 8,  // ordinal 2 is missing or is not IDEUninstall
};

constexpr const char* kUsageLine =
    "usage: kitsetup [--dll PATH] [--acknowledge] [--uninstall] REQUEST...\n";
constexpr const char* kUsage =
    "usage: kitsetup [--dll PATH] [--acknowledge] [--uninstall] REQUEST...\n"
    "\n"
    "Calls IDEInstall of KitSetup.dll once for each REQUEST (D5, D6, D7, C5, C6;\n"
    "three characters, e.g. D7T, select the trial edition), as a setup program does.\n"
    "\n"
    "  --dll PATH      the DLL to load (default: KitSetup.dll beside kitsetup.exe)\n"
    "  --acknowledge   close each information box at once and print its caption\n"
    "                  and text instead (a carriage return shows as \\r)\n"
    "  --uninstall     call IDEUninstall (ordinal 2) instead, which takes the suite\n"
    "                  out of each IDE again\n"
    "  --              end of options; every later argument is a request\n"
    "\n"
    "Exit status: 0 every call returned 0; 1 a call returned something else;\n"
    "2 usage error; 3 the DLL cannot be loaded; 4 it has no IDEInstall export;\n"
    "5 its ordinal 1 is not IDEInstall; 6 the box watcher could not start;\n"
    "7 (--uninstall) it has no IDEUninstall export; 8 its ordinal 2 is not IDEUninstall;\n"
    "70 internal error; the exception code (e.g. 0xC0000005) when a call crashed.\n";

// The block a setup program hands to IDEInstall.
struct SetupParamBlock {
    unsigned char Reserved[40];
    const char* RequestText;
};
static_assert(sizeof(void*) != 4 || sizeof(SetupParamBlock) == 44,
              "the request text's address follows 40 unused bytes");

using IdeInstallFunction = int(WINAPI*)(void* paramBlock);

using KitPlatform::UniqueKernelObject;
using KitPlatform::UniqueModule;

struct Options {
    std::string dllPath;  // empty: KitSetup.dll beside this program
    bool acknowledge = false;
    bool help = false;
    bool uninstall = false;  // call IDEUninstall instead of IDEInstall
    std::vector<std::string> requests;
};

struct ShownBox {
    std::string caption;
    std::string text;
};

// Control characters are shown as escapes (a lone CR would otherwise send
// the cursor back over the first line); a backslash is doubled so that the
// escapes stay unambiguous.
std::string Visible(const std::string& text) {
    std::string shown;
    for (unsigned char c : text) {
        switch (c) {
        case '\\': shown += "\\\\"; break;
        case '\r': shown += "\\r"; break;
        case '\n': shown += "\\n"; break;
        case '\t': shown += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\x%02X", c);
                shown += escape;
            } else {
                shown += static_cast<char>(c);
            }
        }
    }
    return shown;
}

std::string SystemMessage(DWORD error) {
    char* buffer = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string message = length ? std::string(buffer, length) : std::string();
    if (buffer) ::LocalFree(buffer);
    while (!message.empty() && static_cast<unsigned char>(message.back()) <= ' ') {
        message.pop_back();
    }
    char code[32];
    std::snprintf(code, sizeof code, "error %lu", static_cast<unsigned long>(error));
    return message.empty() ? std::string(code) : message + " (" + code + ")";
}

bool ParseOptions(int argc, char** argv, Options& options, std::string& problem) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.requests.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--acknowledge") {
            options.acknowledge = true;
        } else if (arg == "--uninstall") {
            options.uninstall = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--dll") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                problem = "--dll needs a path";
                return false;
            }
            options.dllPath = argv[++i];
        } else if (arg.compare(0, 6, "--dll=") == 0) {
            options.dllPath = arg.substr(6);
            if (options.dllPath.empty()) {
                problem = "--dll needs a path";
                return false;
            }
        } else {
            problem = "unknown option " + arg;
            return false;
        }
    }
    if (!options.help && options.requests.empty()) {
        problem = "no request given";
        return false;
    }
    return true;
}

std::string DefaultDllPath() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, length);
    return dir.substr(0, dir.find_last_of("\\/") + 1) + "KitSetup.dll";
}

std::string FullPath(const std::string& path) {
    char full[MAX_PATH] = {};
    const DWORD length = ::GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return (length > 0 && length < MAX_PATH) ? std::string(full, length) : path;
}

// Reads and closes every dialog box that the watched thread owns while a
// call runs. The boxes are handed over only after the thread has ended.
class BoxAcknowledger {
public:
    explicit BoxAcknowledger(DWORD watchedThread) : watchedThread_(watchedThread) {}
    BoxAcknowledger(const BoxAcknowledger&) = delete;
    BoxAcknowledger& operator=(const BoxAcknowledger&) = delete;
    ~BoxAcknowledger() { Stop(); }

    bool Start() {
        stopEvent_.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        if (!stopEvent_) return false;
        thread_.reset(::CreateThread(nullptr, 0, &BoxAcknowledger::Run, this, 0, nullptr));
        return thread_.valid();
    }

    // Ends the watcher; the boxes it saw, in the order they appeared.
    std::vector<ShownBox> Finish() {
        Stop();
        return std::move(boxes_);
    }

    bool Failed() const { return failed_; }

private:
    void Stop() {
        if (!thread_) return;
        ::SetEvent(stopEvent_.get());
        ::WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    }

    static DWORD WINAPI Run(void* self) {
        auto* watcher = static_cast<BoxAcknowledger*>(self);
        while (!watcher->failed_ &&
               ::WaitForSingleObject(watcher->stopEvent_.get(), 2) == WAIT_TIMEOUT) {
            ::EnumThreadWindows(watcher->watchedThread_, &BoxAcknowledger::Visit,
                                reinterpret_cast<LPARAM>(watcher));
        }
        return 0;
    }

    // No exception may cross the system's enumeration.
    static BOOL CALLBACK Visit(HWND window, LPARAM self) {
        auto* watcher = reinterpret_cast<BoxAcknowledger*>(self);
        try {
            watcher->Acknowledge(window);
            return TRUE;
        } catch (...) {
            watcher->failed_ = true;
            return FALSE;
        }
    }

    void Acknowledge(HWND window) {
        char className[16] = {};
        ::GetClassNameA(window, className, sizeof className);
        if (std::strcmp(className, "#32770") != 0) return;
        for (HWND done : acknowledged_) {
            if (done == window) return;  // closing already, not gone yet
        }
        ShownBox box;
        char caption[512] = {};
        ::GetWindowTextA(window, caption, sizeof caption);
        box.caption = caption;
        char text[4096] = {};
        ::GetDlgItemTextA(window, 0xFFFF, text, sizeof text);  // the box's static text
        box.text = text;
        boxes_.push_back(std::move(box));
        acknowledged_.push_back(window);
        ::PostMessageA(window, WM_COMMAND, IDOK, 0);
    }

    DWORD watchedThread_;
    UniqueKernelObject stopEvent_;
    UniqueKernelObject thread_;
    std::vector<ShownBox> boxes_;
    std::vector<HWND> acknowledged_;
    std::atomic<bool> failed_{false};
};

struct LoadedIdeInstall {
    UniqueModule module;
    IdeInstallFunction function = nullptr;
    const char* exportName = "IDEInstall";  // IDEUninstall with --uninstall
};

// An export a setup program imports by name, which must also be its ordinal,
// and the exit statuses that say how it is missing.
struct ExpectedExport {
    const char* name;
    unsigned ordinal;
    int noExport;
    int ordinalDiffers;
};

constexpr ExpectedExport kIdeInstallExport = {"IDEInstall", 1, kNoIdeInstallExport,
                                              kOrdinalOneDiffers};
// IDEUninstall takes the same block as IDEInstall and is checked the same way.
constexpr ExpectedExport kIdeUninstallExport = {"IDEUninstall", 2, kNoIdeUninstallExport,
                                                kOrdinalTwoDiffers};

int FindExport(const std::string& path, const ExpectedExport& expected,
               LoadedIdeInstall& loaded) {
    const FARPROC byName = ::GetProcAddress(loaded.module.get(), expected.name);
    if (!byName) {
        std::fprintf(stderr, "kitsetup: %s has no export named %s\n", path.c_str(),
                     expected.name);
        return expected.noExport;
    }
    const FARPROC byOrdinal =
        ::GetProcAddress(loaded.module.get(), MAKEINTRESOURCEA(expected.ordinal));
    if (byOrdinal != byName) {
        if (byOrdinal) {
            std::fprintf(stderr,
                         "kitsetup: %s exports %s, but its ordinal %u is another function\n",
                         path.c_str(), expected.name, expected.ordinal);
        } else {
            std::fprintf(stderr, "kitsetup: %s exports %s, but has no ordinal %u\n", path.c_str(),
                         expected.name, expected.ordinal);
        }
        return expected.ordinalDiffers;
    }
    // Through void(*)(void), the one function type every other converts from
    // without a warning.
    loaded.function =
        reinterpret_cast<IdeInstallFunction>(reinterpret_cast<void (*)(void)>(byName));
    loaded.exportName = expected.name;
    std::printf("kitsetup: %s, %s at ordinal %u\n", path.c_str(), expected.name,
                expected.ordinal);
    return kAllRequestsReturnedZero;
}

// Loads the DLL and checks its export as a setup program would find it.
int LoadIdeInstall(const std::string& requestedPath, bool uninstall, LoadedIdeInstall& loaded) {
    const std::string path = FullPath(requestedPath.empty() ? DefaultDllPath() : requestedPath);
    loaded.module.reset(::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!loaded.module) {
        const DWORD error = ::GetLastError();
        std::fprintf(stderr, "kitsetup: cannot load %s: %s\n", path.c_str(),
                     SystemMessage(error).c_str());
        return kDllNotLoaded;
    }
    return FindExport(path, uninstall ? kIdeUninstallExport : kIdeInstallExport, loaded);
}

void PrintBoxes(const std::vector<ShownBox>& boxes) {
    if (boxes.empty()) std::printf("  no box\n");
    for (const ShownBox& box : boxes) {
        std::printf("  box caption: %s\n", Visible(box.caption).c_str());
        std::printf("  box text:    %s\n", Visible(box.text).c_str());
    }
}

// A service, a scheduled task or a remote shell runs in a window station that
// nobody can see; KitSetup.dll leaves its box out there instead of waiting for
// a click that never comes. Said in one line, so that a log tells why.
bool InHiddenWindowStation() {
    return KitPlatform::ProcessWindowStationVisibility() ==
           KitPlatform::WindowStationVisibility::Hidden;
}

void PrintNoBoxInHiddenWindowStation() {
    std::printf("  no box: this window station is not visible (service, scheduled task or "
                "remote shell), so no information box is shown or waited for\n");
}

// One call of IDEInstall, exactly as a setup program makes it.
int CallIdeInstall(IdeInstallFunction ideInstall, const char* exportName,
                   const std::string& request, bool acknowledge) {
    SetupParamBlock block{};
    block.RequestText = request.c_str();

    BoxAcknowledger watcher(::GetCurrentThreadId());
    if (acknowledge && !watcher.Start()) {
        std::fprintf(stderr, "kitsetup: cannot start the box watcher: %s\n",
                     SystemMessage(::GetLastError()).c_str());
        return kWatcherNotStarted;
    }
    const int result = ideInstall(&block);
    const std::vector<ShownBox> boxes = watcher.Finish();

    std::printf("request \"%s\": %s returned %d\n", Visible(request).c_str(), exportName, result);
    if (boxes.empty() && InHiddenWindowStation()) {
        PrintNoBoxInHiddenWindowStation();
    } else if (acknowledge) {
        PrintBoxes(boxes);
    }
    if (watcher.Failed()) std::printf("  (the box watcher stopped early)\n");
    std::fflush(stdout);
    if (result != 0) {
        std::fprintf(stderr, "kitsetup: %s returned %d for \"%s\"; it should return 0\n",
                     exportName, result, Visible(request).c_str());
        return kNonZeroResult;
    }
    return kAllRequestsReturnedZero;
}

// A crash inside the DLL ends the program with the exception code as its
// exit status and a message, instead of a debugger or error dialog that
// would leave an unattended run waiting.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD* record = exception ? exception->ExceptionRecord : nullptr;
    std::fflush(stdout);
    std::fprintf(stderr, "kitsetup: the call crashed with exception 0x%08lX at %p\n",
                 record ? static_cast<unsigned long>(record->ExceptionCode) : 0ul,
                 record ? record->ExceptionAddress : nullptr);
    std::fflush(stderr);
    return EXCEPTION_EXECUTE_HANDLER;
}

int Run(int argc, char** argv) {
    Options options;
    std::string problem;
    if (!ParseOptions(argc, argv, options, problem)) {
        std::fprintf(stderr, "kitsetup: %s\n%s(kitsetup --help tells more)\n", problem.c_str(),
                     kUsageLine);
        return kUsageError;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return kAllRequestsReturnedZero;
    }

    // No system dialog for a DLL that cannot be found or that crashes: the
    // messages here say it, and nobody may be there to close a dialog.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOGPFAULTERRORBOX);
    ::SetUnhandledExceptionFilter(&ReportCrash);

    LoadedIdeInstall loaded;
    const int loadStatus = LoadIdeInstall(options.dllPath, options.uninstall, loaded);
    if (loadStatus != kAllRequestsReturnedZero) return loadStatus;
    std::fflush(stdout);

    int status = kAllRequestsReturnedZero;
    for (const std::string& request : options.requests) {
        const int callStatus =
            CallIdeInstall(loaded.function, loaded.exportName, request, options.acknowledge);
        if (callStatus == kWatcherNotStarted) return callStatus;
        if (callStatus != kAllRequestsReturnedZero) status = callStatus;
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "kitsetup: %s\n", failure.what());
    } catch (...) {
        std::fprintf(stderr, "kitsetup: unexpected failure\n");
    }
    return kInternalError;
}
