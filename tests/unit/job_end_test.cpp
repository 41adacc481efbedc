#include <gtest/gtest.h>

#include <deque>

#include "platform/job_end.h"

namespace resolaunch {
namespace {

// A port that gives the events a test lists, then stops the follower; the job
// is empty from a given event on.
struct ScriptedJobPort : JobPort {
    std::deque<JobPortEvent> events;
    int emptyFrom = -1;  // the number of events read once the job is empty; -1: never
    int read = 0;
    std::vector<std::chrono::milliseconds> waits;

    JobPortEvent Next(std::chrono::milliseconds quiet) override {
        waits.push_back(quiet);
        if (events.empty()) {
            return JobPortEvent::Stop;
        }
        ++read;
        const JobPortEvent next = events.front();
        events.pop_front();
        return next;
    }
    bool Empty() override { return emptyFrom >= 0 && read >= emptyFrom; }
};

using enum JobPortEvent;

TEST(WaitForEmptyJob, SeesTheEndWhenThePortsMessageOfItIsLost) {
    ScriptedJobPort port;
    port.events = {Other, Other, Quiet, Other, Quiet, Quiet};
    port.emptyFrom = 5;  // the last process ended; its messages never came
    EXPECT_TRUE(WaitForEmptyJob(port));
    EXPECT_EQ(port.read, 5);
    for (const std::chrono::milliseconds wait : port.waits) {
        EXPECT_EQ(wait, kQuietJobPortCheck);  // never an endless wait, never a busy one
    }
    EXPECT_LE(kQuietJobPortCheck, std::chrono::seconds(4)) << "the end is to be seen within 5 s";
}

TEST(WaitForEmptyJob, GoesOnWhileProcessesLiveAndStopsWhenTold) {
    ScriptedJobPort port;
    port.events = {Quiet, Other, Quiet, Quiet};
    EXPECT_FALSE(WaitForEmptyJob(port));
    EXPECT_EQ(port.read, 4);

    ScriptedJobPort ended;
    ended.events = {Other, NoProcessLeft, Quiet};
    EXPECT_TRUE(WaitForEmptyJob(ended));
    EXPECT_EQ(ended.read, 2);
}

}  // namespace
}  // namespace resolaunch
