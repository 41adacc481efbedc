#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/win32_dll_search.h"

namespace resolaunch {
namespace {

constexpr const wchar_t* kProbe = L"resolaunch_dll_probe.dll";

std::wstring FolderOfThisProgram() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    return path.substr(0, path.find_last_of(L'\\'));
}

TEST(RestrictDllSearchToSystemFolder, ADllBesideTheProgramIsNoLongerLoadedByName) {
    ASSERT_NE(::GetFileAttributesW((FolderOfThisProgram() + L"\\" + kProbe).c_str()), INVALID_FILE_ATTRIBUTES)
        << "the probe DLL is not beside the tests";
    ASSERT_EQ(::GetModuleHandleW(kProbe), nullptr);

    RestrictDllSearchToSystemFolder();
    const HMODULE probe = ::LoadLibraryW(kProbe);
    EXPECT_EQ(probe, nullptr) << "loaded from the program's folder";
    if (probe != nullptr) {
        ::FreeLibrary(probe);
    }
    const HMODULE system = ::LoadLibraryW(L"version.dll");
    EXPECT_NE(system, nullptr) << "the system folder no longer serves";
    if (system != nullptr) {
        ::FreeLibrary(system);
    }
}

}  // namespace
}  // namespace resolaunch
