#include "platform/win32_launch_follower.h"

#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/file_path.h"
#include "platform/file_system.h"
#include "platform/job_end.h"
#include "platform/win32_launch_processes.h"
#include "platform/win32_processes.h"

namespace resolaunch {
namespace {

// How often processes outside the job are looked for while a followed one
// runs outside it: once a second at first, then ever less often while
// nothing changes (a snapshot costs some milliseconds under Wine), at least
// every kSnapshotSlowestMs. Every end, and every new process of the job, is
// looked at once.
constexpr DWORD kSnapshotFirstMs = 1000;
constexpr DWORD kSnapshotSlowestMs = 30000;

// The completion key that tells the follower thread of follow number n to
// stop: an odd number, which no job handle (the key of the job's own
// messages) is. A stop meant for an earlier follower is passed over.
ULONG_PTR StopKey(unsigned follow) { return (ULONG_PTR{follow} << 1) | 1; }

// What the follower thread waits on, and where it reports.
struct FollowedLaunch {
    LaunchId id;
    ULONG_PTR stopKey;
    HANDLE port;     // the job's completion port, else one of the follower's own
    HANDLE job;      // or null
    bool jobReports;  // the job reports to `port` (the job's port is not another process's)
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

// The id of the process that created `process`, as the system keeps it with
// the process itself (also after that one has ended); 0 when it will not tell.
DWORD CreatorOf(HANDLE process) {
    struct BasicInformation {
        LONG_PTR exitStatus;
        ULONG_PTR peb;
        ULONG_PTR affinity;
        LONG_PTR basePriority;
        ULONG_PTR id;
        ULONG_PTR creatorId;
    };
    using QueryInformationProcess = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<QueryInformationProcess>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    BasicInformation information{};
    constexpr int kProcessBasicInformation = 0;
    if (query == nullptr || query(process, kProcessBasicInformation, &information, sizeof(information), nullptr) < 0) {
        return 0;
    }
    return static_cast<DWORD>(information.creatorId);
}

// The key of "a followed process has ended", posted by the system's wait
// thread: no job handle (a multiple of 4) nor stop key (odd) is 2.
constexpr ULONG_PTR kProcessEndKey = 2;

void CALLBACK PostEndTo(void* port, BOOLEAN) {
    ::PostQueuedCompletionStatus(static_cast<HANDLE>(port), 0, kProcessEndKey, nullptr);
}

// A job whose port reports to another process (the guard holds its owner's
// launch): the follower thread itself waits for the end of the job's
// processes, or for its stop, and asks the job at each end. No thread of the
// system's pool: under Wine each costs megabytes, and the guard is to stay small.
class Win32JobMembers final : public JobPort {
public:
    Win32JobMembers(HANDLE job, HANDLE stop) : job_(job), stop_(stop) {}

    JobPortEvent Next(std::chrono::milliseconds quiet) override {
        if (Empty()) {
            return JobPortEvent::NoProcessLeft;
        }
        // Beyond what one wait takes, an end is seen at the next quiet look.
        std::vector<HANDLE> waits{stop_};
        std::vector<Member*> waited{nullptr};
        for (Member& member : members_) {
            if (!member.ended && member.handle && waits.size() < MAXIMUM_WAIT_OBJECTS) {
                waits.push_back(member.handle.get());
                waited.push_back(&member);
            }
        }
        const DWORD woke = ::WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE,
                                                    static_cast<DWORD>(quiet.count()));
        if (woke == WAIT_TIMEOUT) {
            return JobPortEvent::Quiet;
        }
        if (woke > WAIT_OBJECT_0 && woke < WAIT_OBJECT_0 + waits.size()) {
            waited[woke - WAIT_OBJECT_0]->ended = true;
            return JobPortEvent::Other;
        }
        return JobPortEvent::Stop;
    }

    // Asks the job, and holds each process new to it.
    bool Empty() override {
        const std::optional<std::vector<uint32_t>> processes = ProcessesOfJob(job_);
        if (!processes) {
            return false;
        }
        for (const uint32_t id : *processes) {
            if (std::none_of(members_.begin(), members_.end(), [&](const Member& member) { return member.id == id; })) {
                // Held open: its id names no other process meanwhile.
                members_.push_back({id, UniqueKernelHandle(::OpenProcess(SYNCHRONIZE, FALSE, id)), false});
            }
        }
        return processes->empty();
    }

private:
    struct Member {
        uint32_t id;
        UniqueKernelHandle handle;
        bool ended;
    };

