#include "platform/file_path.h"

#include "base/ignoring_case.h"

namespace resolaunch {

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        return std::wstring();
    }
    std::wstring folder = path.substr(0, slash);
    if (folder.size() == 2 && folder[1] == L':') {
        folder += L'\\';  // the root of a drive keeps its "\"
    }
    return folder;
}

std::wstring PathInFolder(const std::wstring& folder, const std::wstring& name) {
    std::wstring path = folder;
    if (path.empty() || path.back() != L'\\') {
        path += L'\\';
    }
    return path + name;
}

std::wstring PathBeside(const std::wstring& file, const std::wstring& name) {
    const std::wstring folder = FolderOf(file);
    return folder.empty() ? std::wstring() : PathInFolder(folder, name);
}

std::wstring FileNameOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FileStemOf(const std::wstring& path) {
    std::wstring name = FileNameOf(path);
    const std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot != 0) {
        name.resize(dot);
    }
    return name;
}

bool IsProgramNamed(const std::wstring& path, const std::wstring& name) {
    if (name.find_first_of(L"\\/") != std::wstring::npos) {
        return EqualIgnoringCase(path, name);
    }
    return !name.empty() && EqualIgnoringCase(FileNameOf(path), name);
}

}  // namespace resolaunch
