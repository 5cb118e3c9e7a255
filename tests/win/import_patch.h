// Points an import of a module at a function of the test, in the manner of
// Wine's user32 tests: for a call that the test must answer itself or record
// at the moment it is made.
#pragma once

#include <windows.h>

// Points the import of 'module' from 'library' that holds 'from' at 'to';
// false when the module imports no such function.
static inline bool patch_import(HMODULE module, const char* library, void* from, void* to)
{
    BYTE* base = (BYTE*)module;
    const IMAGE_NT_HEADERS* nt = (const IMAGE_NT_HEADERS*)(base + ((const IMAGE_DOS_HEADER*)base)->e_lfanew);
    DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* d = (const IMAGE_IMPORT_DESCRIPTOR*)(base + imports); d->Name; ++d) {
        if (lstrcmpiA((const char*)base + d->Name, library)) continue;
        for (auto* t = (IMAGE_THUNK_DATA*)(base + d->FirstThunk); t->u1.Function; ++t) {
            if ((void*)t->u1.Function != from) continue;
            DWORD protection;
            VirtualProtect(&t->u1.Function, sizeof t->u1.Function, PAGE_READWRITE, &protection);
            t->u1.Function = (ULONG_PTR)to;
            VirtualProtect(&t->u1.Function, sizeof t->u1.Function, protection, &protection);
            return true;
        }
    }
    return false;
}
