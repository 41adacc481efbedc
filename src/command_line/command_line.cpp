#include "command_line/command_line.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>
#include <vector>

#include "resolaunch_version.h"
#include "text/screen_coordinate.h"

namespace resolaunch {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// One argument after the program's own name: its text as the system's rules
// for command lines read it, and where it begins and ends in the line.
struct Argument {
    std::wstring text;
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Splits a command line the way Windows programs read theirs: blanks
// separate arguments; double quotes group; 2n backslashes before a quote
// give n and the quote groups, 2n+1 give n and a quote; "" inside quotes is
// a quote. The program's own name is skipped first, as CommandLineToArgvW
// does: up to the next quote when it begins with one, otherwise up to the
// first blank.
class ArgumentReader {
public:
    explicit ArgumentReader(std::wstring_view line) : line_(line) {
        if (!line_.empty() && line_[0] == L'"') {
            const std::size_t close = line_.find(L'"', 1);
            pos_ = close == std::wstring_view::npos ? line_.size() : close + 1;
            return;
        }
        while (pos_ < line_.size() && !IsBlank(line_[pos_])) {
            ++pos_;
        }
    }

    std::optional<Argument> Next() {
        while (pos_ < line_.size() && IsBlank(line_[pos_])) {
            ++pos_;
        }
        if (pos_ >= line_.size()) {
            return std::nullopt;
        }
        Argument argument;
        argument.begin = pos_;
        bool quoted = false;
        while (pos_ < line_.size() && (quoted || !IsBlank(line_[pos_]))) {
            std::size_t backslashes = 0;
            while (pos_ < line_.size() && line_[pos_] == L'\\') {
                ++backslashes;
                ++pos_;
            }
            if (pos_ < line_.size() && line_[pos_] == L'"') {
                argument.text.append(backslashes / 2, L'\\');
                if (backslashes % 2 == 1) {
                    argument.text += L'"';
                } else if (quoted && pos_ + 1 < line_.size() && line_[pos_ + 1] == L'"') {
                    argument.text += L'"';
                    ++pos_;
                } else {
                    quoted = !quoted;
                }
                ++pos_;
            } else {
                argument.text.append(backslashes, L'\\');
                if (pos_ < line_.size() && (quoted || !IsBlank(line_[pos_]))) {
                    argument.text += line_[pos_++];
                }
            }
        }
        argument.end = pos_;
        return argument;
    }

