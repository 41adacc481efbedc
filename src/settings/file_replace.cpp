#include "settings/file_replace.h"

namespace resolaunch {

bool ReplaceFile(FileSystem& files, const std::wstring& path, std::string_view bytes) {
    const std::wstring temporary = path + L".tmp";
    if (files.WriteNewFile(temporary, bytes) && files.MoveReplacing(temporary, path)) {
        return true;
    }
    files.RemoveFile(temporary);
    return false;
}

}  // namespace resolaunch
