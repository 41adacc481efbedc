#include <gtest/gtest.h>

#include "fake_file_system.h"
#include "settings/options_file.h"

namespace resolaunch {
namespace {

using testing::FakeFileSystem;
using namespace std::string_view_literals;

TEST(OptionsFile, OnlyOneInTheOptionsSectionMeansYes) {
    for (const char* text : {
             "[Options]\r\nRestoreWhenProgramEnds=1\r\n",
             "[Options]\nRestoreWhenProgramEnds=1",                      // LF only, no last line end
             "\xEF\xBB\xBF[Options]\r\nRestoreWhenProgramEnds=1\r\n",    // UTF-8 byte-order mark
             "; mine\r\n\r\n [ options ] \r\n  restorewhenprogramends = 1 \t\r\n",
             "[Other]\r\nRestoreWhenProgramEnds=0\r\n[Options]\r\nX=2\r\nRestoreWhenProgramEnds=1\r\n",
         }) {
        EXPECT_TRUE(ParseRestoreWhenProgramEnds(text)) << text;
    }
}

TEST(OptionsFile, AnythingElseMeansNo) {
    for (std::string_view text : {
             ""sv,
             "[Options]\r\nRestoreWhenProgramEnds=0\r\n"sv,
             "[Options]\r\nRestoreWhenProgramEnds=\r\n"sv,
             "[Options]\r\nRestoreWhenProgramEnds=yes\r\n"sv,
             "[Options]\r\nRestoreWhenProgramEnds=01\r\n"sv,
             "[Options]\r\nRestoreWhenProgramEnds=1 ; comment\r\n"sv,
             "[Options]\r\nRestoreWhenProgramEnds 1\r\n"sv,
             "RestoreWhenProgramEnds=1\r\n"sv,                          // before any section
             "[Other]\r\nRestoreWhenProgramEnds=1\r\n"sv,
             "[Options\r\nRestoreWhenProgramEnds=1\r\n"sv,              // a broken section name
             "[Options]\r\n;RestoreWhenProgramEnds=1\r\n"sv,
             "[Options]\r\nRestoreWhenProgramEnds=0\r\nRestoreWhenProgramEnds=1\r\n"sv,  // the first one counts
             "\x81\x40\x82\xA0=1\r\n\x00\x01\x02"sv,
         }) {
        EXPECT_FALSE(ParseRestoreWhenProgramEnds(text)) << text;
    }
}

TEST(OptionsFile, WhatIsWrittenReadsBack) {
    EXPECT_EQ(FormatOptionsFile(true), "[Options]\r\nRestoreWhenProgramEnds=1\r\n");
    EXPECT_TRUE(ParseRestoreWhenProgramEnds(FormatOptionsFile(true)));
    EXPECT_FALSE(ParseRestoreWhenProgramEnds(FormatOptionsFile(false)));
}

TEST(OptionsFile, AWriteChangesOneLineAndKeepsEveryOther) {
    const struct {
        std::string_view before;
        std::optional<std::string_view> value;
        std::string_view after;
    } cases[] = {
        {"", "1", "[Options]\r\nRestoreWhenProgramEnds=1\r\n"},
        {"; mine\r\n[Options]\r\nDisplay=\\\\?\\x\r\n restorewhenprogramends = 0 \r\n[Other]\r\nA=1\r\n", "1",
         "; mine\r\n[Options]\r\nDisplay=\\\\?\\x\r\nRestoreWhenProgramEnds=1\r\n[Other]\r\nA=1\r\n"},
        {"[Other]\nA=1", "1", "[Other]\nA=1\r\n[Options]\r\nRestoreWhenProgramEnds=1\r\n"},
        {"[Options]\nX=2\n\n[Other]\n", "0", "[Options]\nX=2\nRestoreWhenProgramEnds=0\n\n[Other]\n"},
        {"\xEF\xBB\xBF[Options]\r\nRestoreWhenProgramEnds=1\r\nX=2\r\n", std::nullopt,
         "\xEF\xBB\xBF[Options]\r\nX=2\r\n"},
        {"[Options]\r\n;RestoreWhenProgramEnds=1\r\n", std::nullopt, "[Options]\r\n;RestoreWhenProgramEnds=1\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WithOption(c.before, "RestoreWhenProgramEnds", c.value), c.after) << c.before;
        EXPECT_EQ(ReadOption(c.after, "RestoreWhenProgramEnds"), c.value ? std::optional<std::string>(*c.value)
                                                                         : std::nullopt)
            << c.after;
    }
}

// A second section of the same name is never looked at, as by Windows' own
// profile functions: a key removed there stays removed when read back.
TEST(OptionsFile, OnlyTheFirstOptionsSectionCountsForReadAndWrite) {
    const std::string_view file =
        "[Options]\r\nRestoreWhenProgramEnds=0\r\n\r\n[options]\r\nDisplay=\\\\?\\DISPLAY#A\r\n";
    EXPECT_EQ(ReadOption(file, "Display"), std::nullopt);
    EXPECT_EQ(WithOption(file, "Display", std::nullopt), file);
    const std::string written = WithOption(file, "Display", "B");
    EXPECT_EQ(written,
              "[Options]\r\nRestoreWhenProgramEnds=0\r\nDisplay=B\r\n\r\n[options]\r\nDisplay=\\\\?\\DISPLAY#A\r\n");
    EXPECT_EQ(ReadOption(written, "Display"), "B");
    EXPECT_EQ(ReadOption(WithOption(written, "Display", std::nullopt), "Display"), std::nullopt);
}

TEST(OptionsFile, AUtf16FileIsReadAndWrittenInUtf16) {
    const auto utf16 = [](std::u16string_view text) {
        std::string bytes = "\xFF\xFE";
        for (const char16_t unit : text) {
            bytes += static_cast<char>(unit & 0xFF);
            bytes += static_cast<char>(unit >> 8);
        }
        return bytes;
    };
    // A lone surrogate and a pair in a comment come back unchanged.
    const std::string before = utf16(u"; \xD800 \U0001F600 \u8868\r\n[Options]\r\nDisplay=\u8868\r\n");
    EXPECT_EQ(ReadOption(before, "Display"), "\xE8\xA1\xA8");
    EXPECT_EQ(WithOption(before, "RestoreWhenProgramEnds", "1"),
              utf16(u"; \xD800 \U0001F600 \u8868\r\n[Options]\r\nDisplay=\u8868\r\nRestoreWhenProgramEnds=1\r\n"));
    EXPECT_EQ(WithOption(before + "\x41", "Display", std::nullopt),
              utf16(u"; \xD800 \U0001F600 \u8868\r\n[Options]\r\n") + "\x41")
        << "an odd last byte stays last";
}

TEST(OptionsStore, AFileOverTheLimitOrUnreadableIsNeverWritten) {
    FakeFileSystem files;
    OptionsStore store(files);
    const std::wstring path = L"C:\\Games\\ResoLaunch.ini";
    // The limit cuts the line of Display= after "ABCD": it is not read, nor what follows.
    std::string large = "[Options]\r\nRestoreWhenProgramEnds=1\r\n";
    large += "; " + std::string(OptionsStore::kReadLimit - large.size() - 16, 'x') + "\r\n";
    large += "Display=ABCDEFGH\r\n[Tail]\r\nImportant=keepme\r\n";
    files.files[path] = large;
    EXPECT_TRUE(store.LoadRestoreWhenProgramEnds());
    EXPECT_EQ(store.LoadDisplay(), L"");
    EXPECT_FALSE(store.SaveRestoreWhenProgramEnds(false));
    EXPECT_FALSE(store.SaveDisplay(L""));
    EXPECT_EQ(files.files.at(path), large);
    EXPECT_EQ(files.files.size(), 1u);

    files.files[path] = FormatOptionsFile(true);
    files.unreadable.insert(path);
    EXPECT_FALSE(store.SaveRestoreWhenProgramEnds(false));
    EXPECT_EQ(files.files.at(path), FormatOptionsFile(true));
    EXPECT_EQ(files.files.size(), 1u);
}

TEST(OptionsStore, ASaveKeepsWhatTheFileHeldBesides) {
    FakeFileSystem files;
    OptionsStore store(files);
    files.files[L"C:\\Games\\ResoLaunch.ini"] = "; by hand\r\n[Options]\r\nDisplay=x\r\n[Mine]\r\nA=1\r\n";
    ASSERT_TRUE(store.SaveRestoreWhenProgramEnds(true));
    EXPECT_EQ(files.files.at(L"C:\\Games\\ResoLaunch.ini"),
              "; by hand\r\n[Options]\r\nDisplay=x\r\nRestoreWhenProgramEnds=1\r\n[Mine]\r\nA=1\r\n");
}

TEST(OptionsStore, TheChosenDisplayRoundTripsAndBadTextNamesNone) {
    FakeFileSystem files;
    OptionsStore store(files);
    EXPECT_EQ(store.LoadDisplay(), L"") << "no file: the main display";
    const std::wstring path = L"\\\\?\\DISPLAY#GSM5B7F#5&1a2b&0&UID4353#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}";
    ASSERT_TRUE(store.SaveRestoreWhenProgramEnds(true));
    ASSERT_TRUE(store.SaveDisplay(path));
    EXPECT_EQ(store.LoadDisplay(), path);
    EXPECT_TRUE(store.LoadRestoreWhenProgramEnds()) << "the other key kept";
    ASSERT_TRUE(store.SaveDisplay(L""));
    EXPECT_EQ(files.files.at(L"C:\\Games\\ResoLaunch.ini"), FormatOptionsFile(true)) << "the key removed";
    files.files[L"C:\\Games\\ResoLaunch.ini"] = "[Options]\r\nDisplay=\xFF\xFE\x81\r\n";
    EXPECT_EQ(store.LoadDisplay(), L"") << "text that is not UTF-8 names no display";
}

TEST(OptionsStore, LivesBesideTheProgramAndAMissingOrUnreadableFileMeansNo) {
    FakeFileSystem files;
    OptionsStore store(files);
    EXPECT_FALSE(store.LoadRestoreWhenProgramEnds());

    ASSERT_TRUE(store.SaveRestoreWhenProgramEnds(true));
    EXPECT_EQ(files.files.at(L"C:\\Games\\ResoLaunch.ini"), FormatOptionsFile(true));
    EXPECT_TRUE(store.LoadRestoreWhenProgramEnds());

    files.unreadable.insert(L"C:\\Games\\ResoLaunch.ini");
    EXPECT_FALSE(store.LoadRestoreWhenProgramEnds());
}

TEST(OptionsStore, AFailedWriteLeavesTheOldFile) {
    FakeFileSystem files;
    OptionsStore store(files);
    files.files[L"C:\\Games\\ResoLaunch.ini"] = FormatOptionsFile(true);
    files.fault = FakeFileSystem::Fault::MoveFails;
    EXPECT_FALSE(store.SaveRestoreWhenProgramEnds(false));
    EXPECT_TRUE(store.LoadRestoreWhenProgramEnds());
    EXPECT_EQ(files.files.size(), 1u) << "the temporary file is left behind";
}

}  // namespace
}  // namespace resolaunch
