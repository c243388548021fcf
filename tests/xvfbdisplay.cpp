#include "xvfbdisplay.h"

#include <QByteArray>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

XvfbDisplay::XvfbDisplay()
{
    int fds[2];
    if (pipe(fds) != 0)
        return;
    m_pid = fork();
    if (m_pid == 0) {
        close(fds[0]);
        const QByteArray fd = QByteArray::number(fds[1]);
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.constData(), "-screen", "0", "1280x800x24",
            "-nolisten", "tcp", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (m_pid < 0) {
        close(fds[0]);
        return;
    }
    // Xvfb writes the display number once it accepts connections; give it ten seconds.
    QByteArray number;
    pollfd reader {fds[0], POLLIN, 0};
    while (!number.endsWith('\n') && poll(&reader, 1, 10000) > 0) {
        char buffer[16];
        const ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        number.append(buffer, got);
    }
    close(fds[0]);
    if (number.trimmed().isEmpty())
        return;
    m_name = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
}

XvfbDisplay::~XvfbDisplay()
{
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
}
