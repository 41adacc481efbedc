#include <gtest/gtest.h>

#include "platform/message_inserts.h"

namespace resolaunch {
namespace {

TEST(FillMessageInserts, TheFirstInsertNamesTheFileAndNoOtherStaysUnfilled) {
    const std::wstring game = L"C:\\Games\\Old Game\\game.exe";
    EXPECT_EQ(FillMessageInserts(L"%1 の EXE フォーマットが不正です。\r\n", game),
              game + L" の EXE フォーマットが不正です。\r\n");
    EXPECT_EQ(FillMessageInserts(L"%1 is not a valid Win32 application.", game),
              game + L" is not a valid Win32 application.");
    EXPECT_EQ(FillMessageInserts(L"%1!s! and %1 again; %2, %12!d!, %3!s! gone.", L"x"), L"x and x again; , ,  gone.");
    EXPECT_EQ(FillMessageInserts(L"100%% done%n%1", L"x"), L"100%% done%nx");
    EXPECT_EQ(FillMessageInserts(L"ends in %", L"x"), L"ends in %");
    EXPECT_EQ(FillMessageInserts(L"open format %1!s", L"x"), L"open format x");
}

}  // namespace
}  // namespace resolaunch
