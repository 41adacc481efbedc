#include <gtest/gtest.h>

#include "platform/file_path.h"

namespace resolaunch {
namespace {

TEST(FilePath, OneBackslashBetweenFolderAndName) {
    const auto beside = [](const wchar_t* program) { return PathBeside(program, L"path.txt"); };
    EXPECT_EQ(beside(L"C:\\Tools\\ResoLaunch.exe"), L"C:\\Tools\\path.txt");
    EXPECT_EQ(beside(L"C:\\ResoLaunch.exe"), L"C:\\path.txt");
    EXPECT_EQ(beside(L"\\\\server\\share\\ResoLaunch.exe"), L"\\\\server\\share\\path.txt");
    EXPECT_EQ(beside(L"D:\\ゲーム 置き場\\ResoLaunch.exe"), L"D:\\ゲーム 置き場\\path.txt");
}

TEST(FilePath, FolderOfKeepsTheRootsBackslashOnly) {
    EXPECT_EQ(FolderOf(L"C:\\ResoLaunch.exe"), L"C:\\");
    EXPECT_EQ(FolderOf(L"C:\\Tools\\ResoLaunch.exe"), L"C:\\Tools");
    EXPECT_EQ(FolderOf(L"ResoLaunch.exe"), L"");
    EXPECT_EQ(PathBeside(L"ResoLaunch.exe", L"path.txt"), L"");
}

TEST(FilePath, FileStemDropsFolderAndLastExtensionOnly) {
    EXPECT_EQ(FileStemOf(L"C:\\Games\\Old Game\\game.exe"), L"game");
    EXPECT_EQ(FileStemOf(L"C:\\Games\\v1.2\\game.setup.exe"), L"game.setup");
    EXPECT_EQ(FileStemOf(L"C:\\Games.d\\game"), L"game");
    EXPECT_EQ(FileStemOf(L".hidden"), L".hidden");
}

}  // namespace
}  // namespace resolaunch