    // The rest of the line from `begin`, as typed.
    std::wstring RestFrom(std::size_t begin) const { return std::wstring(line_.substr(begin)); }
    std::wstring Typed(const Argument& argument) const {
        return std::wstring(line_.substr(argument.begin, argument.end - argument.begin));
    }

private:
    std::wstring_view line_;
    std::size_t pos_ = 0;
};

// The options that stand alone on a line.
enum class Alone { None, Restore, List, Help, Version, Guard };

// A whole decimal number of at most 20 digits that fits, else nothing.
std::optional<uint64_t> DecimalOf(std::wstring_view text) {
    if (text.empty() || text.size() > 20) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (const wchar_t digit : text) {
        const auto next = static_cast<uint64_t>(digit - L'0');
        if (digit < L'0' || digit > L'9' || value > (UINT64_MAX - next) / 10) {
            return std::nullopt;
        }
        value = value * 10 + next;
    }
    return value;
}

// --guard's "<id>-<created>,<pipe>".
bool ParseGuardValue(std::wstring_view value, CommandLineRequest& request) {
    const std::size_t dash = value.find(L'-');
    const std::size_t comma = value.find(L',');
    if (dash == std::wstring_view::npos || comma == std::wstring_view::npos || comma < dash) {
        return false;
    }
    const std::optional<uint64_t> id = DecimalOf(value.substr(0, dash));
    const std::optional<uint64_t> created = DecimalOf(value.substr(dash + 1, comma - dash - 1));
    const std::optional<uint64_t> pipe = DecimalOf(value.substr(comma + 1));
    if (!id || *id > UINT32_MAX || !created || !pipe) {
        return false;
    }
    request.guardOwner = ProcessIdentity{static_cast<uint32_t>(*id), *created};
    request.guardPipe = *pipe;
    return true;
}

constexpr const wchar_t* kUsageHint = L"使い方は ResoLaunch.exe --help で表示します。";

}  // namespace

ParsedCommandLine ParseCommandLine(std::wstring_view commandLine) {
    ArgumentReader reader(commandLine);
    CommandLineRequest request;
    request.action = CommandLineRequest::Action::Run;

    std::vector<std::wstring> arguments;  // as read, up to the program
    std::vector<std::wstring> seen;       // the options given, by name
    std::optional<std::wstring> xArgument, yArgument, restoreOnExitArgument, displayArgument, waitForArgument;
    Alone alone = Alone::None;
    std::size_t aloneAt = 0;

    while (std::optional<Argument> argument = reader.Next()) {
        // An argument that reads as nothing (a lone quote, say) is named as typed.
        arguments.push_back(argument->text.empty() ? reader.Typed(*argument) : argument->text);
        const std::wstring& text = argument->text;
        if (text == L"--") {
            std::wstring rest = reader.RestFrom(argument->end);
            const std::size_t first = rest.find_first_not_of(L" \t");
            if (first != std::wstring::npos) {
                request.program = rest.substr(first);
            }
            break;
        }
        if ((text.empty() || text[0] != L'-') && text != L"/?") {
            request.program = reader.RestFrom(argument->begin);
            break;
        }

        const std::size_t equals = text.find(L'=');
        const std::wstring name = text.substr(0, equals == std::wstring::npos ? text.size() : equals + 1);
        const std::wstring value = equals == std::wstring::npos ? std::wstring() : text.substr(equals + 1);
        static constexpr std::array<const wchar_t*, 14> kNames = {
            L"--mode=", L"--x=", L"--y=", L"--restore-on-exit", L"--restore", L"--list",      L"--help",
            L"/?",      L"-?",   L"-h",   L"--version",         L"--display=", L"--wait-for=", L"--guard="};
        if (std::find(kNames.begin(), kNames.end(), name) == kNames.end()) {
            return CommandLineError{text, CommandLineFault::UnknownOption};
        }
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
            return CommandLineError{text, CommandLineFault::RepeatedOption};
        }
        seen.push_back(name);

        if (name == L"--mode=") {
            request.mode = ParseModeText(value);
            if (!request.mode) {
                return CommandLineError{text, CommandLineFault::BadValue};
            }
        } else if (name == L"--x=" || name == L"--y=") {
            const std::optional<int32_t> number = ParseScreenCoordinate(value);
            if (!number) {
                return CommandLineError{text, CommandLineFault::BadValue};
            }
            (name == L"--x=" ? request.x : request.y) = number;
            (name == L"--x=" ? xArgument : yArgument) = text;
        } else if (name == L"--display=") {
            if (value.empty()) {
                return CommandLineError{text, CommandLineFault::BadValue};
            }
            request.display = value;
            displayArgument = text;
        } else if (name == L"--wait-for=") {
            if (value.empty()) {
                return CommandLineError{text, CommandLineFault::BadValue};
            }
            request.waitFor = value;
            waitForArgument = text;
        } else if (name == L"--restore-on-exit") {
            request.restoreOnExit = true;
            restoreOnExitArgument = text;
        } else if (name == L"--guard=" && !ParseGuardValue(value, request)) {
            return CommandLineError{text, CommandLineFault::BadValue};
        } else if (alone == Alone::None) {
            alone = name == L"--guard="    ? Alone::Guard
                    : name == L"--restore" ? Alone::Restore
                    : name == L"--list"    ? Alone::List
                    : name == L"--version" ? Alone::Version
                                           : Alone::Help;
            aloneAt = arguments.size() - 1;
        }
    }

    if (arguments.empty()) {
        return CommandLineRequest{};  // the window
    }
    if (alone != Alone::None) {
        // --list may have the display it lists beside it.
        const bool listsADisplay = alone == Alone::List && displayArgument;
        if (arguments.size() > (listsADisplay ? 2u : 1u)) {
            // What stands beside it: the next argument, or the option itself when it came later.
            std::size_t besides = aloneAt == 0 ? 1 : aloneAt;
            if (listsADisplay && aloneAt == 0 && arguments[besides] == *displayArgument) {
                ++besides;
            }
            return CommandLineError{arguments[besides], CommandLineFault::NotAlone};
        }
        request.action = alone == Alone::Guard     ? CommandLineRequest::Action::Guard
                         : alone == Alone::Restore ? CommandLineRequest::Action::Restore
                         : alone == Alone::List    ? CommandLineRequest::Action::List
                         : alone == Alone::Version ? CommandLineRequest::Action::Version
                                                   : CommandLineRequest::Action::Help;
        return request;
    }
    if (xArgument.has_value() != yArgument.has_value()) {
        return CommandLineError{xArgument ? *xArgument : *yArgument, CommandLineFault::XWithoutY};
    }
    if (!request.program) {
        for (const std::optional<std::wstring>* needsProgram : {&xArgument, &restoreOnExitArgument, &waitForArgument}) {
            if (*needsProgram) {
                return CommandLineError{**needsProgram, CommandLineFault::NoProgram};
            }
        }
    }
    if (restoreOnExitArgument && !request.mode) {
        return CommandLineError{*restoreOnExitArgument, CommandLineFault::RestoreWithoutMode};
    }
    if (displayArgument && !request.mode && !xArgument) {
        return CommandLineError{*displayArgument, CommandLineFault::DisplayWithoutUse};
    }
    if (!request.mode && !request.program) {
        return CommandLineError{arguments.front(), CommandLineFault::NothingToDo};
    }
    return request;
}

