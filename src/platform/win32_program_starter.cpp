#include "platform/win32_program_starter.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <memory>

#include "base/leading_name.h"
#include "platform/file_path.h"
#include "platform/file_system.h"
#include "platform/win32_error_text.h"
#include "platform/win32_file_system.h"
#include "platform/win32_launch_processes.h"
#include "platform/win32_processes.h"
#include "platform/win32_system_function.h"

namespace resolaunch {
namespace {

// ERROR_ELEVATION_REQUIRED, not in every SDK's headers: the program to start
// asks in its own manifest for administrator rights.
constexpr DWORD kElevationRequired = 740;

std::wstring FullPath(const std::wstring& path) {
    const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return path;
    }
    std::wstring full(size, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) {
        return path;
    }
    full.resize(length);
    return full;
}

std::wstring SearchProgram(const std::wstring& name) {
    std::wstring found(kLongestPath, L'\0');
    const DWORD length =
        ::SearchPathW(nullptr, name.c_str(), L".exe", static_cast<DWORD>(found.size()), found.data(), nullptr);
    if (length == 0 || length >= found.size()) {
        return std::wstring();
    }
    found.resize(length);
    return IsExistingFilePath(found) ? found : std::wstring();
}

// A console program: any program but one the PE header marks as a Windows
// GUI program (a batch file, for one, runs in cmd.exe's console).
bool IsConsoleProgram(const std::wstring& path) {
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    const auto readAt = [&](LONG offset, void* into, DWORD size) {
        DWORD read = 0;
        return ::SetFilePointer(file.get(), offset, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
               ::ReadFile(file.get(), into, size, &read, nullptr) && read == size;
    };
    IMAGE_DOS_HEADER dos{};
    // The subsystem sits at the same place in 32- and 64-bit headers.
    IMAGE_NT_HEADERS32 nt{};
    if (!file || !readAt(0, &dos, sizeof(dos)) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0 ||
        !readAt(dos.e_lfanew, &nt, sizeof(nt)) || nt.Signature != IMAGE_NT_SIGNATURE) {
        return true;
    }
    return nt.OptionalHeader.Subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI;
}

// Has the shell open a file (with parameters, in a folder) or a URL, without
// any box of its own; the process it hands back, when it hands one back.
// The error when it refused.
DWORD ShellOpen(const std::wstring& file, const std::wstring& parameters, const std::wstring& folder,
                UniqueKernelHandle& process) {
    static const auto shellExecuteEx = SystemFunction<decltype(&::ShellExecuteExW)>(L"shell32.dll", "ShellExecuteExW");
    static const auto initialize = SystemFunction<decltype(&::CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
    static const auto uninitialize = SystemFunction<decltype(&::CoUninitialize)>(L"ole32.dll", "CoUninitialize");
    if (shellExecuteEx == nullptr) {
        return ERROR_PROC_NOT_FOUND;
    }
    // The shell's handlers may be COM objects.
    const bool com = initialize != nullptr && uninitialize != nullptr &&
                     SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpFile = file.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    const DWORD error = shellExecuteEx(&info) ? ERROR_SUCCESS : ::GetLastError();
    if (com) {
        uninitialize();
    }
    if (error == ERROR_SUCCESS) {
        process.reset(info.hProcess);
    }
    return error;
}

StartedProgram NotStarted(DWORD error, const std::wstring& program) {
    return {nullptr, SystemErrorText(error, program), {}};
}

}  // namespace

ProgramLookup Win32ProgramStarter::FindProgram(const std::wstring& commandText) {
    ProgramCommand command;
    command.namesFile = IsExistingFilePath(commandText);
    if (command.namesFile) {
        command.program = FullPath(commandText);
    } else if (const std::optional<LeadingName> leading = FindLeadingName(commandText, [&](std::wstring_view name) {
                   command.program = SearchProgram(std::wstring(name));
                   return !command.program.empty();
               })) {
        command.arguments = std::wstring(leading->rest);
    }
    if (command.program.empty()) {
        return {std::nullopt, SystemErrorText(ERROR_FILE_NOT_FOUND)};
    }
    command.folder = FolderOf(command.program);
    return {std::move(command), std::wstring()};
}

StartedProgram Win32ProgramStarter::Start(const std::wstring& commandText, const std::wstring& folder) {
    const ProgramLookup lookup = FindProgram(commandText);
    if (!lookup.command) {
        return {nullptr, lookup.failureReason, {}};
    }
    const ProgramCommand& command = *lookup.command;
    const std::wstring& workingFolder = folder.empty() ? command.folder : folder;
    // Exactly that file, quoted, so that a path with spaces cannot start another program.
    std::wstring commandLine = command.namesFile ? L"\"" + command.program + L"\"" : commandText;

    auto launch = std::make_unique<Win32LaunchProcesses>();
    launch->SetBegan(SystemTimeNow());
    launch->CreateJob();

    // None of ResoLaunch's standard handles go to the program: a script reading
    // ResoLaunch's output would otherwise wait for the program's end. A console
    // program gets a console of its own (as it does anyway when ResoLaunch has
    // none) and its handles; a Windows program gets none. A Windows program
    // ignores the new console.
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW | (IsConsoleProgram(command.program) ? 0 : STARTF_USESTDHANDLES);
    startup.wShowWindow = SW_SHOWNORMAL;
    // Suspended, so that the program is in its job before it can start anything.
    const DWORD flags = CREATE_SUSPENDED | CREATE_NEW_CONSOLE;
    PROCESS_INFORMATION created{};
    if (::CreateProcessW(command.program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                         workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &created)) {
        const UniqueKernelHandle thread(created.hThread);
        launch->Adopt(UniqueKernelHandle(created.hProcess));
        if (::ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
            const DWORD error = ::GetLastError();
            ::TerminateProcess(launch->Process(), 1);
            return NotStarted(error, command.program);
        }
        const DWORD outsideAnyJob = launch->Job() == nullptr ? launch->ProcessId() : 0;
        return {std::move(launch), std::wstring(), command.program, outsideAnyJob};
    }
    const DWORD error = ::GetLastError();
    if (error != kElevationRequired) {
        return NotStarted(error, command.program);
    }
    // A program that asks for administrator rights: its process handle may be null even then.
    UniqueKernelHandle process;
    if (const DWORD refused = ShellOpen(command.program, command.arguments, workingFolder, process);
        refused != ERROR_SUCCESS) {
        return NotStarted(refused, command.program);
    }
    auto elevated = std::make_unique<Win32LaunchProcesses>();
    elevated->SetBegan(launch->Began());
    elevated->Adopt(std::move(process));
    const DWORD outsideAnyJob = elevated->ProcessId();
    return {std::move(elevated), std::wstring(), command.program, outsideAnyJob};
}

StartedProgram Win32ProgramStarter::OpenThroughShell(const std::wstring& fileOrUrl) {
    auto launch = std::make_unique<Win32LaunchProcesses>();
    launch->SetBegan(SystemTimeNow());
    UniqueKernelHandle process;
    if (const DWORD refused = ShellOpen(fileOrUrl, std::wstring(), std::wstring(), process);
        refused != ERROR_SUCCESS) {
        return NotStarted(refused, fileOrUrl);
    }
    launch->Adopt(std::move(process));
    return {std::move(launch), std::wstring(), std::wstring()};
}

}  // namespace resolaunch
