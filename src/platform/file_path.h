#pragma once

#include <string>

namespace resolaunch {

// The folder of a file given its full path, as the platform reports folders:
// without a trailing "\" except at the root of a drive ("C:\"). Empty when
// the path names no folder.
std::wstring FolderOf(const std::wstring& path);

// The folder, one "\" and the name.
std::wstring PathInFolder(const std::wstring& folder, const std::wstring& name);

// The file named `name` in the folder of `file`, such as path.txt beside the
// program's exe; empty when `file` names no folder.
std::wstring PathBeside(const std::wstring& file, const std::wstring& name);

// The last part of a path, after its last "\" or "/".
std::wstring FileNameOf(const std::wstring& path);

// The file name without its extension: "game" for "C:\Games\game.exe".
std::wstring FileStemOf(const std::wstring& path);

// Whether a program's full path is the one `name` stands for: a full path
// (with a "\" or "/") names that file, a file name any file of that name;
// without regard to case.
bool IsProgramNamed(const std::wstring& path, const std::wstring& name);

}  // namespace resolaunch
