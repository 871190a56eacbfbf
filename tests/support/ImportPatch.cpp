#include "tests/support/ImportPatch.h"

#include <cstring>

namespace KitTest {

namespace {

// The loader writes each imported function's address into a slot of the
// import address table; the hint/name table beside it says which name each
// slot stands for.
template <typename Visit>
void ForEachNamedImport(HMODULE module, const char* dll, Visit visit) {
    auto* base = reinterpret_cast<unsigned char*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return;
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         desc->Name; ++desc) {
        if (_stricmp(reinterpret_cast<char*>(base + desc->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            visit(reinterpret_cast<const char*>(byName->Name), &slots->u1.Function);
        }
    }
}

// The slot is in a read-only page once the loader is done with it.
void WriteSlot(DWORD_PTR* slot, DWORD_PTR value) {
    DWORD oldProtect = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &oldProtect);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, oldProtect, &oldProtect);
}

}  // namespace

std::vector<std::string> ImportsFrom(HMODULE module, const char* dll) {
    std::vector<std::string> found;
    ForEachNamedImport(module, dll, [&found](const char* name, DWORD_PTR*) {
        found.emplace_back(name);
    });
    return found;
}

void* PatchImport(HMODULE module, const char* dll, const char* function, const void* replacement) {
    void* previous = nullptr;
    ForEachNamedImport(module, dll, [&](const char* name, DWORD_PTR* slot) {
        if (std::strcmp(name, function) != 0) return;
        previous = reinterpret_cast<void*>(*slot);
        WriteSlot(slot, reinterpret_cast<DWORD_PTR>(replacement));
    });
    return previous;
}

ImportPatch::ImportPatch(HMODULE module, const char* dll, const char* function,
                         const void* replacement)
    : module_(module),
      dll_(dll),
      function_(function),
      original_(PatchImport(module, dll, function, replacement)) {}

ImportPatch::~ImportPatch() {
    if (original_) PatchImport(module_, dll_, function_, original_);
}

}  // namespace KitTest
