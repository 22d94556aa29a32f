// The import table of this executable, patched slot by slot.
#include "kit/import_patch.h"

namespace importpatch {

void* Replace(const char* module, const char* function, void* replacement)
{
    const HMODULE exporter = GetModuleHandleA(module);
    const FARPROC original = exporter ? GetProcAddress(exporter, function) : nullptr;
    if (!original) return nullptr;
    BYTE* const base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* const dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* const headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    bool replaced = false;
    for (auto* imports = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         imports->Name != 0; ++imports) {
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imports->FirstThunk); slot->u1.Function != 0;
             ++slot) {
            if (slot->u1.Function != reinterpret_cast<ULONG_PTR>(original)) continue;
            DWORD protection = 0;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
            replaced = true;
        }
    }
    return replaced ? reinterpret_cast<void*>(original) : nullptr;
}

}  // namespace importpatch
