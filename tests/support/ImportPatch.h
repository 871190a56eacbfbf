// Redirecting a loaded module's calls of system functions through its import
// table: the tests record and count what KitSetup.dll asks of the system, and
// the benchmark times it, without changing a byte of the DLL on disk.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace KitTest {

// Every import of the module from dll (e.g. "advapi32.dll"), by name.
std::vector<std::string> ImportsFrom(HMODULE module, const char* dll);

// Points the module's import of dll!function at replacement and returns what
// it pointed at before, or null when the module does not import that function
// by name. The change lasts as long as the module stays loaded.
void* PatchImport(HMODULE module, const char* dll, const char* function, const void* replacement);

// The same for one scope: the import points back at its original afterwards.
class ImportPatch {
public:
    ImportPatch(HMODULE module, const char* dll, const char* function, const void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool Applied() const { return original_ != nullptr; }
    // The function the import pointed at before.
    void* Original() const { return original_; }

private:
    HMODULE module_;
    const char* dll_;
    const char* function_;
    void* original_;
};

}  // namespace KitTest
