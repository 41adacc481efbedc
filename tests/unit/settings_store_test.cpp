#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_ansi_codec.h"
#include "fake_file_system.h"
#include "settings/settings_store.h"

namespace resolaunch {
namespace {

using ::testing::ElementsAre;
using ::testing::Key;
using ::testing::Optional;
using testing::FakeFileSystem;
using testing::Latin1Codec;

TEST(FilePath, OneBackslashBetweenFolderAndName) {
    const auto beside = [](const wchar_t* program) { return PathInFolder(FolderOf(program), kSettingsFileName); };
    EXPECT_EQ(beside(L"C:\\Tools\\ResoLaunch.exe"), L"C:\\Tools\\path.txt");
    EXPECT_EQ(beside(L"C:\\ResoLaunch.exe"), L"C:\\path.txt");
    EXPECT_EQ(beside(L"\\\\server\\share\\ResoLaunch.exe"), L"\\\\server\\share\\path.txt");
    EXPECT_EQ(beside(L"D:\\ゲーム 置き場\\ResoLaunch.exe"), L"D:\\ゲーム 置き場\\path.txt");
}

TEST(FilePath, FolderOfKeepsTheRootsBackslashOnly) {
    EXPECT_EQ(FolderOf(L"C:\\ResoLaunch.exe"), L"C:\\");
    EXPECT_EQ(FolderOf(L"C:\\Tools\\ResoLaunch.exe"), L"C:\\Tools");
    EXPECT_EQ(FolderOf(L"ResoLaunch.exe"), L"");
}

TEST(FilePath, FileStemDropsFolderAndLastExtensionOnly) {
    EXPECT_EQ(FileStemOf(L"C:\\Games\\Old Game\\game.exe"), L"game");
    EXPECT_EQ(FileStemOf(L"C:\\Games\\v1.2\\game.setup.exe"), L"game.setup");
    EXPECT_EQ(FileStemOf(L"C:\\Games.d\\game"), L"game");
    EXPECT_EQ(FileStemOf(L".hidden"), L".hidden");
}

struct SettingsStoreTest : ::testing::Test {
    const std::wstring path = L"C:\\Games\\path.txt";
    const std::string oldFile = "\"old.exe\",\"1\",\"2\",3\r\n";
    FakeFileSystem files;
    Latin1Codec codec;
    SettingsStore store{files, codec};
};

TEST_F(SettingsStoreTest, LoadsTheFileBesideTheProgram) {
    files.files[path] = oldFile;
    EXPECT_THAT(store.Load(), Optional(SavedSettings{L"old.exe", L"1", L"2", 3}));
}

TEST_F(SettingsStoreTest, MissingOrUnreadableFileLoadsNothing) {
    EXPECT_EQ(store.Load(), std::nullopt);
    files.files[path] = oldFile;
    files.unreadable.insert(path);
    EXPECT_EQ(store.Load(), std::nullopt);
}

TEST_F(SettingsStoreTest, AnUnknownProgramFolderLoadsAndSavesNothing) {
    files.programPath.clear();
    EXPECT_EQ(store.Load(), std::nullopt);
    EXPECT_FALSE(store.Save({L"a", L"b", L"c", 1}));
    EXPECT_TRUE(files.files.empty());
}

TEST_F(SettingsStoreTest, SaveCreatesTheFileAndLeavesNoTemporary) {
    EXPECT_TRUE(store.Save({L"new.exe", L"10", L"20", -1}));
    EXPECT_THAT(files.files, ElementsAre(Key(path)));
    EXPECT_EQ(files.files[path], "\"new.exe\",\"10\",\"20\",-1\r\n");
}

TEST_F(SettingsStoreTest, SavingTwiceGivesOneLine) {
    ASSERT_TRUE(store.Save({L"a.exe", L"1", L"1", 0}));
    ASSERT_TRUE(store.Save({L"b.exe", L"2", L"2", 1}));
    EXPECT_EQ(files.files[path], "\"b.exe\",\"2\",\"2\",1\r\n");
}

TEST_F(SettingsStoreTest, AFailedSaveLeavesTheOldFileExactlyAsItWas) {
    for (auto fault : {FakeFileSystem::Fault::CreateFails, FakeFileSystem::Fault::WriteFailsMidway,
                       FakeFileSystem::Fault::FlushFails, FakeFileSystem::Fault::MoveFails}) {
        SCOPED_TRACE(static_cast<int>(fault));
        files.files = {{path, oldFile}};
        files.fault = fault;
        EXPECT_FALSE(store.Save({L"new.exe", L"10", L"20", -1}));
        EXPECT_THAT(files.files, ElementsAre(Key(path))) << "the temporary file is removed";
        EXPECT_EQ(files.files[path], oldFile);
    }
}

TEST_F(SettingsStoreTest, ReadsOnlyTheStartOfAHugeFile) {
    files.files[path] = oldFile + std::string(SettingsStore::kReadLimit * 2, 'x');
    EXPECT_THAT(store.Load(), Optional(SavedSettings{L"old.exe", L"1", L"2", 3}));
}

}  // namespace
}  // namespace resolaunch
