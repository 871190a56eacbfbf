#include "tests/support/KitSetupDll.h"

#include <cstring>
#include <mutex>
#include <stdexcept>

#include "tests/support/BoxWatcher.h"
#include "tests/support/ImportPatch.h"
#include "tests/support/ParamBlock.h"

namespace KitTest {

namespace {

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
std::atomic<bool> gShowRecordedBoxes{true};

int WINAPI RecordingMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    {
        std::lock_guard<std::mutex> lock(gRecordedMutex);
        gRecorded.push_back({owner, style, text ? text : "", caption ? caption : ""});
    }
    if (!gShowRecordedBoxes) return IDOK;
    return gRealMessageBoxA(owner, text, caption, style);
}

// Points the module's import of user32!MessageBoxA at the recorder.
void PatchMessageBoxImport(HMODULE module) {
    void* real = PatchImport(module, "user32.dll", "MessageBoxA",
                             reinterpret_cast<const void*>(&RecordingMessageBoxA));
    // A module loaded twice is patched already: the recorder must not call itself.
    if (real && real != reinterpret_cast<void*>(&RecordingMessageBoxA)) {
        gRealMessageBoxA = reinterpret_cast<MessageBoxAFn>(real);
    }
}

std::string ProgramDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

}  // namespace

BoxesAnsweredUnshown::BoxesAnsweredUnshown() : before_(gShowRecordedBoxes.exchange(false)) {}

BoxesAnsweredUnshown::~BoxesAnsweredUnshown() {
    gShowRecordedBoxes = before_;
}

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
    module_.reset(LoadLibraryA("KitSetup.dll"));
    if (!module_) throw std::runtime_error("cannot load KitSetup.dll");
    export_ = GetProcAddress(module_.get(), "IDEInstall");
    if (!export_) throw std::runtime_error("KitSetup.dll has no IDEInstall export");
    uninstallExport_ = GetProcAddress(module_.get(), "IDEUninstall");
    if (!uninstallExport_) throw std::runtime_error("KitSetup.dll has no IDEUninstall export");
    PatchMessageBoxImport(module_.get());
}

namespace {

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
    ThreadBoxWatcher watcher(GetCurrentThreadId());
    outcome.result = CallStdcall1(function, block, &outcome.stackDelta);
    for (ReadBox& read : watcher.Finish()) {
        SeenBox box;
        box.caption = std::move(read.caption);
        box.text = std::move(read.text);
        outcome.boxes.push_back(std::move(box));
    }

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
