#pragma once

#include <windows.h>

namespace resolaunch {

// A function of a system DLL that only some commands need (the file dialog,
// the consent prompt), loaded from System32 on first use: linking those DLLs
// would load them and theirs at every start. Null when it cannot be had.
template <typename Function>
Function SystemFunction(const wchar_t* dll, const char* name) {
    const HMODULE module = ::LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace resolaunch
