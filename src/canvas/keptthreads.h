#pragma once

#include <condition_variable>
#include <functional>
#include <future>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>

// Threads that stay for the next job. A thread started anew may wait for the scheduler's
// next tick before it runs, behind the thread that started it, while one that is woken
// goes straight to an idle core. Idle, they wait without waking.
class KeptThreads
{
public:
    KeptThreads() = default;
    ~KeptThreads();
    KeptThreads(const KeptThreads &) = delete;
    KeptThreads &operator=(const KeptThreads &) = delete;

    // The threads of the show: the blur, the pages and the bands of the backdrop. Let go at
    // exit.
    static KeptThreads &shared();

    // On an idle thread, or on a new one when all are busy, so that jobs may wait for one
    // another. Throws std::system_error where no thread can be had. The job must not throw.
    void run(std::function<void()> job);

    template<typename F> auto runWithFuture(F job) -> std::future<std::invoke_result_t<F &>>
    {
        using Result = std::invoke_result_t<F &>;
        auto task = std::make_shared<std::packaged_task<Result()>>(std::move(job));
        std::future<Result> future = task->get_future();
        run([task] { (*task)(); });
        return future;
    }

    int threadCount() const;

private:
    struct Worker
    {
        std::thread thread;
        std::function<void()> job;
        bool busy = false;
        std::condition_variable wake;
    };
    void serve(Worker &worker);

    mutable std::mutex m_mutex;
    std::list<Worker> m_workers;
    bool m_stopping = false;
};
