// SPDX-License-Identifier: GPL-3.0-or-later
#include "TaskThread.h"

#include <pthread.h>

TaskThread::TaskThread(std::string name)
    : m_name(std::move(name))
    , m_thread([this] { run(); })
{}

TaskThread::~TaskThread()
{
    {
        const std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void TaskThread::post(std::function<void()> task)
{
    {
        const std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_one();
}

void TaskThread::run()
{
    // Linux keeps 15 characters of a thread's name.
    pthread_setname_np(pthread_self(), m_name.substr(0, 15).c_str());
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_ending || !m_tasks.empty(); });
            if (m_tasks.empty())
                return;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
    }
}
