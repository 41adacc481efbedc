#include <gtest/gtest.h>

#include <set>

#include "fake_ansi_codec.h"
#include "launch/launch_target.h"

namespace resolaunch {
namespace {

using Kind = LaunchTarget::Kind;

struct FakeExistingFiles : ExistingFiles {
    bool IsExistingFile(const std::wstring& path) override { return files.count(path) != 0; }
    std::set<std::wstring> files{L"C:\\Games\\Old Game.lnk", L"C:\\Users\\me\\Desktop\\Game.url",
                                 L"C:\\Games\\game.exe", L"C:\\Games\\lnk.exe"};
};

TEST(LaunchTarget, ALinkThenAUrlFileThenAUrlThenAnythingElseAsTyped) {
    FakeExistingFiles files;
    const struct {
        const wchar_t* typed;
        LaunchTarget decided;
    } cases[] = {
        {L"C:\\Games\\Old Game.lnk", {Kind::ShellLink, L"C:\\Games\\Old Game.lnk", L""}},
        {L"\"C:\\Games\\Old Game.lnk\" -window -x", {Kind::ShellLink, L"C:\\Games\\Old Game.lnk", L"-window -x"}},
        {L"  C:\\Games\\Old Game.lnk  -window", {Kind::ShellLink, L"C:\\Games\\Old Game.lnk", L"-window"}},
        {L"C:\\Games\\Absent.lnk", {Kind::CommandText, L"C:\\Games\\Absent.lnk", L""}},
        {L"\"C:\\Users\\me\\Desktop\\Game.url\"", {Kind::InternetShortcut, L"C:\\Users\\me\\Desktop\\Game.url", L""}},
        {L"C:\\Users\\me\\Desktop\\Game.url", {Kind::InternetShortcut, L"C:\\Users\\me\\Desktop\\Game.url", L""}},
        {L"steam://rungameid/70", {Kind::Url, L"steam://rungameid/70", L""}},
        {L" com.epicgames.launcher://apps/Fortnite?action=launch ",
         {Kind::Url, L"com.epicgames.launcher://apps/Fortnite?action=launch", L""}},
        {L"C:\\Games\\game.exe", {Kind::CommandText, L"C:\\Games\\game.exe", L""}},
        {L"C:\\Games\\lnk.exe -w", {Kind::CommandText, L"C:\\Games\\lnk.exe -w", L""}},
        {L"C:game.exe", {Kind::CommandText, L"C:game.exe", L""}},  // a drive's letter is never a scheme
        {L"steam:", {Kind::CommandText, L"steam:", L""}},          // nothing after the scheme
        {L"1a://x", {Kind::CommandText, L"1a://x", L""}},
        {L"a_b://x", {Kind::CommandText, L"a_b://x", L""}},
        {L"", {Kind::CommandText, L"", L""}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecideLaunchTarget(c.typed, files), c.decided) << ::testing::PrintToString(std::wstring(c.typed));
    }
}

TEST(LaunchTarget, TheHandlersCommandGetsTheUrlAndNoOtherArgument) {
    const std::wstring url = L"steam://rungameid/70";
    EXPECT_EQ(HandlerCommandLine(L"\"C:\\Steam\\steam.exe\" -- \"%1\"", url),
              L"\"C:\\Steam\\steam.exe\" -- \"steam://rungameid/70\"");
    EXPECT_EQ(HandlerCommandLine(L"h.exe %L %V %l %v", url), L"h.exe " + url + L" " + url + L" " + url + L" " + url);
    EXPECT_EQ(HandlerCommandLine(L"h.exe \"%1\" %* %2 %9 100%% %x%", url), L"h.exe \"" + url + L"\"    100%% %x%");
}

TEST(LaunchTarget, AUrlWithAQuoteOrAControlCharacterIsRefused) {
    EXPECT_EQ(UrlRefusal(L"steam://rungameid/70"), std::nullopt);
    EXPECT_EQ(UrlRefusal(L"https://例え.jp/ゲーム?a=1&b=2"), std::nullopt);
    for (const wchar_t* url : {L"steam://run\" -evil", L"steam://run\tx", L"steam://run\nx", L"steam://run\x7F"}) {
        EXPECT_EQ(UrlRefusal(url), L"URL に \" や制御文字は使えません。")
            << ::testing::PrintToString(std::wstring(url));
    }
}

TEST(LaunchTarget, AUrlFileGivesTheUrlOfItsInternetShortcutSection) {
    testing::Cp932Codec codec;
    EXPECT_EQ(UrlOfInternetShortcut("[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,0\r\n"
                                    "[InternetShortcut]\r\nIDList=\r\nURL=steam://rungameid/70\r\nIconIndex=0\r\n",
                                    codec),
              L"steam://rungameid/70");
    EXPECT_EQ(UrlOfInternetShortcut("[internetshortcut]\nurl = https://\x83\x51\x81\x5B\x83\x80/\n", codec),
              L"https://ゲーム/")
        << "the ANSI code page";
    EXPECT_EQ(UrlOfInternetShortcut("[Other]\r\nURL=x://y\r\n", codec), std::nullopt);
    EXPECT_EQ(UrlOfInternetShortcut("[InternetShortcut]\r\nURL=\r\n", codec), std::nullopt);
}

TEST(LaunchTarget, AUrlsShortcutIsNamedAfterItsLastPathSegment) {
    EXPECT_EQ(UrlShortcutStem(L"steam://rungameid/70"), L"70");
    EXPECT_EQ(UrlShortcutStem(L"steam://rungameid/70/"), L"70");
    EXPECT_EQ(UrlShortcutStem(L"com.epicgames.launcher://apps/Fort:nite?action=launch#x"), L"Fort_nite");
    EXPECT_EQ(UrlShortcutStem(L"uplay://launch/635/0"), L"0");
    EXPECT_EQ(UrlShortcutStem(L"game:play*now"), L"play_now");
}

}  // namespace
}  // namespace resolaunch
