// The runner's promises: Stop returns only after the job of the run it stops has returned,
// never earlier, and the worker is gone once Stop returns. Run under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "JobRunner.h"

namespace tolvane {
namespace {

using namespace std::chrono_literals;

// A job that polls the runner's stop flag until asked to stop, or returns at once.
struct JobState {
    CJobRunner* runner = nullptr;
    bool returnAtOnce = false;
    std::atomic<int> started{0};
    std::atomic<int> returned{0};
};

int PollingJob(void* parameter) {
    auto* state = static_cast<JobState*>(parameter);
    ++state->started;
    while (!state->returnAtOnce && !state->runner->IsStopRequested()) {
        std::this_thread::sleep_for(1ms);
    }
    std::this_thread::sleep_for(2ms);  // still busy after seeing the flag
    ++state->returned;
    return 7;
}

void WaitUntil(const std::atomic<int>& value, int wanted) {
    for (int i = 0; i < 5000 && value.load() < wanted; ++i) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_GE(value.load(), wanted);
}

TEST(JobRunner, WithoutAJobStartDoesNothingAndStopReturnsAtOnce) {
    CJobRunner runner;
    EXPECT_FALSE(runner.Start());
    EXPECT_FALSE(runner.IsRunRecorded());
    runner.Stop();
    EXPECT_FALSE(runner.IsStopRequested());
}

TEST(JobRunner, StopReturnsOnlyAfterTheJobHasReturned) {
    CJobRunner runner;
    JobState state{&runner};
    runner.SetJob(PollingJob, &state);
    ASSERT_TRUE(runner.Start());
    WaitUntil(state.started, 1);
    runner.Stop();
    EXPECT_EQ(state.returned.load(), 1);
    EXPECT_TRUE(runner.IsStopRequested());  // kept until the next Start
    runner.Stop();                          // a second Stop returns at once
}

TEST(JobRunner, StopWhileIdleLeavesTheFlagAsItWas) {
    CJobRunner runner;
    JobState state{&runner, true};
    runner.SetJob(PollingJob, &state);
    ASSERT_TRUE(runner.Start());
    WaitUntil(state.returned, 1);
    std::this_thread::sleep_for(5ms);
    runner.Stop();
    EXPECT_FALSE(runner.IsStopRequested());
}

// A run that ended by itself must leave nothing behind that lets a later Stop return before
// the later run's job has returned.
TEST(JobRunner, AFinishedRunNeverCutsShortTheNextStop) {
    CJobRunner runner;
    JobState quick{&runner, true};
    runner.SetJob(PollingJob, &quick);
    ASSERT_TRUE(runner.Start());
    WaitUntil(quick.returned, 1);

    JobState slow{&runner};
    runner.SetJob(PollingJob, &slow);
    ASSERT_TRUE(runner.Start());
    WaitUntil(slow.started, 1);
    runner.Stop();
    EXPECT_EQ(slow.returned.load(), 1);
}

TEST(JobRunner, StartDuringARunStopsItFirst) {
    CJobRunner runner;
    JobState state{&runner};
    runner.SetJob(PollingJob, &state);
    ASSERT_TRUE(runner.Start());
    WaitUntil(state.started, 1);
    ASSERT_TRUE(runner.Start());
    EXPECT_EQ(state.returned.load(), 1);  // the first run ended before the second began
    WaitUntil(state.started, 2);
    EXPECT_FALSE(runner.IsStopRequested());
    runner.Stop();
    EXPECT_EQ(state.returned.load(), 2);
}

TEST(JobRunner, DestroyingDuringARunWaitsForTheJob) {
    JobState state;
    {
        auto runner = std::make_unique<CJobRunner>();
        state.runner = runner.get();
        runner->SetJob(PollingJob, &state);
        ASSERT_TRUE(runner->Start());
        WaitUntil(state.started, 1);
    }
    EXPECT_EQ(state.returned.load(), 1);
}

// Many cycles of start and stop, with the runner destroyed right after each Stop: under
// ThreadSanitizer any touch of the runner by a late worker shows up as a race or a
// use after free.
TEST(JobRunner, ManyStartStopCyclesAreClean) {
    for (int cycle = 0; cycle < 200; ++cycle) {
        JobState state;
        state.returnAtOnce = (cycle % 3 == 0);
        auto runner = std::make_unique<CJobRunner>();
        state.runner = runner.get();
        runner->SetJob(PollingJob, &state);
        ASSERT_TRUE(runner->Start());
        if (cycle % 2 == 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(cycle % 5 * 100));
        }
        runner->Stop();
        EXPECT_EQ(state.returned.load(), state.started.load());
        runner.reset();
    }
}

}  // namespace
}  // namespace tolvane