    HANDLE job_;
    HANDLE stop_;
    std::vector<Member> members_;
};

// The processes a rule follows once the family is no longer waited for: the
// keeper and, with `descendants`, what it starts; the processes of a name.
// Each is held open to its end and after (so that its id names no other
// process while it is followed). One completion port wakes the wait: the
// job's (its new processes are looked at as they come), or one of its own; a
// process's end is posted to it. What a process outside the job starts is
// found in a snapshot, at most once a second.
class ProcessTree {
public:
    // The keeper is opened at once: its id may name another process by the time the family has ended.
    ProcessTree(const FollowRule& rule, uint64_t began, HANDLE job) : rule_(rule), began_(began), job_(job) {
        if (rule.keeper != 0) {
            Add(rule.keeper, nullptr);
        }
    }
    ProcessTree(ProcessTree&& other) noexcept = default;
    ProcessTree& operator=(ProcessTree&&) = delete;
    ~ProcessTree() {
        for (Followed& process : followed_) {
            if (process.wait != nullptr) {
                ::UnregisterWaitEx(process.wait, INVALID_HANDLE_VALUE);  // its callback is over
            }
        }
    }

    // True once nothing followed is left; false when told to stop first.
    bool WaitForEnd(HANDLE port, ULONG_PTR stopKey) {
        port_ = port;
        const bool looks = rule_.descendants || !rule_.named.empty();
        DWORD snapshotEvery = kSnapshotFirstMs;
        for (bool timedOut = false;; ) {
            const std::size_t followed = followed_.size();
            if (looks) {
                LookForNew();
            }
            bool anyLive = false;
            bool anyEnded = false;
            bool anyOutsideJob = !rule_.named.empty();
            for (Followed& process : followed_) {
                const bool ended = process.ended || ::WaitForSingleObject(process.handle.get(), 0) != WAIT_TIMEOUT;
                anyEnded = anyEnded || ended != process.ended;
                process.ended = ended;
                anyOutsideJob = anyOutsideJob || (!ended && !process.inJob);
                if (!process.ended && process.wait == nullptr &&
                    !::RegisterWaitForSingleObject(&process.wait, process.handle.get(), PostEndTo, port_, INFINITE,
                                                   WT_EXECUTEONLYONCE)) {
                    process.wait = nullptr;
                }
                anyLive = anyLive || !process.ended;
            }
            if (!anyLive) {
                return true;
            }
            if (followed_.size() != followed || anyEnded) {
                snapshotEvery = kSnapshotFirstMs;
            } else if (timedOut) {
                snapshotEvery = std::min(snapshotEvery * 2, kSnapshotSlowestMs);
            }
            DWORD message = 0;
            ULONG_PTR key = 0;
            LPOVERLAPPED detail = nullptr;
            const DWORD timeout = looks && anyOutsideJob ? snapshotEvery : INFINITE;
            timedOut = !::GetQueuedCompletionStatus(port_, &message, &key, &detail, timeout);
            if (timedOut && (detail != nullptr || ::GetLastError() != WAIT_TIMEOUT)) {
                return false;
            }
            if (!timedOut && key == stopKey) {
                return false;
            }
            // What else came meanwhile (a launcher's burst of new processes) is looked at in one snapshot.
            for (bool more = !timedOut; more; more = ::GetQueuedCompletionStatus(port_, &message, &key, &detail, 0)) {
                if (key == stopKey) {
                    return false;
                }
                const bool ofJob = job_ != nullptr && key == reinterpret_cast<ULONG_PTR>(job_);
                if (ofJob && message == JOB_OBJECT_MSG_NEW_PROCESS) {
                    AddJobMember(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(detail)));
                }
            }
        }
    }

private:
    struct Followed {
        DWORD id = 0;
        UniqueKernelHandle handle;
        uint64_t created = 0;
        bool inJob = false;  // its new processes are the job's: the port tells of them
        bool ended = false;
        HANDLE wait = nullptr;  // the system's wait for its end
    };

