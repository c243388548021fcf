#pragma once

#include <QCoreApplication>
#include <QThread>
#include <utility>

// One `T` kept for the application's main thread and let go from its destructor, for
// caches that hold fonts and the like; null on other threads and without an application.
template<typename T> T *keptForMainThread()
{
    static T *kept = nullptr;
    const QCoreApplication *application = QCoreApplication::instance();
    if (!application || QThread::currentThread() != application->thread())
        return nullptr;
    if (!kept) {
        kept = new T;
        qAddPostRoutine([] { delete std::exchange(kept, nullptr); });
    }
    return kept;
}
