// Drives the built KitSetup.dll the way a setup program does: loads it,
// builds a parameter block, calls IDEInstall, and meanwhile finds, reads and
// closes every information box the call shows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/UniqueHandle.h"

namespace KitTest {

struct SeenBox {
    std::string caption;
    std::string text;  // byte for byte, as the dialog holds it
    // What the library passed to MessageBoxA (recorded through its import).
    HWND owner = nullptr;
    UINT style = 0;
    bool styleRecorded = false;
};

struct CallOutcome {
    int result = -1;
    int stackDelta = 0;  // bytes the call left on (+) or took off (-) the stack
    std::vector<SeenBox> boxes;
    int messageBoxCalls = 0;  // calls of MessageBoxA, shown or not
};

class KitSetupDll {
public:
    KitSetupDll();  // loads KitSetup.dll by name from the test program's folder
    HMODULE Module() const { return module_.get(); }
    FARPROC Export() const { return export_; }

    // Calls IDEInstall with a block whose request pointer is the given text
    // (nullptr for a null pointer).
    CallOutcome Call(const char* requestText) const;
    CallOutcome Call(const std::string& requestText) const { return Call(requestText.c_str()); }
    // Calls IDEInstall with the given block address as it stands.
    CallOutcome CallWithBlock(const void* block) const;

    // The same for IDEUninstall, exported beside it.
    FARPROC UninstallExport() const { return uninstallExport_; }
    CallOutcome CallUninstall(const char* requestText) const;
    CallOutcome CallUninstall(const std::string& requestText) const {
        return CallUninstall(requestText.c_str());
    }
    CallOutcome CallUninstallWithBlock(const void* block) const;

private:
    KitPlatform::UniqueModule module_;
    FARPROC export_ = nullptr;
    FARPROC uninstallExport_ = nullptr;

    CallOutcome CallExport(FARPROC function, const void* block) const;
};

// While one lives, the recorder in the DLL's MessageBoxA import records each
// call and answers IDOK without showing anything. For calls made where the
// box watcher cannot reach a box (another window station): a box shown by
// mistake then fails the test instead of waiting forever.
class BoxesAnsweredUnshown {
public:
    BoxesAnsweredUnshown();
    ~BoxesAnsweredUnshown();
    BoxesAnsweredUnshown(const BoxesAnsweredUnshown&) = delete;
    BoxesAnsweredUnshown& operator=(const BoxesAnsweredUnshown&) = delete;

private:
    bool before_;
};

// The path of KitSetup.dll beside the test program.
std::string KitSetupDllPath();

// Calls a stdcall function of one 4-byte argument and measures what the call
// did to the stack pointer.
int CallStdcall1(FARPROC function, const void* argument, int* stackDelta);

}  // namespace KitTest
