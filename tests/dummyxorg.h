#pragma once

#include <QList>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>

// An Xorg server on the dummy video driver. Unlike Xvfb's RandR 1.5 monitors, its screens are
// real RandR outputs (DUMMY0, DUMMY1, ...), the only kind GTK-based window managers count.
// It runs as any user: the driver touches no hardware, console or input device.
class DummyXorg
{
public:
    ~DummyXorg() { stop(); }

    // Starts the server with one output per rectangle, the first one primary. Returns why it
    // could not, or an empty string once every output is in place.
    QString start(const QList<QRect> &outputs);
    void stop();
    // ":N" while running.
    QString name() const { return m_name; }

private:
    QString fatalError() const;

    QProcess m_server;
    QTemporaryDir m_dir;
    QString m_name;
};
