#pragma once

#include "platform/program_starter.h"

namespace resolaunch {

// Starts each program in a job object of its own (Win32LaunchProcesses), so
// that everything it starts stays one family; a program that asks for
// administrator rights goes through the consent prompt, as Explorer starts it.
class Win32ProgramStarter final : public ProgramStarter {
public:
    ProgramLookup FindProgram(const std::wstring& commandText) override;
    StartedProgram Start(const std::wstring& commandText, const std::wstring& folder) override;
    StartedProgram OpenThroughShell(const std::wstring& fileOrUrl) override;
};

}  // namespace resolaunch
