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

// main() for a test that wants a private X server: on it when one can be had, otherwise
// on whatever platform the environment names (the tests then skip what needs X).
#define CORVINA_XVFB_TEST_MAIN(TestObject)                                                         \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        XvfbDisplay display;                                                                       \
        if (display.isRunning()) {                                                                 \
            qputenv("DISPLAY", display.name().toLatin1());                                         \
            qputenv("QT_QPA_PLATFORM", "xcb");                                                     \
        }                                                                                          \
        QApplication app(argc, argv);                                                              \
        TestObject test;                                                                           \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
