#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_ansi_codec.h"
#include "fake_desktop.h"
#include "fake_file_system.h"
#include "fake_shortcuts.h"
#include "launch/target_start.h"
#include "utf8.h"

namespace resolaunch {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::Utf8;

const std::wstring kLink = L"C:\\Games\\Old Game.lnk";
const std::wstring kStoreLink = L"C:\\Games\\Store Game.lnk";
const std::wstring kUrlFile = L"C:\\Users\\me\\Desktop\\Game.url";

struct TargetStartTest : ::testing::Test {
    TargetStartTest() {
        files.files[kLink] = "";
        links.links[kLink] = {L"C:\\Games\\Old Game\\game.exe", L"-window", L"C:\\Games\\Data", false};
        files.files[kStoreLink] = "";
        links.links[kStoreLink] = {L"", L"", L"", true};
        files.files[kUrlFile] = "[InternetShortcut]\r\nURL=steam://rungameid/70\r\nIconIndex=0\r\n";
        launcher.urlHandlers[L"steam"] = L"\"C:\\Steam\\steam.exe\" -- \"%1\"%*";
    }

    TargetStart Start(const std::wstring& typed) { return StartLaunchTarget(typed, services); }

    std::vector<std::wstring> log;
    testing::FakeLoop loop;
    testing::FakeLauncher launcher{log, loop};
    testing::FakeFileSystem files;
    testing::FakeShortcuts links;
    testing::Cp932Codec codec;
    TargetStartServices services{launcher, files, links, files, codec, launcher};
};

TEST_F(TargetStartTest, EachKindStartsItsOwnWay) {
    const std::wstring steam = L"start \"C:\\Steam\\steam.exe\" -- \"steam://rungameid/70\"";
    const struct {
        std::wstring typed;
        std::wstring logged;
        bool fromUrl;
    } cases[] = {
        // the link's target in its working folder, the link's arguments, then those typed
        {L"\"" + kLink + L"\"  -fullscreen",
         L"start \"C:\\Games\\Old Game\\game.exe\" -window -fullscreen in C:\\Games\\Data", false},
        {kStoreLink, L"open " + kStoreLink, false},  // only the shell can open it
        {kUrlFile, steam, true},
        {L"steam://rungameid/70", steam, true},
        {L"ms-xbl-3d8b930f://", L"open ms-xbl-3d8b930f://", true},  // a handler without a command line
        {L"C:\\Games\\game.exe -w", L"start C:\\Games\\game.exe -w", false},
    };
    for (const auto& c : cases) {
        log.clear();
        const TargetStart start = Start(c.typed);
        EXPECT_NE(start.started.processes, nullptr) << Utf8(c.typed);
        EXPECT_THAT(log, ElementsAre(c.logged)) << Utf8(c.typed);
        EXPECT_EQ(start.fromUrl, c.fromUrl) << Utf8(c.typed);
    }
}

TEST_F(TargetStartTest, WhatCannotStartSaysWhyAndStartsNothing) {
    files.files[L"C:\\Empty.url"] = "[InternetShortcut]\r\nIconIndex=0\r\n";
    files.files[L"C:\\Broken.lnk"] = "";  // exists, but reads as no link
    const struct {
        std::wstring typed;
        std::wstring reason;
    } cases[] = {
        {L"steam://run\"gameid/70", L"URL に \" や制御文字は使えません。"},
        {L"steam://rungameid/70\t-x", L"URL に \" や制御文字は使えません。"},
        {L"C:\\Empty.url", L"インターネット ショートカットに URL がありません。"},
        {L"C:\\Broken.lnk", L"ショートカットを読み取れませんでした。"},
    };
    for (const auto& c : cases) {
        const TargetStart start = Start(c.typed);
        EXPECT_EQ(start.started.processes, nullptr) << Utf8(c.typed);
        EXPECT_EQ(start.started.failureReason, c.reason) << Utf8(c.typed);
    }
    EXPECT_THAT(log, IsEmpty());
}

}  // namespace
}  // namespace resolaunch
