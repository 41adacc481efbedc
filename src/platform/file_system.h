#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace resolaunch {

// The longest path the platform allows, in characters, with its terminating null.
inline constexpr std::size_t kLongestPath = 32768;

// What a read found. A file that is missing may be written afresh; one that
// exists but cannot be read must be left as it is.
struct FileRead {
    enum class Outcome { Read, NotFound, Failed };
    Outcome outcome = Outcome::NotFound;
    std::string bytes;  // when read

    // The bytes when read, else nothing.
    std::optional<std::string> Bytes() && {
        return outcome == Outcome::Read ? std::optional<std::string>(std::move(bytes)) : std::nullopt;
    }
};

// The few file operations the settings and the switch records need. Paths are the platform's own.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The full path of the running program's executable; empty if unknown.
    virtual std::wstring ProgramPath() = 0;

    // The file's first `limit` bytes at most, or why there are none.
    virtual FileRead ReadFile(const std::wstring& path, std::size_t limit) = 0;

    // Creates the file (emptying one left from before), writes all of
    // `bytes` and flushes them to the disk. False on any failure; a partly
    // written file may then remain.
    virtual bool WriteNewFile(const std::wstring& path, std::string_view bytes) = 0;

    // Puts `from` in the place of `to` in one step, replacing `to` if it exists.
    virtual bool MoveReplacing(const std::wstring& from, const std::wstring& to) = 0;

    virtual void RemoveFile(const std::wstring& path) = 0;

    // Moves `from` to `to` only when no file is at `to`: of two callers, one
    // at most succeeds.
    virtual bool MoveWithoutReplacing(const std::wstring& from, const std::wstring& to) = 0;
    // The user's folder for temporary files; empty when there is none.
    virtual std::wstring TemporaryFolder() = 0;
    // Makes the folder; true when it is there afterwards.
    virtual bool MakeFolder(const std::wstring& path) = 0;
    // The names of the files in a folder; empty when it cannot be read.
    virtual std::vector<std::wstring> FileNamesIn(const std::wstring& folder) = 0;
};

}  // namespace resolaunch
