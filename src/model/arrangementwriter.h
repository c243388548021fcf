#pragma once

#include "dashboardwidget.h"
#include "defaults.h"

#include <QList>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// Encodes and writes one key's arrangements on a thread of its own, so a large note never
// holds up the main thread. Arrangements handed over while one is written replace each
// other: only the newest is written next. Destroying the writer waits until the newest
// one is written, so nothing handed over is lost on quit.
class ArrangementWriter
{
public:
    // Told on the writer's thread how the write of each generation went.
    using Written = std::function<void(quint64 generation, const DefaultsStatus &status)>;

    ArrangementWriter(Defaults &defaults, QString key, Written written);
    ~ArrangementWriter();
    ArrangementWriter(const ArrangementWriter &) = delete;
    ArrangementWriter &operator=(const ArrangementWriter &) = delete;

    void submit(QList<DashboardWidget> widgets, quint64 generation);
    // Nothing waits and nothing is being written.
    bool isIdle() const;
    // Returns once everything handed over is written.
    void wait();

private:
    struct Pending
    {
        QList<DashboardWidget> widgets;
        quint64 generation = 0;
    };

    void run();

    Defaults &m_defaults;
    const QString m_key;
    const Written m_written;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<Pending> m_pending;
    bool m_writing = false;
    bool m_stopping = false;
    // Started with the first arrangement, so a store that never writes large ones has none.
    std::thread m_thread;
};
