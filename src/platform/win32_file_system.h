#pragma once

#include "platform/ansi_codec.h"
#include "platform/existing_files.h"
#include "platform/file_system.h"

namespace resolaunch {

// Whether a path names a file that exists (not a folder).
bool IsExistingFilePath(const std::wstring& path);

class Win32FileSystem final : public FileSystem, public ExistingFiles {
public:
    bool IsExistingFile(const std::wstring& path) override;
    std::wstring ProgramPath() override;
    FileRead ReadFile(const std::wstring& path, std::size_t limit) override;
    bool WriteNewFile(const std::wstring& path, std::string_view bytes) override;
    bool MoveReplacing(const std::wstring& from, const std::wstring& to) override;
    void RemoveFile(const std::wstring& path) override;
    bool MoveWithoutReplacing(const std::wstring& from, const std::wstring& to) override;
    std::wstring TemporaryFolder() override;
    bool MakeFolder(const std::wstring& path) override;
    std::vector<std::wstring> FileNamesIn(const std::wstring& folder) override;
};

// The system's ANSI code page (or another one named) through
// WideCharToMultiByte / MultiByteToWideChar.
class Win32AnsiCodec final : public AnsiCodec {
public:
    explicit Win32AnsiCodec(unsigned codePage = 0 /* CP_ACP */) : codePage_(codePage) {}
    std::optional<std::string> Encode(std::wstring_view text) override;
    std::wstring Decode(std::string_view bytes) override;

private:
    unsigned codePage_;
};

}  // namespace resolaunch
