#include "platform/win32_launch_follower.h"

#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/file_path.h"
#include "platform/file_system.h"
#include "platform/job_end.h"
#include "platform/win32_launch_processes.h"
#include "platform/win32_process_times.h"

namespace resolaunch {
namespace {

// How often processes outside the job are looked for while any followed one runs.
constexpr DWORD kSnapshotEveryMs = 1000;

// The completion key that tells the follower thread of follow number n to
// stop: an odd number, which no job handle (the key of the job's own
// messages) is. A stop meant for an earlier follower is passed over.
ULONG_PTR StopKey(unsigned follow) { return (ULONG_PTR{follow} << 1) | 1; }

// What the follower thread waits on, and where it reports.
struct FollowedLaunch {
    LaunchId id;
    ULONG_PTR stopKey;
    HANDLE port;     // the job's completion port, or null
    HANDLE job;      // with the port: the job
    HANDLE process;  // without a job: the started program, or null
    HANDLE stop;
    HWND reportWindow;  // or, without one, the thread
    DWORD reportThread;
    UINT reportMessage;
};

// True when `process` has ended; false when told to stop first.
bool WaitForProcess(HANDLE process, HANDLE stop) {
    if (process == nullptr) {
        return true;
    }
    const HANDLE waits[] = {stop, process};
    return ::WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
}

// The port of a followed launch's job, as the follower thread reads it.
class Win32JobPort final : public JobPort {
public:
    Win32JobPort(HANDLE port, HANDLE job, ULONG_PTR stopKey) : port_(port), job_(job), stopKey_(stopKey) {}

    JobPortEvent Next(std::chrono::milliseconds quiet) override {
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED detail = nullptr;
        if (!::GetQueuedCompletionStatus(port_, &message, &key, &detail, static_cast<DWORD>(quiet.count()))) {
            return detail == nullptr && ::GetLastError() == WAIT_TIMEOUT ? JobPortEvent::Quiet : JobPortEvent::Stop;
        }
        if (key == stopKey_) {
            return JobPortEvent::Stop;
        }
        return (key & 1) == 0 && message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO ? JobPortEvent::NoProcessLeft
                                                                                : JobPortEvent::Other;
    }

    bool Empty() override {
        const std::optional<std::vector<uint32_t>> processes = ProcessesOfJob(job_);
        return processes && processes->empty();
    }

private:
    HANDLE port_;
    HANDLE job_;
    ULONG_PTR stopKey_;
};

// The processes followed outside the job: each held open to its end and
// after (so that its id names no other process while it is followed).
class ProcessTree {
public:
    // The keeper is opened at once: its id may name another process by the time the family has ended.
    ProcessTree(const FollowRule& rule, uint64_t began) : rule_(rule), began_(began) {
        if (rule.keeper != 0) {
            Add(rule.keeper, nullptr);
        }
    }
    ProcessTree(ProcessTree&&) = default;

    // True once nothing followed is left; false when told to stop first.
    bool WaitForEnd(HANDLE stop) {
        for (;;) {
            LookForNew();
            std::vector<HANDLE> waits{stop};
            for (const Followed& process : followed_) {
                if (!process.ended && waits.size() < MAXIMUM_WAIT_OBJECTS) {
                    waits.push_back(process.handle.get());
                }
            }
            if (waits.size() == 1) {
                return true;
            }
            const DWORD woke = ::WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE,
                                                        rule_.descendants || !rule_.named.empty() ? kSnapshotEveryMs
                                                                                                  : INFINITE);
            if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) {
                return false;
            }
            for (Followed& process : followed_) {
                process.ended = process.ended || ::WaitForSingleObject(process.handle.get(), 0) != WAIT_TIMEOUT;
            }
        }
    }

private:
    struct Followed {
        DWORD id;
        UniqueKernelHandle handle;
        uint64_t created;
        bool ended = false;
    };

