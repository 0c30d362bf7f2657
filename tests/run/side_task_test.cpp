// The thread the fits run on: its failure reaches the run, and it is not held to one CPU.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#ifdef __linux__
#include <pthread.h>
#include <sched.h>
#endif

#include "run/side_task.hpp"

namespace {

TEST(SideTask, RunsOnceAndHandsItsFailureToTheWaiter) {
    std::atomic<int> runs{0};
    {
        SideTask task([&] { ++runs; });
        task.wait();
    }
    EXPECT_EQ(runs.load(), 1);

    SideTask failing([] { throw std::runtime_error("no memory for the fits"); });
    EXPECT_THROW(failing.wait(), std::runtime_error);

    // Not waited for: the destructor still lets the work end before anything it uses goes.
    {
        SideTask unwaited([&] { ++runs; });
    }
    EXPECT_EQ(runs.load(), 2);
}

#ifdef __linux__
TEST(SideTask, MayRunOnEveryCpuTheProcessMay) {
    cpu_set_t process;
    ASSERT_EQ(sched_getaffinity(0, sizeof process, &process), 0);
    cpu_set_t seen;
    CPU_ZERO(&seen);
    SideTask task([&] { pthread_getaffinity_np(pthread_self(), sizeof seen, &seen); });
    task.wait();
    EXPECT_TRUE(CPU_EQUAL(&seen, &process)) << CPU_COUNT(&seen) << " of " << CPU_COUNT(&process) << " CPUs";
}
#endif

}  // namespace
