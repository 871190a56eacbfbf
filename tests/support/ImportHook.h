// Points one import of a loaded module (its import address table slot) at a
// replacement for the hook's lifetime, so that a test can see or change what
// the module asks of a system DLL. The original is put back on destruction.
#pragma once

#include <windows.h>

namespace KitTest {

class ImportHook {
public:
    ImportHook(HMODULE module, const char* dll, const char* function, const void* replacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    bool Applied() const { return slot_ != nullptr; }
    // What the slot held before: the function to call on to.
    template <typename Function>
    Function Original() const {
        return reinterpret_cast<Function>(saved_);
    }

private:
    void Write(DWORD_PTR value);

    DWORD_PTR* slot_ = nullptr;
    DWORD_PTR saved_ = 0;
};

}  // namespace KitTest
