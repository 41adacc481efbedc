#pragma once

#include "platform/shortcuts.h"

namespace resolaunch {

// Shortcut files through the shell's IShellLinkW. The shell's DLLs are
// loaded only when a shortcut is made or read, not at every start.
class Win32Shortcuts final : public Shortcuts {
public:
    Folder DesktopFolder() override;
    bool Exists(const std::wstring& path) override;
    std::optional<std::wstring> Save(const std::wstring& path, const ShortcutLink& link) override;
    std::optional<ShortcutRead> Read(const std::wstring& path) override;
};

}  // namespace resolaunch
