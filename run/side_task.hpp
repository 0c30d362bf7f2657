#pragma once
// Work done on a thread of its own beside the calling thread's, started on another CPU than the
// caller's where the process may use more than one. A new thread is otherwise queued on its
// creator's CPU and, while the creator keeps that CPU busy, waits there until the scheduler moves
// it: milliseconds, as long as the work it was meant to overlap. Once started, the thread may run
// anywhere the process may.
#include <functional>
#include <future>
#include <thread>

class SideTask {
public:
    // Starts the work; throws std::system_error when no thread can be had.
    explicit SideTask(std::function<void()> work);
    ~SideTask();  // waits for the work to end
    SideTask(const SideTask&) = delete;
    SideTask& operator=(const SideTask&) = delete;

    // Waits for the work to end and rethrows what it threw, once.
    void wait();

private:
    std::future<void> done_;
    std::thread thread_;
};
