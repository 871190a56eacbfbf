#include "tests/support/KitSetupDll.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <stdexcept>

namespace KitTest {

namespace {

constexpr const char* kMessageBoxImport = "MessageBoxA";

// MessageBoxA arguments as KitSetup.dll passes them, recorded by a
// replacement patched into the DLL's import table.
struct RecordedCall {
    HWND owner;
    UINT style;
    std::string text;
    std::string caption;
};
std::mutex gRecordedMutex;
std::vector<RecordedCall> gRecorded;
using MessageBoxAFn = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);
MessageBoxAFn gRealMessageBoxA = nullptr;

int WINAPI RecordingMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    {
        std::lock_guard<std::mutex> lock(gRecordedMutex);
        gRecorded.push_back({owner, style, text ? text : "", caption ? caption : ""});
    }
    return gRealMessageBoxA(owner, text, caption, style);
}

// Points the module's import of user32!MessageBoxA at the recorder.
void PatchMessageBoxImport(HMODULE module) {
    auto* base = reinterpret_cast<unsigned char*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return;
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         desc->Name; ++desc) {
        if (_stricmp(reinterpret_cast<char*>(base + desc->Name), "user32.dll") != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), kMessageBoxImport) != 0) continue;
            DWORD oldProtect = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                           &oldProtect);
            gRealMessageBoxA = reinterpret_cast<MessageBoxAFn>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<DWORD_PTR>(&RecordingMessageBoxA);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, oldProtect, &oldProtect);
        }
    }
}

// Watches the calling thread's windows while IDEInstall runs: every dialog
// that appears is read and closed.
class BoxWatcher {
public:
    explicit BoxWatcher(DWORD threadId) : threadId_(threadId) {
        thread_ = CreateThread(nullptr, 0, &BoxWatcher::Run, this, 0, nullptr);
        if (!thread_) throw std::runtime_error("cannot start the box watcher");
    }
    ~BoxWatcher() {
        stop_ = true;
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    std::vector<SeenBox> Finish() {
        stop_ = true;
        WaitForSingleObject(thread_, INFINITE);
        return boxes_;
    }

private:
    static DWORD WINAPI Run(void* self) {
        static_cast<BoxWatcher*>(self)->Loop();
        return 0;
    }
    static BOOL CALLBACK Visit(HWND window, LPARAM self) {
        reinterpret_cast<BoxWatcher*>(self)->Inspect(window);
        return TRUE;
    }
    void Loop() {
        while (!stop_) {
            EnumThreadWindows(threadId_, &BoxWatcher::Visit, reinterpret_cast<LPARAM>(this));
            Sleep(2);
        }
    }
    void Inspect(HWND window) {
        char className[64] = {};
        GetClassNameA(window, className, sizeof className);
        if (std::strcmp(className, "#32770") != 0) return;
        for (HWND seen : closed_) {
            if (seen == window) return;
        }
        SeenBox box;
        char caption[512] = {};
        GetWindowTextA(window, caption, sizeof caption);
        box.caption = caption;
        char text[2048] = {};
        GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
        box.text = text;
        boxes_.push_back(box);
        closed_.push_back(window);
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    }

    DWORD threadId_;
    HANDLE thread_ = nullptr;
    std::atomic<bool> stop_{false};
    std::vector<SeenBox> boxes_;
    std::vector<HWND> closed_;
};

std::string ProgramDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

}  // namespace

std::string KitSetupDllPath() {
    return ProgramDirectory() + "KitSetup.dll";
}

int CallStdcall1(FARPROC function, const void* argument, int* stackDelta) {
    int result = 0;
    int delta = 0;
    // Pushes the argument and calls; a stdcall callee pops it again, so the
    // stack pointer after the call equals the one before the push.
    asm volatile(
        "movl %%esp, %%esi\n\t"
        "pushl %[argument]\n\t"
        "call *%[function]\n\t"
        "movl %%esp, %%ecx\n\t"
        "subl %%esi, %%ecx\n\t"
        "movl %%esi, %%esp\n\t"
        : "=a"(result), "=c"(delta)
        : [function] "r"(function), [argument] "r"(argument)
        : "esi", "edx", "memory", "cc");
    *stackDelta = -delta;
    return result;
}

KitSetupDll::KitSetupDll() {
    module_ = LoadLibraryA("KitSetup.dll");
    if (!module_) throw std::runtime_error("cannot load KitSetup.dll");
    export_ = GetProcAddress(module_, "IDEInstall");
    if (!export_) throw std::runtime_error("KitSetup.dll has no IDEInstall export");
    uninstallExport_ = GetProcAddress(module_, "IDEUninstall");
    if (!uninstallExport_) throw std::runtime_error("KitSetup.dll has no IDEUninstall export");
    PatchMessageBoxImport(module_);
}

KitSetupDll::~KitSetupDll() {
    if (module_) FreeLibrary(module_);
}

namespace {

struct ParamBlock {
    unsigned char reserved[40];
    const char* requestText;
};

ParamBlock BlockFor(const char* requestText) {
    ParamBlock block{};
    std::memset(block.reserved, 0xA5, sizeof block.reserved);
    block.requestText = requestText;
    return block;
}

}  // namespace

CallOutcome KitSetupDll::Call(const char* requestText) const {
    const ParamBlock block = BlockFor(requestText);
    return CallWithBlock(&block);
}

CallOutcome KitSetupDll::CallWithBlock(const void* block) const {
    return CallExport(export_, block);
}

CallOutcome KitSetupDll::CallUninstall(const char* requestText) const {
    const ParamBlock block = BlockFor(requestText);
    return CallUninstallWithBlock(&block);
}

CallOutcome KitSetupDll::CallUninstallWithBlock(const void* block) const {
    return CallExport(uninstallExport_, block);
}

CallOutcome KitSetupDll::CallExport(FARPROC function, const void* block) const {
    {
        std::lock_guard<std::mutex> lock(gRecordedMutex);
        gRecorded.clear();
    }
    CallOutcome outcome;
    BoxWatcher watcher(GetCurrentThreadId());
    outcome.result = CallStdcall1(function, block, &outcome.stackDelta);
    outcome.boxes = watcher.Finish();

    std::lock_guard<std::mutex> lock(gRecordedMutex);
    outcome.messageBoxCalls = static_cast<int>(gRecorded.size());
    for (std::size_t i = 0; i < outcome.boxes.size() && i < gRecorded.size(); ++i) {
        outcome.boxes[i].owner = gRecorded[i].owner;
        outcome.boxes[i].style = gRecorded[i].style;
        outcome.boxes[i].styleRecorded = true;
    }
    return outcome;
}

}  // namespace KitTest
