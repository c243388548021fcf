#pragma once

#include <QString>
#include <sys/types.h>

// A private X server for tests that need a real clipboard. Xvfb picks a free display
// number itself (-displayfd), so tests running side by side never clash.
class XvfbDisplay
{
public:
    XvfbDisplay();
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay &) = delete;
    XvfbDisplay &operator=(const XvfbDisplay &) = delete;

    // ":N", or empty when Xvfb could not be started.
    QString name() const { return m_name; }
    bool isRunning() const { return !m_name.isEmpty(); }

private:
    pid_t m_pid = -1;
    QString m_name;
};
