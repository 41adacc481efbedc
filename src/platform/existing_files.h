#pragma once

#include <string>

namespace resolaunch {

// Whether a path names a file that exists (not a folder). Paths are the platform's own.
class ExistingFiles {
public:
    virtual ~ExistingFiles() = default;
    virtual bool IsExistingFile(const std::wstring& path) = 0;
};

}  // namespace resolaunch
