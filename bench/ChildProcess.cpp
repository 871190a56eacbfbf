#include "bench/ChildProcess.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "bench/CallCounting.h"
#include "platform/UniqueHandle.h"
#include "tests/support/KitSetupDll.h"
#include "tests/support/ParamBlock.h"

namespace KitBench {

using KitPlatform::UniqueFileHandle;
using KitPlatform::UniqueHkey;
using KitPlatform::UniqueKernelObject;

int MeasureRequest(const std::string& request, const std::string& resultPath, Patching patching) {
    KitTest::KitSetupDll dll;
    const std::vector<std::string> uncounted = CountCalls(dll.Module(), patching);
    ResetCounters();

    // Called as a setup program calls it; the box is closed from within the
    // wrapper of MessageBoxA, so no watcher runs beside the library.
    using Export = int(__stdcall*)(const void*);
    const auto ideInstall = reinterpret_cast<Export>(
        reinterpret_cast<void*>(::GetProcAddress(dll.Module(), "IDEInstall")));
    if (!ideInstall) throw std::runtime_error("KitSetup.dll exports no IDEInstall");
    KitTest::ParamBlock block{};
    block.requestText = request.c_str();
    const PROCESS_MEMORY_COUNTERS before = MemoryNow();
    const double start = Now();
    const int result = ideInstall(&block);
    const double seconds = Now() - start;
    const PROCESS_MEMORY_COUNTERS after = MemoryNow();

    Figures figures{
        {"seconds", seconds - BoxSeconds()},
        {"box_seconds", BoxSeconds()},
        {"boxes", static_cast<double>(BoxesClosed())},
        {"result", static_cast<double>(result)},
        {"working_set_before", static_cast<double>(before.WorkingSetSize)},
        {"peak_working_set", static_cast<double>(after.PeakWorkingSetSize)},
        {"peak_before_box", PeakBeforeBox() != 0 ? PeakBeforeBox()
                                                  : static_cast<double>(after.PeakWorkingSetSize)},
        {"uncounted_registry_functions", static_cast<double>(uncounted.size())},
    };
    AddCallFigures(figures);
    for (const std::string& name : uncounted) {
        std::fprintf(stderr, "not counted: %s\n", name.c_str());
    }
    WriteFigures(resultPath, figures);
    return 0;
}

namespace {

// Reads the whole source once and writes it to destination, in chunks the
// size of the library's line buffer. The destination is made as a new file,
// the cheapest way: a truncated one is written out when it is closed (ext4
// under Wine), which would make the floor higher than it is.
void PassThrough(const std::string& source, const std::string& destination) {
    UniqueFileHandle in(::CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ::DeleteFileA(destination.c_str());
    UniqueFileHandle out(::CreateFileA(destination.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                       nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in || !out) throw std::runtime_error("cannot open " + source + " for the floor");
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD read = 0;
        DWORD written = 0;
        if (!::ReadFile(in.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                        nullptr)) {
            throw std::runtime_error("cannot read " + source);
        }
        if (read == 0) return;
        if (!::WriteFile(out.get(), buffer.data(), read, &written, nullptr) || written != read) {
            throw std::runtime_error("cannot write " + destination);
        }
    }
}

// The names of the "Known Packages" values, listed once.
DWORD ListKnownPackages(const Ide& ide) {
    UniqueHkey key;
    const std::string path = ide.KeyPath() + "\\Known Packages";
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot open " + path);
    }
    DWORD count = 0;
    DWORD longest = 0;
    ::RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                       &longest, nullptr, nullptr, nullptr);
    std::vector<char> name(longest + 1);
    DWORD listed = 0;
    for (DWORD i = 0; i < count; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        if (::RegEnumValueA(key.get(), i, name.data(), &length, nullptr, nullptr, nullptr,
                            nullptr) == ERROR_SUCCESS) {
            ++listed;
        }
    }
    return listed;
}

// Puts a file's bytes back into it: read once, written once, in place.
void RewriteInPlace(const std::string& path) {
    std::string bytes;
    {
        UniqueFileHandle in(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!in) throw std::runtime_error("cannot open " + path + " for the floor");
        std::vector<char> buffer(64 * 1024);
        for (;;) {
            DWORD read = 0;
            if (!::ReadFile(in.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                            nullptr)) {
                throw std::runtime_error("cannot read " + path);
            }
            if (read == 0) break;
            bytes.append(buffer.data(), read);
        }
    }
    UniqueFileHandle out(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!out || !::WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                             nullptr) ||
        written != bytes.size()) {
        throw std::runtime_error("cannot write " + path);
    }
}

void Rename(const std::string& from, const std::string& to) {
    if (!::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        throw std::runtime_error("cannot rename " + from + " for the floor");
    }
}

}  // namespace

// The least work the request needs: each rewritten file read once while its
// work file is written once, the original kept as the backup by a rename and
// the work file renamed into its place; the profile file read and written
// once; the "Known Packages" values listed once. The file contents stay as
// they were.
int MeasureFloor(const std::string& request, const std::string& resultPath) {
    const Ide& ide = IdeFor(request);
    double passes = 0;
    double renames = 0;
    double options = 0;
    // Runs one step and adds its time to the given sum.
    const auto timed = [](double& sum, const auto& step) {
        const double start = Now();
        step();
        sum += Now() - start;
    };
    const double start = Now();
    for (const std::string& file : ide.RewrittenFiles()) {
        const std::string work = file + ".floor-new";
        timed(passes, [&] { PassThrough(file, work); });
        timed(renames, [&] {
            Rename(file, file + ".floor-bak");
            Rename(work, file);
        });
    }
    if (!ide.OptionsFile().empty()) timed(options, [&] { RewriteInPlace(ide.OptionsFile()); });
    DWORD listed = 0;
    double listing = 0;
    timed(listing, [&] { listed = ListKnownPackages(ide); });
    const double seconds = Now() - start;
    WriteFigures(resultPath, {{"seconds", seconds},
                              {"seconds.passes", passes},
                              {"seconds.renames", renames},
                              {"seconds.options", options},
                              {"seconds.listing", listing},
                              {"listed", static_cast<double>(listed)},
                              {"peak_working_set",
                               static_cast<double>(MemoryNow().PeakWorkingSetSize)}});
    return 0;
}

namespace {

std::string ProgramPath() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string ResultPath() {
    char dir[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + "kitsetup-bench-" + std::to_string(::GetCurrentProcessId()) + ".txt";
}

}  // namespace

Figures RunChild(const std::string& mode, const Ide& ide) {
    const std::string result = ResultPath();
    ::DeleteFileA(result.c_str());
    std::string commandLine =
        "\"" + ProgramPath() + "\" " + mode + " " + ide.request + " \"" + result + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        throw std::runtime_error("cannot start " + commandLine);
    }
    UniqueKernelObject processHandle(process.hProcess);
    UniqueKernelObject threadHandle(process.hThread);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    const Figures figures = ReadFigures(result);
    ::DeleteFileA(result.c_str());
    if (exitCode != 0 || figures.empty()) {
        throw std::runtime_error(mode + " " + ide.request + " failed (exit code " +
                                 std::to_string(exitCode) + ")");
    }
    return figures;
}

}  // namespace KitBench
