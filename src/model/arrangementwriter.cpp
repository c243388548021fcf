#include "arrangementwriter.h"

#include "widgetjson.h"

ArrangementWriter::ArrangementWriter(Defaults &defaults, QString key, Written written)
    : m_defaults(defaults)
    , m_key(std::move(key))
    , m_written(std::move(written))
{ }

ArrangementWriter::~ArrangementWriter()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void ArrangementWriter::submit(QList<DashboardWidget> widgets, quint64 generation)
{
    {
        const std::lock_guard lock(m_mutex);
        m_pending = Pending {std::move(widgets), generation};
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }
    m_changed.notify_all();
}

bool ArrangementWriter::isIdle() const
{
    const std::lock_guard lock(m_mutex);
    return !m_pending && !m_writing;
}

void ArrangementWriter::wait()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_pending && !m_writing; });
}

void ArrangementWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_pending || m_stopping; });
        if (!m_pending)
            return; // stopping, with everything written
        Pending pending = std::move(*m_pending);
        m_pending.reset();
        m_writing = true;
        lock.unlock();

        const auto bytes = WidgetJson::encodeArrangement(pending.widgets);
        if (bytes)
            m_written(pending.generation, m_defaults.write(m_key, *bytes));
        // The last reference to a large note may be this one: let it go off the main thread.
        pending.widgets.clear();

        lock.lock();
        m_writing = false;
        m_changed.notify_all();
    }
}
