#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "command_line/command_line.h"
#include "utf8.h"

namespace resolaunch {
namespace {

using Action = CommandLineRequest::Action;
using testing::Utf8;

CommandLineRequest Good(std::wstring_view line) {
    const ParsedCommandLine parsed = ParseCommandLine(line);
    if (const auto* error = std::get_if<CommandLineError>(&parsed)) {
        ADD_FAILURE() << Utf8(std::wstring(line)) << ": rejected at " << Utf8(error->argument);
        return {};
    }
    return std::get<CommandLineRequest>(parsed);
}

TEST(ParseCommandLine, NoArgumentsMeansTheWindow) {
    for (const wchar_t* line : {L"ResoLaunch.exe", L"ResoLaunch.exe   ", L"\"C:\\Program Files\\R L\\ResoLaunch.exe\"",
                                L"\"C:\\Program Files\\R L\\ResoLaunch.exe\" \t", L""}) {
        EXPECT_EQ(Good(line), CommandLineRequest{}) << Utf8(line);
    }
}

TEST(ParseCommandLine, TheWholeLine) {
    const CommandLineRequest request =
        Good(L"\"C:\\R L\\ResoLaunch.exe\" --mode=800x600x16 --x=-10 --y=5 --restore-on-exit --wait-for=game.exe -- "
             L"C:\\Games\\Old Game\\game.exe -window \"a b\"");
    EXPECT_EQ(request.action, Action::Run);
    ASSERT_TRUE(request.mode.has_value());
    EXPECT_EQ(*request.mode, (ModeArgument{800, 600, 16, L"800x600x16", std::nullopt}));
    EXPECT_EQ(request.x, -10);
    EXPECT_EQ(request.y, 5);
    EXPECT_TRUE(request.restoreOnExit);
    EXPECT_EQ(request.waitFor, L"game.exe");
    EXPECT_EQ(request.program, L"C:\\Games\\Old Game\\game.exe -window \"a b\"") << "the rest exactly as typed";
}

TEST(ParseCommandLine, TheProgramIsTheRestOfTheLineAsTyped) {
    const struct {
        const wchar_t* line;
        std::optional<std::wstring> program;
    } cases[] = {
        {L"R.exe game.exe", L"game.exe"},
        {L"R.exe   \"C:\\a b\\game.exe\"  -x  --mode=1x1 ", L"\"C:\\a b\\game.exe\"  -x  --mode=1x1 "},
        {L"R.exe --x=1 --y=2 cmd.exe /c start \"\" \"C:\\g.exe\"", L"cmd.exe /c start \"\" \"C:\\g.exe\""},
        {L"R.exe -- --mode=800x600", L"--mode=800x600"},  // after "--" nothing is an option
        {L"R.exe --mode=800x600 --\t  game.exe", L"game.exe"},
        {L"R.exe --mode=800x600 --", std::nullopt},  // "--" with nothing after it: no program
        {L"R.exe --mode=800x600 --   ", std::nullopt},
        {L"R.exe --mode=800x600", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Good(c.line).program, c.program) << Utf8(c.line);
    }
}

TEST(ParseCommandLine, ValuesAreReadAsTheBoxesReadThem) {
    EXPECT_EQ(Good(L"R.exe --mode=800X600 g").mode, (ModeArgument{800, 600, std::nullopt, L"800X600", std::nullopt}));
    EXPECT_EQ(Good(L"R.exe \"--mode= 640 x 480 \" g").mode,
              (ModeArgument{640, 480, std::nullopt, L" 640 x 480 ", std::nullopt}));
    EXPECT_EQ(Good(L"R.exe --mode=1280x720@144 g").mode, (ModeArgument{1280, 720, std::nullopt, L"1280x720@144", 144}));
    EXPECT_EQ(Good(L"R.exe --mode=1280x720x32@60 g").mode, (ModeArgument{1280, 720, 32, L"1280x720x32@60", 60}));
    EXPECT_EQ(Good(L"R.exe --mode=８００x６００ g").mode->width, 800);
    const CommandLineRequest request = Good(L"R.exe --y=+7 --x=\"  -3\" g");
    EXPECT_EQ(request.x, -3);
    EXPECT_EQ(request.y, 7);
}

TEST(ParseCommandLine, OptionsThatStandAlone) {
    EXPECT_EQ(Good(L"R.exe --restore").action, Action::Restore);
    EXPECT_EQ(Good(L"R.exe --list").action, Action::List);
    for (const wchar_t* help : {L"R.exe  --help ", L"R.exe /?", L"R.exe -?", L"R.exe -h"}) {
        EXPECT_EQ(Good(help).action, Action::Help) << Utf8(help);
    }
    EXPECT_EQ(Good(L"R.exe --version").action, Action::Version);
    // --list may name its display.
    for (const wchar_t* line : {L"R.exe --list --display=2", L"R.exe --display=\\\\.\\DISPLAY2 --list"}) {
        EXPECT_EQ(Good(line).action, Action::List) << Utf8(line);
        EXPECT_TRUE(Good(line).display.has_value()) << Utf8(line);
    }
    EXPECT_EQ(Good(L"R.exe --display=2 --x=1 --y=2 g").display, L"2");
    // The guard's own argument, which --help does not list.
    const CommandLineRequest guard = Good(L"R.exe --guard=4242-133000000000000000,468");
    EXPECT_EQ(guard.action, Action::Guard);
    EXPECT_EQ(guard.guardOwner, (ProcessIdentity{4242, 133000000000000000}));
    EXPECT_EQ(guard.guardPipe, 468u);
    EXPECT_EQ(CommandLineUsage().find(L"--guard"), std::wstring::npos);
}

TEST(ParseCommandLine, BadLinesNameTheArgumentAtFault) {
    using enum CommandLineFault;
    const struct {
        const wchar_t* line;
        const wchar_t* fault;
        CommandLineFault reason;
    } cases[] = {
        // unknown, misspelt or repeated options
        {L"R.exe --mode=800x600 --fullscreen g", L"--fullscreen", UnknownOption},
        {L"R.exe --Mode=800x600 g", L"--Mode=800x600", UnknownOption},
        {L"R.exe --mode 800x600 g", L"--mode", UnknownOption},
        {L"R.exe --restore-on-exit=1 --mode=1x1 g", L"--restore-on-exit=1", UnknownOption},
        {L"R.exe -x=1 -y=2 g", L"-x=1", UnknownOption},
        {L"R.exe - g", L"-", UnknownOption},
        {L"R.exe --x=1 --y=2 --x=3 g", L"--x=3", RepeatedOption},
        {L"R.exe --mode=1x1 --mode=2x2 g", L"--mode=2x2", RepeatedOption},
        // malformed values
        {L"R.exe --mode=800 g", L"--mode=800", BadValue},
        {L"R.exe --mode=800x g", L"--mode=800x", BadValue},
        {L"R.exe --mode=x600 g", L"--mode=x600", BadValue},
        {L"R.exe --mode=800x600x16x1 g", L"--mode=800x600x16x1", BadValue},
        {L"R.exe --mode=800*600 g", L"--mode=800*600", BadValue},
        {L"R.exe --mode=800x600x g", L"--mode=800x600x", BadValue},
        {L"R.exe --mode=800x600@ g", L"--mode=800x600@", BadValue},
        {L"R.exe --mode=800x600@0 g", L"--mode=800x600@0", BadValue},
        {L"R.exe --mode=800x600@60@60 g", L"--mode=800x600@60@60", BadValue},
        {L"R.exe --mode=@60 g", L"--mode=@60", BadValue},
        {L"R.exe --mode=99999999999x600 g", L"--mode=99999999999x600", BadValue},
        {L"R.exe --x=1.5 --y=0 g", L"--x=1.5", BadValue},
        {L"R.exe --x= --y=0 g", L"--x=", BadValue},
        {L"R.exe --x=0 --y=abc g", L"--y=abc", BadValue},
        // options that need others
        {L"R.exe --x=1 g", L"--x=1", XWithoutY},
        {L"R.exe --y=1 g", L"--y=1", XWithoutY},
        {L"R.exe --mode=800x600 --x=1 --y=2", L"--x=1", NoProgram},
        {L"R.exe --mode=800x600 --restore-on-exit", L"--restore-on-exit", NoProgram},
        {L"R.exe --restore-on-exit g", L"--restore-on-exit", RestoreWithoutMode},
        {L"R.exe --display=2", L"--display=2", DisplayWithoutUse},
        {L"R.exe --display=2 -- g", L"--display=2", DisplayWithoutUse},
        {L"R.exe --display= --mode=1x1", L"--display=", BadValue},
        {L"R.exe --", L"--", NothingToDo},
        {L"R.exe --x=1 --y=2 --", L"--x=1", NoProgram},
        {L"R.exe --mode=800x600 --wait-for=game.exe", L"--wait-for=game.exe", NoProgram},
        {L"R.exe --wait-for=game.exe --", L"--wait-for=game.exe", NoProgram},
        {L"R.exe --wait-for= launcher.exe", L"--wait-for=", BadValue},
        {L"R.exe --wait-for=a.exe --wait-for=b.exe g", L"--wait-for=b.exe", RepeatedOption},
        // options that stand alone, with anything else
        {L"R.exe --restore --list", L"--list", NotAlone},
        {L"R.exe --list game.exe", L"game.exe", NotAlone},
        {L"R.exe --help --", L"--", NotAlone},
        {L"R.exe --mode=800x600 --restore", L"--restore", NotAlone},
        {L"R.exe --restore --restore", L"--restore", RepeatedOption},
        {L"R.exe --restore \"", L"\"", NotAlone},  // an argument that reads as nothing, as typed
        {L"R.exe /? --list", L"--list", NotAlone},
        {L"R.exe --version -h", L"-h", NotAlone},
        {L"R.exe --restore --display=2", L"--display=2", NotAlone},
        {L"R.exe --list --display=2 g", L"g", NotAlone},
        {L"R.exe --list --display=2 --display=3", L"--display=3", RepeatedOption},
        {L"R.exe -H", L"-H", UnknownOption},
        {L"R.exe --guard=1-2,3 --list", L"--list", NotAlone},
        {L"R.exe --guard=1-2", L"--guard=1-2", BadValue},
        {L"R.exe --guard=1,2-3", L"--guard=1,2-3", BadValue},
        {L"R.exe --guard=4294967296-1,2", L"--guard=4294967296-1,2", BadValue},
        {L"R.exe --guard=1-18446744073709551616,2", L"--guard=1-18446744073709551616,2", BadValue},
    };
    for (const auto& c : cases) {
        const ParsedCommandLine parsed = ParseCommandLine(c.line);
        ASSERT_TRUE(std::holds_alternative<CommandLineError>(parsed)) << Utf8(c.line) << " was taken";
        EXPECT_EQ(std::get<CommandLineError>(parsed).argument, c.fault) << Utf8(c.line);
        EXPECT_EQ(std::get<CommandLineError>(parsed).fault, c.reason) << Utf8(c.line);
    }
}

TEST(ParseCommandLine, QuotesAndBackslashesAsWindowsProgramsReadThem) {
    // The program's own name in quotes may hold blanks; arguments follow the C runtime's rules.
    EXPECT_EQ(Good(L"\"C:\\a b\\R.exe\"--list").action, Action::List) << "no blank needed after a quoted name";
    EXPECT_EQ(Good(L"R.exe \"--list\"").action, Action::List);
    const ParsedCommandLine parsed = ParseCommandLine(L"R.exe \"--x=1\\\"\" g");
    EXPECT_EQ(std::get<CommandLineError>(parsed).argument, L"--x=1\"");
    const ParsedCommandLine doubled = ParseCommandLine(L"R.exe \"--x=\"\"1\" g");
    EXPECT_EQ(std::get<CommandLineError>(doubled).argument, L"--x=\"1");
}

TEST(CommandLineMessages, InTheProgramsWords) {
    const std::wstring hint = L"\n使い方は ResoLaunch.exe --help で表示します。";
    const struct {
        CommandLineFault fault;
        const wchar_t* reason;
    } reasons[] = {
        {CommandLineFault::UnknownOption, L"このオプションはありません。"},
        {CommandLineFault::RepeatedOption, L"同じオプションが二度指定されています。"},
        {CommandLineFault::BadValue, L"値が正しくありません。"},
        {CommandLineFault::XWithoutY, L"--x と --y は両方とも指定して下さい。"},
        {CommandLineFault::NoProgram, L"起動するプログラムがありません。"},
        {CommandLineFault::RestoreWithoutMode, L"--restore-on-exit には --mode が必要です。"},
        {CommandLineFault::NothingToDo, L"--mode か起動するプログラムを指定して下さい。"},
        {CommandLineFault::NotAlone, L"このオプションは単独で指定して下さい。"},
        {CommandLineFault::DisplayWithoutUse, L"--display は --mode、--x と --y、--list のどれかと共に指定して下さい。"},
    };
    for (const auto& r : reasons) {
        EXPECT_EQ(BadCommandLineMessage({L"--z", r.fault}),
                  L"コマンドラインが正しくありません: --z\n" + std::wstring(r.reason) + hint);
    }
    EXPECT_EQ(MissingModeMessage({123, 45, std::nullopt, L"123x45", std::nullopt}),
              L"指定された解像度はありません: 123x45" + hint);
    EXPECT_EQ(MissingDisplayMessage(L"3"), L"指定されたディスプレイはありません: 3" + hint);
    EXPECT_EQ(CommandLineUsage().substr(0, 18), L"ResoLaunch 0.2.0\r\n");
}

}  // namespace
}  // namespace resolaunch
