#include "platform/win32_dll_search.h"

#include <windows.h>

namespace resolaunch {

void RestrictDllSearchToSystemFolder() noexcept {
    // Looked up rather than imported: Windows 7 has it only with an update.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault == nullptr || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        ::SetDllDirectoryW(L"");  // at least not the current folder
    }
}

}  // namespace resolaunch
