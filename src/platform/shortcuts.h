#pragma once

#include <optional>
#include <string>

namespace resolaunch {

// What a shortcut (.lnk) runs and shows.
struct ShortcutLink {
    std::wstring target;         // the program it runs
    std::wstring arguments;      // after the program, as written
    std::wstring workingFolder;
    std::wstring iconFile;       // its first icon is the shortcut's
    std::wstring description;

    friend bool operator==(const ShortcutLink&, const ShortcutLink&) = default;
};

// Shortcut files on the user's desktop.
class Shortcuts {
public:
    virtual ~Shortcuts() = default;

    struct Folder {
        std::optional<std::wstring> path;
        std::wstring failureReason;  // the system's own words, when there is none
    };
    virtual Folder DesktopFolder() = 0;
    virtual bool Exists(const std::wstring& path) = 0;
    // Writes the shortcut file; the system's reason when it could not.
    virtual std::optional<std::wstring> Save(const std::wstring& path, const ShortcutLink& link) = 0;
};

}  // namespace resolaunch
