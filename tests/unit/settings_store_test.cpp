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
