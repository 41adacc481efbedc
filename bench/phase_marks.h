#pragma once
// What the benchmarks that have their processor time read from outside
// share: the phase marks that scripts/lib/bench-phases.sh reads.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "app_under_test.h"

namespace resolaunch::bench {

// A handle that is closed at the end of its scope.
struct OwnedHandle {
    HANDLE handle;
    explicit OwnedHandle(HANDLE h) : handle(h) {}
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() {
        if (handle != nullptr) {
            ::CloseHandle(handle);
        }
    }
};

// Phase names, one a line, as each phase begins or ends. Each mark waits
// until the reader outside has noted it (it writes the count of marks read
// to PATH.read), so that ResoLaunch still runs when the last is read.
class PhaseMarks {
public:
    explicit PhaseMarks(const std::wstring& path) : path_(path), file_(_wfopen(path.c_str(), L"w")) {
        if (file_ == nullptr) {
            throw std::runtime_error("the phase file cannot be written");
        }
    }
    PhaseMarks(const PhaseMarks&) = delete;
    PhaseMarks& operator=(const PhaseMarks&) = delete;
    ~PhaseMarks() { std::fclose(file_); }
    void Mark(const char* phase) {
        std::fprintf(file_, "%s\n", phase);
        std::fflush(file_);
        ++marks_;
        const auto read = [&] {
            return std::atoi(e2e::ReadFileBytes(path_ + L".read").value_or("0").c_str()) >= marks_;
        };
        if (!e2e::WaitUntil(read, std::chrono::milliseconds(5000))) {
            throw std::runtime_error("nothing outside read the phase marks");
        }
    }

private:
    std::wstring path_;
    FILE* file_;
    int marks_ = 0;
};

}  // namespace resolaunch::bench
