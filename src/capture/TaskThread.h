// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

// A thread of its own that runs the tasks handed to it, one at a time, in
// the order they came. Whoever hands a task over never waits for it; the
// destructor runs what is still queued and then joins.
class TaskThread final
{
public:
    explicit TaskThread(std::string name);
    ~TaskThread();
    TaskThread(const TaskThread&) = delete;
    TaskThread& operator=(const TaskThread&) = delete;

    void post(std::function<void()> task);

private:
    void run();

    std::string m_name;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    bool m_ending = false;
    std::thread m_thread;
};
