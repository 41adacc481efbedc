#pragma once

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/existing_files.h"
#include "platform/file_system.h"

namespace resolaunch::testing {

// Files in memory, with a fault that can be injected at any step of a write.
class FakeFileSystem : public FileSystem, public ExistingFiles {
public:
    bool IsExistingFile(const std::wstring& path) override { return files.count(path) != 0; }

    enum class Fault { None, CreateFails, WriteFailsMidway, FlushFails, MoveFails, Throws };

    std::wstring ProgramPath() override {
        if (fault == Fault::Throws) {
            throw std::runtime_error("injected");
        }
        return programPath;
    }

    FileRead ReadFile(const std::wstring& path, std::size_t limit) override {
        if (unreadable.count(path) != 0) {  // there, but it cannot be read
            return {FileRead::Outcome::Failed, {}};
        }
        const auto found = files.find(path);
        if (found == files.end()) {
            return {FileRead::Outcome::NotFound, {}};
        }
        return {FileRead::Outcome::Read, found->second.substr(0, limit)};
    }

    bool WriteNewFile(const std::wstring& path, std::string_view bytes) override {
        switch (fault) {
        case Fault::CreateFails:
            return false;
        case Fault::WriteFailsMidway:
            files[path] = std::string(bytes.substr(0, bytes.size() / 2));
            return false;
        case Fault::FlushFails:
            files[path] = std::string(bytes);
            return false;
        default:
            files[path] = std::string(bytes);
            return true;
        }
    }

    bool MoveReplacing(const std::wstring& from, const std::wstring& to) override {
        const auto found = files.find(from);
        if (fault == Fault::MoveFails || found == files.end()) {
            return false;
        }
        files[to] = found->second;
        files.erase(from);
        if (log != nullptr) {
            log->push_back(L"save " + to.substr(to.find_last_of(L'\\') + 1));
        }
        return true;
    }

    void RemoveFile(const std::wstring& path) override { files.erase(path); }

    bool MoveWithoutReplacing(const std::wstring& from, const std::wstring& to) override {
        const auto found = files.find(from);
        if (found == files.end() || files.count(to) != 0) {
            return false;
        }
        files[to] = found->second;
        files.erase(from);
        return true;
    }
    std::wstring TemporaryFolder() override { return temporaryFolder; }
    bool MakeFolder(const std::wstring& path) override {
        if (folderFails) {
            return false;
        }
        folders.insert(path);
        return true;
    }
    // The files whose path is the folder, "\" and a name.
    std::vector<std::wstring> FileNamesIn(const std::wstring& folder) override {
        std::vector<std::wstring> names;
        for (const auto& [path, bytes] : files) {
            if (path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
                path[folder.size()] == L'\\' && path.find(L'\\', folder.size() + 1) == std::wstring::npos) {
                names.push_back(path.substr(folder.size() + 1));
            }
        }
        return names;
    }

    std::wstring programPath = L"C:\\Games\\ResoLaunch.exe";
    std::wstring temporaryFolder = L"C:\\Users\\player\\AppData\\Local\\Temp";
    std::set<std::wstring> folders;
    bool folderFails = false;  // no folder can be made
    std::map<std::wstring, std::string> files;
    std::set<std::wstring> unreadable;
    Fault fault = Fault::None;
    std::vector<std::wstring>* log = nullptr;  // where a file put in place is noted, when set
};

}  // namespace resolaunch::testing
