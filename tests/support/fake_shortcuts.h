#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/shortcuts.h"

namespace resolaunch::testing {

// A desktop folder in memory.
class FakeShortcuts : public Shortcuts {
public:
    Folder DesktopFolder() override {
        return desktop ? Folder{desktop, L""} : Folder{std::nullopt, L"no desktop"};
    }
    bool Exists(const std::wstring& path) override { return saved.count(path) != 0 || taken.count(path) != 0; }
    std::optional<std::wstring> Save(const std::wstring& path, const ShortcutLink& link) override {
        if (saveFailure) {
            return saveFailure;
        }
        saved[path] = link;
        return std::nullopt;
    }
    std::optional<ShortcutRead> Read(const std::wstring& path) override {
        const auto found = links.find(path);
        return found != links.end() ? std::optional<ShortcutRead>(found->second) : std::nullopt;
    }

    std::optional<std::wstring> desktop = L"C:\\Users\\player\\Desktop";
    std::set<std::wstring> taken;  // files there already
    std::optional<std::wstring> saveFailure;
    std::map<std::wstring, ShortcutLink> saved;
    std::map<std::wstring, ShortcutRead> links;  // what Read finds
};

}  // namespace resolaunch::testing
