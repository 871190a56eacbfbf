#include "tests/support/ImportHook.h"

#include <cstring>

namespace KitTest {

ImportHook::ImportHook(HMODULE module, const char* dll, const char* function,
                       const void* replacement) {
    auto* base = reinterpret_cast<unsigned char*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         imports.VirtualAddress && desc->Name; ++desc) {
        if (_stricmp(reinterpret_cast<char*>(base + desc->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), function) != 0) continue;
            slot_ = &slots->u1.Function;
            saved_ = *slot_;
            Write(reinterpret_cast<DWORD_PTR>(replacement));
            return;
        }
    }
}

ImportHook::~ImportHook() {
    if (slot_) Write(saved_);
}

void ImportHook::Write(DWORD_PTR value) {
    DWORD oldProtect = 0;
    VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &oldProtect);
    *slot_ = value;
    VirtualProtect(slot_, sizeof *slot_, oldProtect, &oldProtect);
}

}  // namespace KitTest
