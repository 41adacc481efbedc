#pragma once

#include <windows.h>

#include "platform/std_streams.h"
#include "platform/win32_handles.h"

namespace resolaunch {

class Win32StdStreams final : public StdStreams {
public:
    StreamTarget TargetOf(StdStream stream) override;
    void WriteBytes(StdStream stream, std::string_view bytes) override;
    bool AttachParentConsole() override;
    void WriteToConsole(StdStream stream, std::wstring_view text) override;
    void ShowMessageBox(const std::wstring& text, MessageKind kind) override;

private:
    bool attachTried_ = false;
    UniqueFile console_;  // CONOUT$ of the console joined
};

}  // namespace resolaunch
