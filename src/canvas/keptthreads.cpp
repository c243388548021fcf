#include "keptthreads.h"

#include <algorithm>
#include <pthread.h>
#include <sched.h>
#include <utility>

KeptThreads::~KeptThreads()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        for (Worker &worker : m_workers)
            worker.wake.notify_one();
    }
    for (Worker &worker : m_workers)
        worker.thread.join();
}

KeptThreads &KeptThreads::shared()
{
    static KeptThreads threads;
    return threads;
}

void KeptThreads::run(std::function<void()> job)
{
    std::unique_lock lock(m_mutex);
    const auto idle = std::find_if(
        m_workers.begin(), m_workers.end(), [](const Worker &worker) { return !worker.busy; });
    if (idle != m_workers.end()) {
        idle->job = std::move(job);
        idle->busy = true;
        // Woken once the lock is free, it need not wait for it.
        lock.unlock();
        idle->wake.notify_one();
        return;
    }
    Worker &worker = m_workers.emplace_back();
    worker.job = std::move(job);
    worker.busy = true;
    try {
        worker.thread = std::thread([this, &worker] {
            // Woken, they do not take the core from the thread that woke them, which has
            // the window to map and faces to paint, nor from the display server.
            sched_param normal {};
            pthread_setschedparam(pthread_self(), SCHED_BATCH, &normal);
            serve(worker);
        });
    } catch (...) {
        m_workers.pop_back();
        throw;
    }
}

int KeptThreads::threadCount() const
{
    std::lock_guard lock(m_mutex);
    return int(m_workers.size());
}

void KeptThreads::serve(Worker &worker)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        worker.wake.wait(lock, [&] { return worker.job || m_stopping; });
        if (!worker.job)
            return;
        std::function<void()> job = std::exchange(worker.job, nullptr);
        lock.unlock();
        job();
        // Whatever the job holds goes before the thread counts as idle.
        job = nullptr;
        lock.lock();
        worker.busy = false;
    }
}