    // Follows the process when it is what it seems: started after its parent
    // (ids are reused), or since the launch began for a named one.
    void Add(DWORD id, const Followed* parent) {
        UniqueKernelHandle handle(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
        const std::optional<uint64_t> created = CreationTimeOf(handle.get());
        if (!created || (parent != nullptr && *created < parent->created)) {
            return;
        }
        bool inJob = false;
        if (job_ != nullptr) {
            const std::optional<std::vector<uint32_t>> members = ProcessesOfJob(job_);
            inJob = members && std::find(members->begin(), members->end(), id) != members->end();
        }
        followed_.push_back({id, std::move(handle), *created, inJob});
    }

    // A new process of the job, asked at once, while the process that created
    // it may still run: a program that starts the game and ends at once
    // would be gone by the next snapshot.
    void AddJobMember(DWORD id) {
        if (!rule_.descendants || Find(id) != nullptr) {
            return;
        }
        UniqueKernelHandle handle(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
        const Followed* creator = handle ? Find(CreatorOf(handle.get())) : nullptr;
        const std::optional<uint64_t> created = CreationTimeOf(handle.get());
        if (creator == nullptr || !created || *created < creator->created) {
            return;
        }
        followed_.push_back({id, std::move(handle), *created, true});
    }

    const Followed* Find(DWORD id) const {
        const auto found =
            std::find_if(followed_.begin(), followed_.end(), [&](const Followed& process) { return process.id == id; });
        return found != followed_.end() ? &*found : nullptr;
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
        return IsProgramNamed(ImagePathOfProcess(handle.get()), rule_.named);
    }

    // One snapshot: what a followed process started, and new processes of the name.
    void LookForNew() {
        std::vector<PROCESSENTRY32W> entries;
        ForEachProcess([&](const PROCESSENTRY32W& entry) {
            if (Find(entry.th32ProcessID) == nullptr) {
                entries.push_back(entry);
            }
            return true;
        });
        // A child may be listed before its parent: until nothing more is found.
        for (bool found = true; found;) {
            found = false;
            for (const PROCESSENTRY32W& candidate : entries) {
                if (Find(candidate.th32ProcessID) != nullptr) {
                    continue;
                }
                const std::size_t before = followed_.size();
                if (const Followed* parent = Find(candidate.th32ParentProcessID); rule_.descendants && parent) {
                    Add(candidate.th32ProcessID, parent);
                } else if (IsNamed(candidate)) {
                    Add(candidate.th32ProcessID, nullptr);
                }
                found = found || followed_.size() != before;
            }
        }
    }

    FollowRule rule_;
    uint64_t began_;
    HANDLE job_;  // or null
    HANDLE port_ = nullptr;
    std::vector<Followed> followed_;
};

void FollowOnThread(const FollowedLaunch& launch, bool family, ProcessTree& tree) {
    if (family) {
        if (launch.job != nullptr && launch.jobReports) {
            Win32JobPort port(launch.port, launch.job, launch.stopKey);
            if (!WaitForEmptyJob(port)) {
                return;
            }
        } else if (launch.job != nullptr) {
            Win32JobMembers members(launch.job, launch.stop);
            if (!WaitForEmptyJob(members)) {
                return;
            }
        } else if (!WaitForProcess(launch.process, launch.stop)) {
            return;
        }
    }
    if (!tree.WaitForEnd(launch.port, launch.stopKey)) {
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
    if (followedPort_ == nullptr) {
        ownPort_.reset(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
        if (!ownPort_) {
            return;
        }
        followedPort_ = ownPort_.get();
    }
    const FollowedLaunch followed{launch,
                                  StopKey(++follows_),
                                  followedPort_,
                                  win32->Job(),
                                  win32->Port() != nullptr,
                                  win32->Job() != nullptr ? nullptr : win32->Process(),
                                  stop_.get(),
                                  reportWindow_,
                                  reportThread_,
                                  reportMessage_};
    // Without the job's messages, what its processes start is found in snapshots, as outside it.
    ProcessTree tree(rule, win32->Began(), win32->Port() != nullptr ? win32->Job() : nullptr);
    follower_ = std::thread([followed, family = rule.family, tree = std::move(tree)]() mutable {
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
    ownPort_.reset();
}

}  // namespace resolaunch
