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

// What a .lnk file starts, as read.
struct ShortcutRead {
    std::wstring target;  // the file it starts; empty for a link to no file (a store app, a URL)
    std::wstring arguments;
    std::wstring workingFolder;
    // Only the shell can open it: a link to no file, an advertised link (an
    // installer's), or one marked to run as administrator.
    bool opensThroughShell = false;

    friend bool operator==(const ShortcutRead&, const ShortcutRead&) = default;
};

// Shortcut files: those made on the user's desktop, and those read to start.
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
    // Reads a .lnk file without any UI and without looking for a target that
    // has moved; nothing when it cannot be read.
    virtual std::optional<ShortcutRead> Read(const std::wstring& path) = 0;
};

}  // namespace resolaunch