    // Follows the process when it is what it seems: started after its parent
    // (ids are reused), or since the launch began for a named one.
    void Add(DWORD id, const Followed* parent) {
        UniqueKernelHandle handle(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
        const std::optional<uint64_t> created = CreationTimeOf(handle.get());
        if (!created || (parent != nullptr && *created < parent->created)) {
            return;
        }
        followed_.push_back({id, std::move(handle), *created});
    }

    bool Follows(DWORD id) const {
        return std::any_of(followed_.begin(), followed_.end(), [&](const Followed& p) { return p.id == id; });
    }

    bool IsNamed(const PROCESSENTRY32W& entry) {
        if (rule_.named.empty() || !IsProgramNamed(entry.szExeFile, FileNameOf(rule_.named))) {
            return false;
        }
        UniqueKernelHandle handle(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        const std::optional<uint64_t> created = CreationTimeOf(handle.get());
        if (!created || *created < began_) {
            return false;
        }
        std::wstring path(kLongestPath, L'\0');
        DWORD length = static_cast<DWORD>(path.size());
        if (!::QueryFullProcessImageNameW(handle.get(), 0, path.data(), &length)) {
            return false;
        }
        path.resize(length);
        return IsProgramNamed(path, rule_.named);
    }

    // One snapshot: what a followed process started, and new processes of the name.
    void LookForNew() {
        if (!rule_.descendants && rule_.named.empty()) {
            return;
        }
        const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        std::vector<PROCESSENTRY32W> entries;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        if (!snapshot || !::Process32FirstW(snapshot.get(), &entry)) {
            return;
        }
        do {
            if (!Follows(entry.th32ProcessID)) {
                entries.push_back(entry);
            }
        } while (::Process32NextW(snapshot.get(), &entry));
        // A child may be listed before its parent: until nothing more is found.
        for (bool found = true; found;) {
            found = false;
            for (const PROCESSENTRY32W& candidate : entries) {
                if (Follows(candidate.th32ProcessID)) {
                    continue;
                }
                const auto parent = std::find_if(followed_.begin(), followed_.end(), [&](const Followed& p) {
                    return p.id == candidate.th32ParentProcessID;
                });
                if (rule_.descendants && parent != followed_.end()) {
                    Add(candidate.th32ProcessID, &*parent);
                } else if (IsNamed(candidate)) {
                    Add(candidate.th32ProcessID, nullptr);
                }
                found = found || Follows(candidate.th32ProcessID);
            }
        }
    }

    FollowRule rule_;
    uint64_t began_;
    std::vector<Followed> followed_;
};

void FollowOnThread(const FollowedLaunch& launch, bool family, ProcessTree& tree) {
    if (family) {
        if (launch.port != nullptr) {
            Win32JobPort port(launch.port, launch.job, launch.stopKey);
            if (!WaitForEmptyJob(port)) {
                return;
            }
        } else if (!WaitForProcess(launch.process, launch.stop)) {
            return;
        }
    }
    if (!tree.WaitForEnd(launch.stop)) {
        return;
    }
    if (launch.reportWindow != nullptr) {
        ::PostMessageW(launch.reportWindow, launch.reportMessage, launch.id, 0);
    } else if (launch.reportThread != 0) {
        ::PostThreadMessageW(launch.reportThread, launch.reportMessage, launch.id, 0);
    }
}

}  // namespace

Win32LaunchFollower::Win32LaunchFollower() : stop_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

Win32LaunchFollower::~Win32LaunchFollower() { Stop(); }

void Win32LaunchFollower::ReportEndsTo(HWND window, UINT message) {
    reportWindow_ = window;
    reportThread_ = window == nullptr ? ::GetCurrentThreadId() : 0;
    reportMessage_ = message;
}

void Win32LaunchFollower::Follow(LaunchId launch, LaunchProcesses& processes, const FollowRule& rule) {
    Stop();
    auto* win32 = dynamic_cast<Win32LaunchProcesses*>(&processes);
    if (win32 == nullptr || !stop_) {
        return;
    }
    ::ResetEvent(stop_.get());
    followedPort_ = win32->Port();
    const FollowedLaunch followed{launch,
                                  StopKey(++follows_),
                                  win32->Port(),
                                  win32->Job(),
                                  win32->Job() != nullptr ? nullptr : win32->Process(),
                                  stop_.get(),
                                  reportWindow_,
                                  reportThread_,
                                  reportMessage_};
    follower_ = std::thread([followed, family = rule.family, tree = ProcessTree(rule, win32->Began())]() mutable {
        FollowOnThread(followed, family, tree);
    });
}

void Win32LaunchFollower::Stop() {
    if (!follower_.joinable()) {
        return;
    }
    ::SetEvent(stop_.get());
    if (followedPort_ != nullptr) {
        ::PostQueuedCompletionStatus(followedPort_, 0, StopKey(follows_), nullptr);
    }
    follower_.join();
    followedPort_ = nullptr;
}

}  // namespace resolaunch