std::wstring BadCommandLineMessage(const CommandLineError& error) {
    static constexpr std::pair<CommandLineFault, const wchar_t*> kReasons[] = {
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
    const auto reason = std::find_if(std::begin(kReasons), std::end(kReasons),
                                     [&](const auto& entry) { return entry.first == error.fault; });
    const std::wstring because = reason != std::end(kReasons) ? reason->second : L"";
    return L"コマンドラインが正しくありません: " + error.argument + L"\n" + because + L"\n" + kUsageHint;
}

std::wstring MissingModeMessage(const ModeArgument& mode) {
    return L"指定された解像度はありません: " + mode.text + L"\n" + kUsageHint;
}

std::wstring MissingDisplayMessage(const std::wstring& display) {
    return L"指定されたディスプレイはありません: " + display + L"\n" + kUsageHint;
}

std::wstring ProgramVersionLine() { return std::wstring(L"ResoLaunch ") + kResoLaunchVersion; }

std::wstring CommandLineUsage() {
    return ProgramVersionLine() + L"\r\n"
           L"使い方:\r\n"
           L"  ResoLaunch.exe [--display=ディスプレイ] [--mode=幅x高さ[x色数][@リフレッシュレート]] [--x=X --y=Y]\r\n"
           L"                 [--restore-on-exit] [--wait-for=名前] [--] [プログラム [引数...]]\r\n"
           L"  ResoLaunch.exe --restore\r\n"
           L"  ResoLaunch.exe --list [--display=ディスプレイ]\r\n"
           L"  ResoLaunch.exe --help\r\n"
           L"  ResoLaunch.exe --version\r\n"
           L"\r\n"
           L"  --mode=幅x高さ[x色数]  画面をその解像度に切り替えます (例: --mode=800x600x16)。\r\n"
           L"                         色数を省くと、今の色数か、その大きさで最も多い色数になります。\r\n"
           L"                         @リフレッシュレート (例: --mode=1280x720@144) でその周波数にします。\r\n"
           L"                         省くと、一覧にあれば Windows に保存されている周波数になります。\r\n"
           L"  --x=X --y=Y            起動したプログラムのウィンドウをその位置へ移動します。\r\n"
           L"  --restore-on-exit      プログラムが終了したら、元の解像度に戻します (--mode と共に)。\r\n"
           L"  --wait-for=名前        ランチャーの後に起動するゲームを待ちます: その実行ファイル名 (例: game.exe)\r\n"
           L"                         かフル パス。ランチャーのウィンドウは移動せず、そのゲームの終了まで待ちます。\r\n"
           L"  --                     ここから後はすべて起動するプログラムとその引数です。\r\n"
           L"  プログラム             実行ファイル、コマンドライン、ショートカット (.lnk、.url) か URL\r\n"
           L"                         (例: steam://rungameid/70)。\r\n"
           L"  --display=ディスプレイ --mode、--x/--y、--list の対象のディスプレイ: 番号 (2)、\r\n"
           L"                         デバイス名 (\\\\.\\DISPLAY2) かモニターのデバイス パス。\r\n"
           L"                         省くとメインのディスプレイです。モニターのケーブルを別の\r\n"
           L"                         端子に差し替えると、デバイス パスは変わります。\r\n"
           L"  --restore              Windows に保存されている元の解像度に戻します (すべてのディスプレイ)。\r\n"
           L"  --list                 解像度の一覧を表示します。\r\n"
           L"  --help                 この説明を表示します (/?、-?、-h も同じです)。\r\n"
           L"  --version              バージョンを表示します。\r\n"
           L"\r\n"
           L"終了コード: 0 成功、1 再起動が必要、2 解像度を変更できなかった、3 コマンドラインの誤り、\r\n"
           L"            4 起動の失敗 (--wait-for のプログラムが起動しなかったときも)、\r\n"
           L"            5 起動したがウィンドウを移動できなかった (ほかに当てはまるものがないときだけ)\r\n"
           L"引数なしで起動すると、いつものウィンドウが開きます。\r\n";
}

}  // namespace resolaunch
