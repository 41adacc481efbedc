#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_ansi_codec.h"
#include "settings/settings_format.h"
#include "utf8.h"

namespace resolaunch {
namespace {

using ::testing::Optional;
using testing::Cp932Codec;

struct SettingsFormatTest : ::testing::Test {
    std::string Format(const SavedSettings& s) { return FormatSettingsFile(s, codec); }
    std::optional<SavedSettings> Parse(std::string_view bytes) { return ParseSettingsFile(bytes, codec); }
    SavedSettings RoundTrip(const SavedSettings& s) { return Parse(Format(s)).value(); }

    Cp932Codec codec;
};

TEST_F(SettingsFormatTest, WritesTheDocumentedLineByteForByte) {
    EXPECT_EQ(Format({L"C:\\Tools\\Sample\\sample.exe", L"100", L"0", 3}),
              "\"C:\\Tools\\Sample\\sample.exe\",\"100\",\"0\",3\r\n");
    EXPECT_EQ(Format({L"C:\\Tools\\Sample\\sample.exe", L"100", L"0", -1}),
              "\"C:\\Tools\\Sample\\sample.exe\",\"100\",\"0\",-1\r\n");
    EXPECT_EQ(Format({L"", L"", L"", 0}), "\"\",\"\",\"\",0\r\n");
}

TEST_F(SettingsFormatTest, JapaneseTextIsWrittenInCodePage932) {
    EXPECT_EQ(Format({L"C:\\ゲーム\\起動.exe", L"表示", L"ソフト", 12}),
              "\"C:\\\x83\x51\x81\x5B\x83\x80\\\x8B\x4E\x93\xAE.exe\",\"\x95\x5C\x8E\xA6\",\"\x83\x5C\x83\x74\x83\x67\",12\r\n");
}

TEST_F(SettingsFormatTest, ReadsCodePage932WhoseSecondByteIsABackslash) {
    // 表 and ソ end in 0x5C, the byte of "\".
    EXPECT_THAT(Parse("\"C:\\\x83\x5C\x83\x74\x83\x67\\\x95\x5C\x8E\xA6.exe\",\"1\",\"2\",0\r\n"),
                Optional(SavedSettings{L"C:\\ソフト\\表示.exe", L"1", L"2", 0}));
}

TEST_F(SettingsFormatTest, TextsThatTheCodePageLacksAreWrittenAsUtf8WithAMark) {
    const SavedSettings korean{L"C:\\게임\\game.exe", L"5", L"6", 1};
    const std::string bytes = Format(korean);
    EXPECT_EQ(bytes, "\xEF\xBB\xBF" + testing::Utf8(L"\"C:\\게임\\game.exe\",\"5\",\"6\",1\r\n"));
    EXPECT_EQ(RoundTrip(korean), korean);

    const SavedSettings emoji{L"C:\\\U0001F3AE\\a.exe", L"0", L"0", -1};
    EXPECT_EQ(RoundTrip(emoji), emoji);
}

TEST_F(SettingsFormatTest, ValuesSurviveASaveAndALoad) {
    for (const SavedSettings& s : {
             SavedSettings{L"C:\\My Games, Old\\a b.exe", L"-10", L"5", 0},
             SavedSettings{L"\"C:\\Program Files\\Game\\game.exe\" -window", L"1\"2", L"\"", 7},
             SavedSettings{L"\"\"", L"", L" padded ", 32767},
             SavedSettings{L"C:\\表示\\ソフト.exe", L"１２", L"x", -32768},
         }) {
        EXPECT_EQ(RoundTrip(s), s) << testing::Utf8(s.executable);
    }
}

TEST_F(SettingsFormatTest, QuotesInsideAValueAreDoubled) {
    EXPECT_EQ(Format({L"\"a b.exe\" -w", L"0", L"0", 0}), "\"\"\"a b.exe\"\" -w\",\"0\",\"0\",0\r\n");
}

TEST_F(SettingsFormatTest, IndexAtTheEdgesOfTheSixteenBitRange) {
    EXPECT_THAT(Parse("\"a\",\"b\",\"c\",-32768\r\n"), Optional(SavedSettings{L"a", L"b", L"c", -32768}));
    EXPECT_THAT(Parse("\"a\",\"b\",\"c\",32767\r\n"), Optional(SavedSettings{L"a", L"b", L"c", 32767}));
    EXPECT_EQ(Parse("\"a\",\"b\",\"c\",32768\r\n"), std::nullopt);
    EXPECT_EQ(Parse("\"a\",\"b\",\"c\",-32769\r\n"), std::nullopt);
    EXPECT_EQ(Parse("\"a\",\"b\",\"c\",99999999999999999999999\r\n"), std::nullopt);
}

TEST_F(SettingsFormatTest, AnIndexThatIsNoNumberReadsAsZero) {
    EXPECT_THAT(Parse("\"a\",\"b\",\"c\",x\r\n"), Optional(SavedSettings{L"a", L"b", L"c", 0}));
    EXPECT_THAT(Parse("\"a\",\"b\",\"c\",\r\n"), Optional(SavedSettings{L"a", L"b", L"c", 0}));
    EXPECT_THAT(Parse("\"a\",\"b\",\"c\",-\r\n"), Optional(SavedSettings{L"a", L"b", L"c", 0}));
}

TEST_F(SettingsFormatTest, FilesThatEndTooEarlyFail) {
    EXPECT_EQ(Parse(""), std::nullopt);
    EXPECT_EQ(Parse("\r\n"), std::nullopt);
    EXPECT_EQ(Parse("\"a\",\"b\",\"c\""), std::nullopt);
    EXPECT_EQ(Parse("\"a\",\"b\",\"c\"\r\n"), std::nullopt);
    EXPECT_EQ(Parse("\"a\",\"b\",\"c\","), std::nullopt);
    EXPECT_EQ(Parse("\"a\",\"b\""), std::nullopt);
}

TEST_F(SettingsFormatTest, WhatFollowsTheFourthFieldIsIgnored) {
    const SavedSettings expected{L"a", L"b", L"c", 2};
    EXPECT_THAT(Parse("\"a\",\"b\",\"c\",2,\"extra\",9\r\n"), Optional(expected));
    EXPECT_THAT(Parse("\"a\",\"b\",\"c\",2\r\n\r\n\r\n"), Optional(expected));
    EXPECT_THAT(Parse("\"a\",\"b\",\"c\",2\r\n\"d\",\"e\",\"f\",3\r\n"), Optional(expected));
    EXPECT_THAT(Parse("\"a\",\"b\",\"c\",2"), Optional(expected)) << "no line end at all";
    EXPECT_THAT(Parse("\"a\",\"b\",\"c\",2\n"), Optional(expected)) << "LF alone";
}

TEST_F(SettingsFormatTest, HandEditedFilesReadByTheFieldRules) {
    // Unquoted fields lose the blanks before them; a line end ends a field like a comma.
    EXPECT_THAT(Parse("C:\\a b.exe,  100,\t0,  4\r\n"), Optional(SavedSettings{L"C:\\a b.exe", L"100", L"0", 4}));
    EXPECT_THAT(Parse("\"a\"\r\n\"b\"\r\n\"c\"\r\n5\r\n"), Optional(SavedSettings{L"a", L"b", L"c", 5}));
    // Blanks after a closing quote are dropped.
    EXPECT_THAT(Parse("\"a\"  ,\"b\" ,\"c\",6\r\n"), Optional(SavedSettings{L"a", L"b", L"c", 6}));
    // A quote that never closes runs to the end of the file.
    EXPECT_EQ(Parse("\"a,b,c,1\r\n"), std::nullopt);
}

TEST_F(SettingsFormatTest, AnEmptyQuotedFieldIsTheEmptyText) {
    EXPECT_THAT(Parse("\"\",\"\",\"\",-1\r\n"), Optional(SavedSettings{L"", L"", L"", -1}));
}

TEST_F(SettingsFormatTest, Utf8FilesAreRecognisedByTheirMark) {
    EXPECT_THAT(Parse("\xEF\xBB\xBF\"C:\\\xEA\xB2\x8C\xEC\x9E\x84.exe\",\"1\",\"2\",3\r\n"),
                Optional(SavedSettings{L"C:\\게임.exe", L"1", L"2", 3}));
    EXPECT_EQ(Parse("\xEF\xBB\xBF\"C:\\\xC0\xAF.exe\",\"1\",\"2\",3\r\n"), std::nullopt) << "overlong form";
    EXPECT_EQ(Parse("\xEF\xBB\xBF\"\xED\xA0\x80\",\"1\",\"2\",3\r\n"), std::nullopt) << "surrogate";
    EXPECT_EQ(Parse("\xEF\xBB\xBF\"\xE3\x81\",\"1\",\"2\",3\r\n"), std::nullopt) << "cut short";
}

TEST(Utf8, EncodesEveryPlaneAndReplacesLoneSurrogates) {
    EXPECT_EQ(EncodeUtf8(L"A\u00D7\u8868\U0001F3AE"), "A\xC3\x97\xE8\xA1\xA8\xF0\x9F\x8E\xAE");
    std::wstring lone(1, static_cast<wchar_t>(0xD800));
    EXPECT_EQ(EncodeUtf8(lone), "\xEF\xBF\xBD");
    EXPECT_THAT(DecodeUtf8("A\xC3\x97\xE8\xA1\xA8\xF0\x9F\x8E\xAE"), Optional(std::wstring(L"A\u00D7\u8868\U0001F3AE")));
    EXPECT_EQ(DecodeUtf8("\xF4\x90\x80\x80"), std::nullopt) << "past U+10FFFF";
    EXPECT_EQ(DecodeUtf8("\xFF"), std::nullopt);
}

}  // namespace
}  // namespace resolaunch
