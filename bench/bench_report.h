#pragma once

// What the Windows benchmark programs share: figures from performance-counter
// readings, medians, formatted lines and the report file they write (a
// program started by Wine's explorer has no usable stdout or exit code).

#include <windows.h>
#include <timeapi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <exception>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace resolaunch::bench {

#ifdef __GNUC__
#define RESOLAUNCH_PRINTF_LIKE __attribute__((format(printf, 1, 2)))
#else
#define RESOLAUNCH_PRINTF_LIKE
#endif

RESOLAUNCH_PRINTF_LIKE inline std::string Format(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    return buffer;
}

// Milliseconds between two performance-counter readings (of any process:
// the counter is the same system-wide).
inline double Ms(long long from, long long to) {
    static const long long frequency = [] {
        LARGE_INTEGER value{};
        ::QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    return static_cast<double>(to - from) * 1000.0 / static_cast<double>(frequency);
}

inline double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// Waits of 1 ms between polls need a 1 ms timer on Windows (Wine has one anyway).
struct FineTimer {
    FineTimer() { ::timeBeginPeriod(1); }
    FineTimer(const FineTimer&) = delete;
    FineTimer& operator=(const FineTimer&) = delete;
    ~FineTimer() { ::timeEndPeriod(1); }
};

// Writes next to the target and renames, so that a reader waiting for the
// file never sees half of it.
inline bool WriteReport(const std::wstring& path, const std::string& text) {
    const std::wstring partial = path + L".partial";
    FILE* file = _wfopen(partial.c_str(), L"wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed && ::MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// Prints the report and writes it to `output`; the exit code for the program.
inline int FinishReport(const std::wstring& output, const std::string& report, int status) {
    std::fputs(report.c_str(), stdout);
    if (!WriteReport(output, report)) {
        std::fprintf(stderr, "could not write the report file\n");
        return 1;
    }
    return status;
}

// A whole-number option of a benchmark's command line, "--name N", and the
// least value it takes.
struct NumberOption {
    const wchar_t* name;
    int* value;
    int least;
};

// Reads the command line of a benchmark that drives ResoLaunch.exe with the
// end-to-end tests' code, "OUTPUT_FILE RESOLAUNCH_EXE TARGET_EXE [--name N]...",
// and tells that code where the two programs are. The output file; nothing,
// after `usage` on stderr, when the line is not like that.
inline std::optional<std::wstring> ReadDriverArguments(int argc, wchar_t** argv, const char* usage,
                                                       std::initializer_list<NumberOption> options) {
    std::vector<std::wstring> files;
    bool good = true;
    for (int i = 1; i < argc; ++i) {
        const auto option = std::find_if(options.begin(), options.end(),
                                         [&](const NumberOption& o) { return std::wcscmp(argv[i], o.name) == 0; });
        if (option == options.end()) {
            files.emplace_back(argv[i]);
        } else if (i + 1 < argc) {
            *option->value = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
            good = good && *option->value >= option->least;
        } else {
            good = false;
        }
    }
    if (!good || files.size() != 3) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return std::nullopt;
    }
    ::SetEnvironmentVariableW(L"RESOLAUNCH_EXE", files[1].c_str());
    ::SetEnvironmentVariableW(L"RESOLAUNCH_E2E_TARGET", files[2].c_str());
    return files[0];
}

// Runs `measure`, which returns the report, and writes it, or what failed,
// to `output`; the exit code for the program.
template <typename Measure>
int RunReport(const std::wstring& output, Measure&& measure) {
    std::string report;
    int status = 0;
    try {
        report = measure();
    } catch (const std::exception& failure) {
        report = std::string("error: ") + failure.what() + "\n";
        status = 1;
    }
    return FinishReport(output, report, status);
}

}  // namespace resolaunch::bench
