#include "run/side_task.hpp"

#include <utility>

#ifdef __linux__
#include <pthread.h>
#include <sched.h>
#endif

namespace {

#ifdef __linux__
// The CPUs the process may use, read before the thread starts.
struct Placement {
    cpu_set_t allowed;
    bool known = false;
};

Placement placementNow() {
    Placement p;
    CPU_ZERO(&p.allowed);
    p.known = sched_getaffinity(0, sizeof p.allowed, &p.allowed) == 0;
    return p;
}

// Moves a thread that has not run yet off the caller's CPU; nothing when no other CPU is allowed.
void moveOffThisCpu(std::thread& thread, const Placement& p) {
    const int here = sched_getcpu();
    if (!p.known || here < 0) return;
    cpu_set_t others = p.allowed;
    CPU_CLR(here, &others);
    if (CPU_COUNT(&others) > 0) pthread_setaffinity_np(thread.native_handle(), sizeof others, &others);
}

// The thread's first act: every allowed CPU again, so that it is never held to one.
void allowEverywhere(const Placement& p) {
    if (p.known) pthread_setaffinity_np(pthread_self(), sizeof p.allowed, &p.allowed);
}
#endif

}  // namespace

SideTask::SideTask(std::function<void()> work) {
    std::packaged_task<void()> task(std::move(work));
    done_ = task.get_future();
#ifdef __linux__
    const Placement placement = placementNow();
    // The thread widens its CPUs only once it has been moved, or the move would undo the widening.
    std::promise<void> moved;
    thread_ = std::thread([task = std::move(task), placement, moved = moved.get_future()]() mutable {
        moved.wait();
        allowEverywhere(placement);
        task();
    });
    moveOffThisCpu(thread_, placement);
    moved.set_value();
#else
    thread_ = std::thread(std::move(task));
#endif
}

SideTask::~SideTask() {
    if (thread_.joinable()) thread_.join();
}

void SideTask::wait() {
    if (thread_.joinable()) thread_.join();
    if (done_.valid()) done_.get();
}
