#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <string>

#include "platform/win32_shortcuts.h"

namespace resolaunch {
namespace {

std::wstring ThisProgram() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    return path;
}

std::wstring TemporaryFolder() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(::GetTempPathW(MAX_PATH, path.data()));
    return path;
}

// Wine keeps no "run as administrator" mark in a link it saves: that case is the fakes'.
TEST(Win32Shortcuts, ALinkReadsBackItsTargetArgumentsAndFolder) {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    Win32Shortcuts shortcuts;
    const std::wstring folder = TemporaryFolder();
    const std::wstring path = folder + L"resolaunch-read-test " + std::to_wstring(::GetCurrentProcessId()) + L".lnk";
    ASSERT_EQ(shortcuts.Save(path, {ThisProgram(), L"-w \"a b\"", folder, L"", L""}), std::nullopt);

    EXPECT_EQ(shortcuts.Read(path), (ShortcutRead{ThisProgram(), L"-w \"a b\"", folder, false}));
    EXPECT_EQ(shortcuts.Read(folder + L"absent.lnk"), std::nullopt);
    ::DeleteFileW(path.c_str());
    ::CoUninitialize();
}

}  // namespace
}  // namespace resolaunch
